#include "common/status_screen.h"

#include "common/text_format.h"

std::string FormatStatusRows(const std::vector<StatusRow>& rows, int labelWidth) {
    std::string out;
    for (const StatusRow& row : rows) {
        StringAppendF(out, "%-*s%s\n", labelWidth, row.label, row.value.c_str());
    }
    return out;
}

void StatusScreen::Draw(const std::vector<StatusRow>& rows) {
    if (!m_terminal) return;
    std::string text = FormatStatusRows(rows, m_labelWidth);
    std::string screen;
    // Back to the first row of the previous drawing.
    if (m_drawn) StringAppendF(screen, "\x1b[%zuF", rows.size());
    // Clear each row's rest, so a shorter value leaves no digits behind.
    for (char c : text) {
        if (c == '\n') screen += "\x1b[K";
        screen += c;
    }
    std::fputs(screen.c_str(), m_out);
    std::fflush(m_out);
    m_drawn = true;
}
