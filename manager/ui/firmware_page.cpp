#include "manager/ui/firmware_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "manager/logic/firmware_import.h"
#include "manager/logic/local_config.h"
#include "manager/logic/local_firmware.h"
#include "manager/logic/long_dallas.h"
#include "manager/logic/remote_firmware.h"

namespace {

const char kLocalVersionText[] = "Available in tab 'Monitoring'";

QPushButton* NamedButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

QLineEdit* NamedField(const QString& text, const char* name, QWidget* parent) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QLatin1String(name));
    return field;
}

}  // namespace

FirmwarePage::FirmwarePage(ManagerContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    BuildLayout();
    ConnectButtons();
    ApplyLocalControls(false);
    ApplyRemoteControls(false);
    m_version->setEnabled(false);
}

// ---------------------------------------------------------------------------
// Layout: the kind combo, the version line and its "&Read" across the top;
// "&Import", "&Send" and the description pane on the left; the service
// groups stacked on the right.

void FirmwarePage::BuildLayout() {
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("kindCombo"));
    m_kind->addItems({QStringLiteral("Firmware Vimko"), QStringLiteral("Firmware KX-05/Tacho"),
                      QStringLiteral("Firmware Korvalen")});
    m_kind->setCurrentIndex(0);
    m_version = NamedField(QString(), "versionLine", this);
    m_version->setReadOnly(true);
    m_versionRead = NamedButton(QStringLiteral("&Read"), "versionRead", this);

    auto* top = new QHBoxLayout;
    top->addWidget(m_kind);
    top->addWidget(m_version, 1);
    top->addWidget(m_versionRead);

    m_import = NamedButton(QStringLiteral("&Import"), "firmwareImport", this);
    m_send = NamedButton(QStringLiteral("&Send"), "firmwareSend", this);
    m_description = new QTextEdit(this);
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setReadOnly(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_import);
    buttons->addWidget(m_send);
    buttons->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addLayout(buttons);
    left->addWidget(m_description, 1);

    auto group = [this](const QString& title, QGroupBox*& box) {
        box = new QGroupBox(title, this);
        auto* row = new QHBoxLayout(box);
        return row;
    };
    QHBoxLayout* row = group(QStringLiteral("Distanse setup:"), m_distanceGroup);
    m_distance = NamedField(QStringLiteral("0"), "distanceField", m_distanceGroup);
    m_distanceUpdate = NamedButton(QStringLiteral("&Update"), "distanceUpdate", m_distanceGroup);
    row->addWidget(m_distance, 1);
    row->addWidget(m_distanceUpdate);

    row = group(QStringLiteral("Clear memory:"), m_clearGroup);
    m_clear = NamedButton(QStringLiteral("&Clear"), "clearMemory", m_clearGroup);
    row->addStretch(1);
    row->addWidget(m_clear);

    row = group(QStringLiteral("Read data archives:"), m_archiveGroup);
    m_archiveCount = NamedField(QStringLiteral("100"), "archiveCount", m_archiveGroup);
    m_archiveRead = NamedButton(QStringLiteral("&Read"), "archiveRead", m_archiveGroup);
    row->addWidget(m_archiveCount, 1);
    row->addWidget(m_archiveRead);

    row = group(QStringLiteral("Read the data unread:"), m_unreadGroup);
    m_unreadRead = NamedButton(QStringLiteral("&Read"), "unreadRead", m_unreadGroup);
    row->addStretch(1);
    row->addWidget(m_unreadRead);

    row = group(QStringLiteral("Long DALLAS list:"), m_dallasGroup);
    m_dallasWrite = NamedButton(QStringLiteral("&Write"), "dallasWrite", m_dallasGroup);
    row->addStretch(1);
    row->addWidget(m_dallasWrite);

    auto* service = new QVBoxLayout;
    for (QGroupBox* box :
         {m_distanceGroup, m_clearGroup, m_archiveGroup, m_unreadGroup, m_dallasGroup}) {
        service->addWidget(box);
    }
    service->addStretch(1);

    auto* body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addLayout(service);

    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addLayout(body, 1);
}

