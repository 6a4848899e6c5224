#include "manager/ui/configuration_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "manager/ui/param_table.h"

namespace {

// Which parameter tabs a device type has.
bool TabShown(int tab, int deviceType) {
    switch (tab) {
        case kTabGeneral:
        case kTabFms:
        case kTabDallas:
            return true;
        case kTabCalibration:
        case kTabCan2:
            return deviceType == kVimko3;
        default:
            return deviceType != kVimko1;
    }
}

}  // namespace

ConfigurationPage::ConfigurationPage(ManagerContext& context, QWidget* parent)
    : QWidget(parent),
      m_context(context),
      m_tabs(new QTabWidget(this)),
      m_offline(new QCheckBox(QStringLiteral("OFF-LINE mode"), this)),
      m_read(new QPushButton(QStringLiteral("&Read"), this)),
      m_write(new QPushButton(QStringLiteral("&Write"), this)),
      m_import(new QPushButton(QStringLiteral("&Import"), this)),
      m_export(new QPushButton(QStringLiteral("&Export"), this)) {
    setObjectName(QStringLiteral("configurationPage"));
    m_tabs->setObjectName(QStringLiteral("parameterTabs"));
    for (int tab = 0; tab < kTabCount; ++tab) {
        auto* page = new QWidget(m_tabs);
        auto* layout = new QVBoxLayout(page);
        m_tables[tab] = new ParamTable(context.lists.tabs[tab], tab, page);
        m_tables[tab]->setObjectName(QStringLiteral("ValueListEditor%1").arg(tab + 1));
        m_descriptions[tab] = new QLineEdit(page);
        m_descriptions[tab]->setObjectName(QStringLiteral("description%1").arg(tab + 1));
        layout->addWidget(m_tables[tab]);
        layout->addWidget(m_descriptions[tab]);
        m_tabs->addTab(page, TabCaption(tab));
        connect(m_descriptions[tab], &QLineEdit::textEdited, this,
                [this, tab](const QString& text) { m_context.lists.tabs[tab].description = text; });
    }
    m_offline->setObjectName(QStringLiteral("offlineMode"));
    m_read->setObjectName(QStringLiteral("configRead"));
    m_write->setObjectName(QStringLiteral("configWrite"));
    m_import->setObjectName(QStringLiteral("configImport"));
    m_export->setObjectName(QStringLiteral("configExport"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_offline);
    buttons->addStretch();
    for (QPushButton* b : {m_read, m_write, m_import, m_export}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);

    connect(m_tabs, &QTabWidget::currentChanged, this,
            [this](int index) { m_context.remote.activeTab = index; });
    connect(m_offline, &QCheckBox::toggled, this,
            [this](bool on) { m_context.state.offlineMode = on; });
    connect(m_read, &QPushButton::clicked, this, &ConfigurationPage::OnRead);
    connect(m_write, &QPushButton::clicked, this, &ConfigurationPage::OnWrite);
    connect(m_import, &QPushButton::clicked, this, &ConfigurationPage::OnImport);
    connect(m_export, &QPushButton::clicked, this, &ConfigurationPage::OnExport);
    connect(&m_context.remote, &RemoteConfig::listChanged, this, &ConfigurationPage::Reload);
    SetReadWriteEnabled(false, false);
}

void ConfigurationPage::ResetForDeviceType() {
    const int type = m_context.state.deviceType;
    m_tabs->setCurrentIndex(kTabGeneral);
    for (int tab = 0; tab < kTabCount; ++tab) {
        m_tabs->setTabVisible(tab, TabShown(tab, type));
        Reload(tab);
    }
}

void ConfigurationPage::Reload(int tab) {
    if (tab < 0 || tab >= kTabCount) return;
    m_tables[tab]->Reload(m_context.state.deviceType);
    m_descriptions[tab]->setText(m_context.lists.tabs[tab].description);
}

void ConfigurationPage::SetReadWriteEnabled(bool read, bool write) {
    m_read->setEnabled(read);
    m_write->setEnabled(write);
}

void ConfigurationPage::SetOfflineAvailable(bool available) {
    if (!available) m_offline->setChecked(false);
    m_offline->setEnabled(available);
}

void ConfigurationPage::OnRead() {
    if (m_context.state.busy) return;
    if (m_context.state.remoteView) {
        m_context.remote.ReadButton();
    } else if (localRead) {
        localRead(m_tabs->currentIndex());
    }
}

void ConfigurationPage::OnWrite() {
    if (m_context.state.busy) return;
    if (m_context.state.remoteView) {
        m_context.remote.WriteButton();
    } else if (localWrite) {
        localWrite(m_tabs->currentIndex());
    }
}

void ConfigurationPage::OnImport() {
    if (m_context.state.busy) return;
    QString path;
    if (m_context.repo.settings.offline) {
        path = m_context.prompt.AskOpenFile(
            QStringLiteral("Extensible Markup Language|*.xml|Config files|*.cfg"), QString());
        if (path.isEmpty()) return;
    }
    m_context.remote.ImportButton(path);
}

void ConfigurationPage::OnExport() {
    if (m_context.state.busy) return;
    QString path;
    if (m_context.repo.settings.offline) {
        path = m_context.prompt.AskSaveFile(QStringLiteral("Extensible Markup Language|*.xml"),
                                            QStringLiteral("xml"));
        if (path.isEmpty()) return;
    }
    // A file that could not be written is reported; the repository reports
    // its own failures.
    if (!m_context.remote.ExportButton(path) && m_context.repo.settings.offline) {
        m_context.prompt.ShowWarning(QStringLiteral("Error opening file: ") + path);
    }
}
