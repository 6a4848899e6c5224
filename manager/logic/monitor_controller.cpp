#include "manager/logic/monitor_controller.h"

#include <QStringList>

#include "manager/logic/serial_requests.h"

namespace {

constexpr char kIconMarker[] = "\nIcon=";
constexpr int kLinkConnected = 2;  // "TCP_CONNECTED"

}  // namespace

MonitorController::MonitorController(ManagerState& state, SerialLink& link, LabelFacts& label,
                                     QObject* parent)
    : QObject(parent), m_state(state), m_link(link), m_label(label) {
    connect(&m_link, &SerialLink::frameReceived, this, &MonitorController::OnFrame);
    connect(&m_link, &SerialLink::lineReceived, this, &MonitorController::OnLine);
    m_board.Reset(state.deviceType);
}

void MonitorController::Reset(int deviceType) {
    m_board.Reset(deviceType);
    m_textState = MonitorTextState();
    SyncStep();
    emit rowsChanged();
}

void MonitorController::SyncStep() {
    const bool wasIdle = m_state.monitorStep == 0;
    m_state.monitorStep = m_board.MonitorStep();
    if (wasIdle != (m_state.monitorStep == 0)) emit refreshStateChanged();
}

void MonitorController::PollStep() {
    if (!m_state.localLinkOpen || m_state.busy) return;
    MonitorBoard::Step step = m_board.PollStep();
    if (step.code >= 0) {
        m_link.SendFrame(SerialMonitorFrame(m_link.sequence(), step.code));
    } else if (!step.textBody.empty()) {
        m_link.SendText(step.textBody);
    }
    if (step.emptyRow >= 0) emit rowsChanged();
    SyncStep();
}

void MonitorController::RefreshButton() {
    if (m_board.Start()) SyncStep();
}

void MonitorController::SetAutomatic(bool on) {
    m_automatic = on;
    m_board.SetAutomatic(on);
    if (on && m_board.Start()) SyncStep();
}

int MonitorController::MoveUp(int row) {
    if (!m_board.Move(row, -1)) return row;
    emit rowsChanged();
    return row - 1;
}

int MonitorController::MoveDown(int row) {
    if (!m_board.Move(row, +1)) return row;
    emit rowsChanged();
    return row + 1;
}

QString MonitorController::Heading(int row) const {
    if (row < 0 || row >= RowCount()) return {};
    return QString::fromStdString(m_board.Heading(row));
}

QString MonitorController::RowText(int row) const {
    if (row < 0 || row >= RowCount()) return {};
    const std::string& value = m_board.Value(row);
    size_t marker = value.rfind(kIconMarker);
    return QString::fromLatin1(value.substr(0, marker));
}

int MonitorController::RowIcon(int row) const {
    if (row < 0 || row >= RowCount()) return -1;
    const std::string& value = m_board.Value(row);
    size_t marker = value.rfind(kIconMarker);
    const size_t at = marker + sizeof kIconMarker - 1;
    if (marker == std::string::npos || at + 1 != value.size()) return -1;
    const char figure = value[at];
    return figure >= '0' && figure <= '2' ? figure - '0' : -1;
}

void MonitorController::ModuleSeen(const QString& imei, const QString& ccid, unsigned link) {
    m_label.lastImei = imei;
    m_label.lastCcid = ccid;
    m_label.unitOnline = link == kLinkConnected;
    m_label.moduleSeenForLabel = true;
}

void MonitorController::OnFrame(const SerialFrame& frame) {
    const FrameHeader& h = frame.header;
    if (h.direction != kDirectionAnswer || h.address != kAddressUnit || h.command != kCmdRead)
        return;
    const int item = MonitorItemOfCode(m_board.DeviceType(), h.item);
    if (item < 0 || m_board.DeviceType() == kVimko1) return;
    m_board.Fill(item, MonitorValueText(h.item, frame.length, frame.data));
    if (h.item == kMonitorModule) {
        std::string imei, ccid;
        if (MonitorModuleIds(frame.data, imei, ccid)) {
            ModuleSeen(QString::fromLatin1(imei), QString::fromLatin1(ccid),
                       SerialGetLE(frame.data, 45, 1));
        }
    }
    emit rowsChanged();
}

void MonitorController::OnLine(const QByteArray& line) {
    if (m_board.DeviceType() != kVimko1) return;
    const std::string_view text(line.constData(), static_cast<size_t>(line.size()));
    MonitorTextResult result = MonitorDecodeTextAnswer(text, m_textState);
    if (result.item < 0) return;
    m_board.Fill(result.item, result.text);
    if (text.starts_with("$ANS202,")) {
        // GSM state, mode, link state, ...: the link state is the third number.
        QStringList fields = QString::fromLatin1(line.mid(8))
                                 .section(QLatin1Char('*'), 0, 0)
                                 .split(QLatin1Char(','));
        ModuleSeen(QString::fromStdString(m_textState.imei),
                   QString::fromStdString(m_textState.ccid), fields.value(2).toUInt());
    }
    emit rowsChanged();
}
