#include "server/core/status_display.h"

#include "common/text_format.h"

namespace {

constexpr int kLabelWidth = 24;

void AddRow(std::string& out, const char* label, const std::string& value) {
    StringAppendF(out, "%-*s%s\n", kLabelWidth, label, value.c_str());
}

}  // namespace

std::string FormatStatusDisplay(const StatusValues& v) {
    std::string out;
    AddRow(out, "Current date:",
           StringPrintf("%04d-%02d-%02d", v.utc.tm_year + 1900, v.utc.tm_mon + 1, v.utc.tm_mday));
    AddRow(out, "Current time:",
           StringPrintf("%02d:%02d:%02d", v.utc.tm_hour, v.utc.tm_min, v.utc.tm_sec));
    AddRow(out, "Logged devices", StringPrintf("%d   ", v.devices));
    AddRow(out, "Logged configs:", StringPrintf("%d   ", v.consoles));
    AddRow(out,
           "Total received bytes:", StringPrintf("%lu", static_cast<unsigned long>(v.received)));
    AddRow(out, "Total send bytes:", StringPrintf("%lu", static_cast<unsigned long>(v.sent)));
    AddRow(out, "Database connections:", StringPrintf("%d   ", v.sqlConnected));
    AddRow(out, "SQL requests:", StringPrintf("%d   ", v.sqlBusy));
    return out;
}

void StatusDisplay::Draw(const StatusValues& values) {
    if (!m_terminal) return;
    std::string text = FormatStatusDisplay(values);
    std::string screen;
    if (m_drawn) screen += "\x1b[8F";  // back to the first of the eight rows
    // Clear each row's rest, so a shorter value leaves no digits behind.
    for (char c : text) {
        if (c == '\n') screen += "\x1b[K";
        screen += c;
    }
    std::fputs(screen.c_str(), m_out);
    std::fflush(m_out);
    m_drawn = true;
}
