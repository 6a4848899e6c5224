#pragma once
// A pair of connected pseudo-terminals made by socat, for serial link tests:
// what is written to one path comes out of the other, as over a cable.

#include <sys/types.h>

#include <string>

#include "tests/support/temp_dir.h"

class SocatPair {
  public:
    SocatPair();   // starts socat and waits for both pty paths it prints
    ~SocatPair();  // ends socat
    // Ends socat now: both ends hang up, as when a cable is pulled.
    void Stop();
    SocatPair(const SocatPair&) = delete;
    SocatPair& operator=(const SocatPair&) = delete;

    bool ok() const { return !m_first.empty() && !m_second.empty(); }
    const std::string& first() const { return m_first; }
    const std::string& second() const { return m_second; }

  private:
    TempDir m_dir;
    pid_t m_pid = -1;
    std::string m_first, m_second;
};

// Opens a pty path raw and non-blocking; -1 on failure.
int OpenRawTerminal(const std::string& path);
