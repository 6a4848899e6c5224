#pragma once
// The real VimkoSrv started on its own database, log and free ports, for
// end-to-end tests; stopped (killed) when the test ends.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_config.h"
#include "tests/support/test_db.h"

class RunningServer {
  public:
    // Starts the server with the sample configuration, this test's database,
    // free ports and `overrides`; waits until it accepts unit connections.
    // `fileLimit`, when not 0, is the server's soft limit of open files.
    explicit RunningServer(const ConfigValues& overrides = {}, unsigned long fileLimit = 0);

    TestDatabase& db() { return m_db; }
    int devicePort() const { return m_devicePort; }
    int telnetPort() const { return m_telnetPort; }
    ServerProcess& process() { return *m_process; }
    const TempDir& dir() const { return m_dir; }

    std::string Log() const;
    // Waits until the log contains `text` (true) or `limit` passes (false).
    bool WaitForLog(const std::string& text,
                    std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Waits until `sql` returns at least `rows` rows.
    bool WaitForRows(const std::string& sql, size_t rows,
                     std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Waits until `text` appears `count` times in the log.
    bool WaitUntilCount(const std::string& text, size_t count,
                        std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Number of times `text` appears in the log.
    size_t CountInLog(const std::string& text) const;
    // The slots unit `serial` was given, in log order: from its TCP
    // identification entry ("D5: <serial> ...") or its UDP allocation entry
    // ("... <serial> -> D5"), one entry per slot taken. Waits up to `limit`
    // for `count` of them.
    std::vector<int> SlotsOf(const std::string& serial, size_t count = 1,
                             std::chrono::milliseconds limit = std::chrono::seconds(10));

  private:
    TempDir m_dir;
    TestDatabase m_db;
    int m_devicePort = 0;
    int m_telnetPort = 0;
    std::unique_ptr<ServerProcess> m_process;
};