void FirmwarePage::ConnectButtons() {
    ManagerContext& c = m_context;
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this](int kind) {
        m_context.state.firmwareKind = kind;
        DropFirmware();
    });
    connect(m_distanceUpdate, &QPushButton::clicked, this, [this] {
        if (m_context.state.remoteView) {
            m_context.remote.RemoteDistance(m_distance->text());
        } else if (m_context.local) {
            m_context.local->LocalDistance(m_distance->text());
        }
    });
    connect(m_archiveRead, &QPushButton::clicked, this, [this] {
        if (m_context.state.remoteView) {
            m_context.remote.RemoteRecovery(m_archiveCount->text());
        } else if (m_context.local) {
            m_context.local->LocalArchive(m_archiveCount->text());
        }
    });
    if (c.local) {
        connect(m_clear, &QPushButton::clicked, c.local, &LocalConfig::LocalClear);
        connect(m_unreadRead, &QPushButton::clicked, c.local, &LocalConfig::LocalUnread);
    }
    if (c.importer) {
        connect(m_import, &QPushButton::clicked, c.importer, &FirmwareImporter::ImportButton);
        connect(c.importer, &FirmwareImporter::firmwareChanged, this, &FirmwarePage::ShowFirmware);
    }
    if (c.sender) {
        connect(m_send, &QPushButton::clicked, c.sender, &FirmwareSender::SendButton);
        connect(m_versionRead, &QPushButton::clicked, c.sender, &FirmwareSender::ReadVersionButton);
        connect(c.sender, &FirmwareSender::versionChanged, this, &FirmwarePage::ShowFirmware);
    }
    if (c.dallas) {
        connect(m_dallasWrite, &QPushButton::clicked, c.dallas, &LongDallasWriter::WriteButton);
    }
    // "&Send" and the Long DALLAS list's "&Write" hand a local upload to
    // the serial link's uploader.
    if (c.sender && c.localFirmware && !c.sender->localUpload) {
        c.sender->localUpload = [uploader = c.localFirmware](const LocalFirmwareUpload& upload) {
            if (upload.textUpload) {
                uploader->TextUpload(upload.image, upload.cpuBit);
            } else {
                uploader->BinaryUpload(upload.image);
            }
        };
    }
    if (c.dallas && c.localFirmware && !c.dallas->localUpload) {
        c.dallas->localUpload = [uploader = c.localFirmware](const DataUpload& list) {
            uploader->WriteDallasList(list.type, list.closing, list.bytes);
        };
    }
}

int FirmwarePage::kind() const {
    return m_kind->currentIndex();
}

// ---------------------------------------------------------------------------
// Control sets and views

void FirmwarePage::ApplyLocalControls(bool on) {
    const bool archives = on && m_context.state.deviceType != kVimko1;
    m_send->setEnabled(on && m_context.state.firmwareLoaded);
    m_distanceUpdate->setEnabled(on);
    m_distance->setEnabled(on);
    m_clear->setEnabled(on);
    m_archiveRead->setEnabled(archives);
    m_archiveCount->setEnabled(archives);
    m_unreadRead->setEnabled(archives);
    m_dallasWrite->setEnabled(on);
}

void FirmwarePage::ApplyRemoteControls(bool on) {
    m_send->setEnabled(on && m_context.state.firmwareLoaded);
    m_distanceUpdate->setEnabled(on);
    m_distance->setEnabled(on);
    m_archiveRead->setEnabled(on);
    m_archiveCount->setEnabled(on);
    m_versionRead->setEnabled(on);
    m_dallasWrite->setEnabled(on);
}

void FirmwarePage::ShowLocalView() {
    m_version->setEnabled(false);
    m_version->setText(QLatin1String(kLocalVersionText));
}

void FirmwarePage::ShowRemoteView() {
    m_context.state.firmwareVersion.clear();
    m_version->setEnabled(true);
    m_version->clear();
}

void FirmwarePage::DeviceTypeChanged() {
    DropFirmware();
    // Archive reading is offered locally for Vimko-2 and Vimko-3/4 only.
    if (m_context.state.localControlsOn) ApplyLocalControls(true);
}

void FirmwarePage::DropFirmware() {
    if (m_context.importer) {
        m_context.importer->DropFirmware();  // shown through firmwareChanged
        return;
    }
    m_context.state.firmwareLoaded = false;
    if (m_context.state.remoteView) m_context.state.firmwareVersion.clear();
    m_description->clear();
    ShowFirmware();
}

// The loaded image's state: "&Send" while a control set is on, the pane,
// the version line of the remote view.
void FirmwarePage::ShowFirmware() {
    const ManagerState& state = m_context.state;
    m_send->setEnabled(state.firmwareLoaded && (state.localControlsOn || state.remoteControlsOn));
    ShowDescription(m_context.importer ? m_context.importer->description : FirmwareDescription());
    if (state.remoteView) m_version->setText(state.firmwareVersion);
}

// ---------------------------------------------------------------------------
// Description pane

void FirmwarePage::ShowDescription(const FirmwareDescription& lines) {
    m_description->clear();
    QTextCursor cursor(m_description->document());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QTextCharFormat format;
        format.setFontWeight(lines[i].bold ? QFont::Bold : QFont::Normal);
        if (i > 0) cursor.insertBlock();
        cursor.setCharFormat(format);
        cursor.insertText(lines[i].text, format);
    }
}

QString FirmwarePage::descriptionText() const {
    return m_description->toPlainText();
}

QString FirmwarePage::versionText() const {
    return m_version->text();
}
