#include "manager/logic/service_tools.h"

#include <QProcess>

#include "manager/logic/serial_requests.h"

ServiceTools::ServiceTools(ManagerState& state, ParamLists& lists, SerialLink& link,
                           UserPrompt& prompt, LabelFacts& label, QObject* parent)
    : QObject(parent),
      m_state(state),
      m_lists(lists),
      m_link(link),
      m_prompt(prompt),
      m_label(label) {
    connect(&m_link, &SerialLink::frameReceived, this, &ServiceTools::OnFrame);
}

bool ServiceTools::PrintLabel() {
    if (!m_label.configReadForLabel || !m_label.moduleSeenForLabel) return false;
    // Every label needs a new read and a new module answer, whatever the answer.
    m_label.configReadForLabel = false;
    m_label.moduleSeenForLabel = false;
    const QString myId = m_lists.tabs[kTabGeneral].Value(QStringLiteral("MYID"));
    m_lastCommandLine = LabelCommandLine(printerProgram, myId, m_label.lastImei, m_label.lastCcid,
                                         m_label.unitOnline);
    if (!m_prompt.AskYesNo(m_lastCommandLine)) return false;
    // Its outcome is not checked: the printer program reports its own errors.
    return QProcess::startDetached(
        printerProgram,
        LabelArguments(myId, m_label.lastImei, m_label.lastCcid, m_label.unitOnline));
}

void ServiceTools::SystemDump() {
    BusyScope busy(m_state);
    if (busy.refused() || !m_link.IsOpen()) return;
    m_link.SendFrame(SerialMonitorFrame(m_link.sequence(), kItemSysDump));
}

void ServiceTools::OnFrame(const SerialFrame& frame) {
    const FrameHeader& h = frame.header;
    if (h.direction != kDirectionAnswer || h.address != kAddressUnit || h.command != kCmdRead ||
        h.item != kItemSysDump) {
        return;
    }
    for (const std::string& line : DumpLines(frame.data)) {
        m_link.LogDebug(QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())),
                        false);
    }
}
