#pragma once
// A MariaDB server of a test's own, in a temporary folder on a free port,
// for tests that stop and restart the database under a running server. The
// shared test database cannot be stopped: other tests use it at the same time.

#include <sys/types.h>

#include <string>

#include "tests/support/temp_dir.h"
#include "tests/support/test_config.h"

class PrivateMariaDb {
  public:
    PrivateMariaDb();  // creates the data folder, starts it, loads the schema
    ~PrivateMariaDb();
    PrivateMariaDb(const PrivateMariaDb&) = delete;
    PrivateMariaDb& operator=(const PrivateMariaDb&) = delete;

    bool Start();  // true once it answers
    void Stop();   // waits until it has ended
    int port() const { return m_port; }
    // The server's database keys for this instance.
    ConfigValues Values() const;
    // Runs a statement as root on the fleet database.
    bool Exec(const std::string& sql);
    std::string QueryValue(const std::string& sql);

  private:
    TempDir m_dir;
    int m_port = 0;
    pid_t m_pid = -1;
};
