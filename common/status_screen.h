#pragma once
// The headless status display of the long-running programs: rows of a label
// and its value, redrawn in place once a second while standard output is a
// terminal, and nothing at all when it is not (a service, a pipe, a log
// collector). Each program names its own rows.

#include <cstdio>
#include <string>
#include <vector>

struct StatusRow {
    const char* label;
    std::string value;
};

// One line per row: the label left-aligned in `labelWidth` columns, then the
// value, then "\n".
std::string FormatStatusRows(const std::vector<StatusRow>& rows, int labelWidth);

class StatusScreen {
  public:
    StatusScreen(std::FILE* out, bool terminal, int labelWidth)
        : m_out(out), m_terminal(terminal), m_labelWidth(labelWidth) {}

    // Draws the rows over the previous drawing (which had as many rows).
    void Draw(const std::vector<StatusRow>& rows);

  private:
    std::FILE* m_out;
    bool m_terminal;
    int m_labelWidth;
    bool m_drawn = false;
};
