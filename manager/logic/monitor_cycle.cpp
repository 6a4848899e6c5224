#include "manager/logic/monitor_cycle.h"

#include <utility>

#include "manager/logic/serial_requests.h"

namespace {

const char* const kCommonHeadings[] = {"Module information:",
                                       "GPS Data:",
                                       "Digital inputs:",
                                       "Analog inputs:",
                                       "Impulse imputs:",
                                       "1-Wire:",
                                       "GSM Data:",
                                       "Black box:",
                                       "Alarm information:",
                                       "Additional GPS positions:",
                                       "Digital fuel probe:",
                                       "Additional information GSM:",
                                       "Information from the terminal:",
                                       "Server time:"};

}  // namespace

int MonitorItemCount(int deviceType) {
    return deviceType == kSerialVimko3 ? 23 : 17;
}

const char* MonitorHeading(int deviceType, int item) {
    if (item < 0 || item >= MonitorItemCount(deviceType)) return "";
    if (item < 14) return kCommonHeadings[item];
    if (item == 14) return deviceType == kSerialVimko1 ? "Data from compass:" : "Data from MEMS:";
    if (item == 15) return "Data from CAN/J1708:";
    if (item == 16)
        return deviceType == kSerialVimko3 ? "Data from RFID:" : "Additional MEMS data:";
    static const char* const kVimko3Tail[] = {"Additional MEMS data:",
                                              "Additional 1-Wire:",
                                              "Eco-driving:",
                                              "Frame event:",
                                              "MDAS20:",
                                              "CAN extra:"};
    return kVimko3Tail[item - 17];
}

int MonitorStepCode(int deviceType, int step) {
    const bool v3 = deviceType == kSerialVimko3;
    if (step >= 1 && step <= 14) return 59 + step;
    switch (step) {
        case 15:
            return 75;
        case 16:
            return v3 ? 77 : 76;
        case 17:
            return v3 ? 78 : 79;
        case 18:
            return v3 ? 79 : -1;
        default:
            break;
    }
    static const int kTail[] = {80, 81, 83, 84, 85};
    if (v3 && step >= 19 && step <= 23) return kTail[step - 19];
    return -1;
}

int MonitorItemOfCode(int deviceType, int code) {
    const bool v3 = deviceType == kSerialVimko3;
    if (code >= 60 && code <= 73) return code - 60;
    switch (code) {
        case 75:
            return 14;
        case 76:
            return v3 ? -1 : 15;
        case 77:
            return v3 ? 15 : -1;
        case 78:
            return v3 ? 16 : -1;
        case 79:
            return v3 ? 17 : 16;
        case 80:
            return v3 ? 18 : -1;
        case 81:
            return v3 ? 19 : -1;
        case 83:
            return v3 ? 20 : -1;
        case 84:
            return v3 ? 21 : -1;
        case 85:
            return v3 ? 22 : -1;
        default:
            return -1;
    }
}

std::array<std::array<int, kMonitorMaxItems>, 3> MonitorBoard::Identity() {
    std::array<std::array<int, kMonitorMaxItems>, 3> rows{};
    for (auto& generation : rows) {
        for (int k = 0; k < kMonitorMaxItems; ++k) generation[static_cast<size_t>(k)] = k;
    }
    return rows;
}

void MonitorBoard::Reset(int deviceType) {
    m_deviceType = deviceType < 0 || deviceType > 2 ? 2 : deviceType;
    m_step = 0;
    m_unanswered = false;
    m_lastRow = -1;
    m_headings.fill({});
    m_values.fill({});
    for (int k = 0; k < RowCount(); ++k) {
        m_headings[static_cast<size_t>(RowOf(k))] = MonitorHeading(m_deviceType, k);
    }
}

bool MonitorBoard::Start() {
    if (m_step != 0) return false;
    m_step = 1;
    m_unanswered = false;
    m_lastRow = -1;
    return true;
}

MonitorBoard::Step MonitorBoard::PollStep() {
    Step step;
    if (m_step == 0) return step;
    if (m_unanswered && m_lastRow >= 0) {
        step.emptyRow = m_lastRow;
        m_values[static_cast<size_t>(m_lastRow)].clear();
    }
    m_unanswered = false;
    m_lastRow = -1;
    int item = -1;
    if (m_deviceType == kSerialVimko1) {
        if (m_step <= kTextMonitorSteps) {
            step.textBody = SerialTextMonitorBody(m_step);
            // Steps 1 and 2 fetch the IMEI and version for step 3's row.
            int code = SerialTextMonitorCode(m_step);
            item = code >= 202 && code <= 216 ? code - 202
                   : code == 221              ? 15
                   : code == 222              ? 16
                                              : -1;
        }
    } else {
        step.code = MonitorStepCode(m_deviceType, m_step);
        if (step.code >= 0) item = MonitorItemOfCode(m_deviceType, step.code);
    }
    if (step.code < 0 && step.textBody.empty()) {
        step.ended = true;
        m_step = m_automatic ? 1 : 0;
        return step;
    }
    m_unanswered = true;
    m_lastRow = item >= 0 ? RowOf(item) : -1;
    ++m_step;
    return step;
}

void MonitorBoard::Fill(int item, std::string_view text) {
    if (item < 0 || item >= RowCount()) return;
    m_values[static_cast<size_t>(RowOf(item))] = text;
    m_unanswered = false;
}

bool MonitorBoard::Move(int row, int direction) {
    const int other = row + direction;
    if (row < 0 || other < 0 || row >= RowCount() || other >= RowCount()) return false;
    auto& rowOf = m_rowOf[static_cast<size_t>(m_deviceType)];
    int itemA = -1, itemB = -1;
    for (int k = 0; k < RowCount(); ++k) {
        if (rowOf[static_cast<size_t>(k)] == row) itemA = k;
        if (rowOf[static_cast<size_t>(k)] == other) itemB = k;
    }
    std::swap(rowOf[static_cast<size_t>(itemA)], rowOf[static_cast<size_t>(itemB)]);
    std::swap(m_headings[static_cast<size_t>(row)], m_headings[static_cast<size_t>(other)]);
    std::swap(m_values[static_cast<size_t>(row)], m_values[static_cast<size_t>(other)]);
    if (m_lastRow == row) {
        m_lastRow = other;
    } else if (m_lastRow == other) {
        m_lastRow = row;
    }
    return true;
}
