#include "manager/ui/debug_page.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

#include "manager/logic/serial_link.h"
#include "manager/logic/service_tools.h"

DebugPage::DebugPage(ManagerContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    m_log = new QPlainTextEdit(this);
    m_log->setObjectName(QStringLiteral("debugLog"));
    m_log->setReadOnly(true);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_write = new QPushButton(QStringLiteral("&Write"), this);
    m_write->setObjectName(QStringLiteral("debugWrite"));
    m_clear = new QPushButton(QStringLiteral("&Clear"), this);
    m_clear->setObjectName(QStringLiteral("debugClear"));
    m_dump = new QPushButton(QStringLiteral("Nodalink SysDump"), this);
    m_dump->setObjectName(QStringLiteral("debugSysDump"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_write);
    buttons->addWidget(m_clear);
    buttons->addStretch(1);
    buttons->addWidget(m_dump);
    auto* page = new QVBoxLayout(this);
    page->addWidget(m_log, 1);
    page->addLayout(buttons);

    connect(m_write, &QPushButton::clicked, this, &DebugPage::OnWrite);
    connect(m_clear, &QPushButton::clicked, m_log, &QPlainTextEdit::clear);
    if (m_context.link) {
        connect(m_context.link, &SerialLink::debugLine, this, &DebugPage::AppendLine);
    }
    if (m_context.tools) {
        connect(m_dump, &QPushButton::clicked, m_context.tools, &ServiceTools::SystemDump);
    }
    ApplyLocalControls(false);
}

void DebugPage::ApplyLocalControls(bool on) {
    m_dump->setEnabled(on);
}

void DebugPage::ApplyRemoteControls(bool) {}

void DebugPage::ShowLocalView() {}

void DebugPage::ShowRemoteView() {}

void DebugPage::DeviceTypeChanged() {}

void DebugPage::AppendLine(const QString& line) {
    m_log->appendPlainText(line);
}

QStringList DebugPage::Lines() const {
    QStringList lines;
    if (m_log->document()->isEmpty()) return lines;
    for (QTextBlock block = m_log->document()->begin(); block.isValid(); block = block.next()) {
        lines.append(block.text());
    }
    return lines;
}

// Saves the log's lines, each ended by a line break, replacing the file.
void DebugPage::OnWrite() {
    BusyScope busy(m_context.state);
    if (busy.refused()) return;
    const QString path =
        m_context.prompt.AskSaveFile(QStringLiteral("Text|*.txt"), QStringLiteral("txt"));
    if (path.isEmpty()) return;
    QFile file(path);
    QByteArray bytes;
    for (const QString& line : Lines()) bytes += line.toUtf8() + '\n';
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        m_context.prompt.ShowWarning(QStringLiteral("Error opening file: ") + path);
    }
}
