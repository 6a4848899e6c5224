#pragma once
// The server's status display: its eight counters on the shared headless
// status screen (common/status_screen.h).

#include <cstdio>
#include <string>
#include <vector>

#include "common/status_screen.h"
#include "server/core/status_tick.h"

// The eight rows, label and value.
std::vector<StatusRow> StatusDisplayRows(const StatusValues& values);

// The eight lines, each a label and its value, each ending in "\n".
std::string FormatStatusDisplay(const StatusValues& values);

class StatusDisplay {
  public:
    StatusDisplay(std::FILE* out, bool terminal);

    // Draws the values over the previous drawing.
    void Draw(const StatusValues& values);

  private:
    StatusScreen m_screen;
};
