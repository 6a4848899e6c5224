#pragma once
// The headless status display: the eight counters of the running server,
// redrawn in place once a second while standard output is a terminal, and
// nothing at all when it is not (a service, a pipe, a log collector).

#include <cstdio>
#include <string>

#include "server/core/status_tick.h"

// The eight lines, each a label and its value, each ending in "\n".
std::string FormatStatusDisplay(const StatusValues& values);

class StatusDisplay {
  public:
    StatusDisplay(std::FILE* out, bool terminal) : m_out(out), m_terminal(terminal) {}

    // Draws the values over the previous drawing.
    void Draw(const StatusValues& values);

  private:
    std::FILE* m_out;
    bool m_terminal;
    bool m_drawn = false;
};
