#include "server/core/status_display.h"

#include "common/text_format.h"

namespace {

constexpr int kLabelWidth = 24;

}  // namespace

std::vector<StatusRow> StatusDisplayRows(const StatusValues& v) {
    return {
        {"Current date:",
         StringPrintf("%04d-%02d-%02d", v.utc.tm_year + 1900, v.utc.tm_mon + 1, v.utc.tm_mday)},
        {"Current time:",
         StringPrintf("%02d:%02d:%02d", v.utc.tm_hour, v.utc.tm_min, v.utc.tm_sec)},
        {"Logged devices", StringPrintf("%d   ", v.devices)},
        {"Logged configs:", StringPrintf("%d   ", v.consoles)},
        {"Total received bytes:", StringPrintf("%lu", static_cast<unsigned long>(v.received))},
        {"Total send bytes:", StringPrintf("%lu", static_cast<unsigned long>(v.sent))},
        {"Database connections:", StringPrintf("%d   ", v.sqlConnected)},
        {"SQL requests:", StringPrintf("%d   ", v.sqlBusy)},
    };
}

std::string FormatStatusDisplay(const StatusValues& values) {
    return FormatStatusRows(StatusDisplayRows(values), kLabelWidth);
}

StatusDisplay::StatusDisplay(std::FILE* out, bool terminal)
    : m_screen(out, terminal, kLabelWidth) {}

void StatusDisplay::Draw(const StatusValues& values) {
    m_screen.Draw(StatusDisplayRows(values));
}
