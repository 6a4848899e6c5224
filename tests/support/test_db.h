#pragma once
// A private database for one test: created on a real MariaDB with the
// project's schema loaded, dropped when the test ends. The server address and
// an account allowed to create databases come from the environment that the
// test script sets: VIMKO_TEST_DB_HOST, VIMKO_TEST_DB_PORT, VIMKO_TEST_DB_USER,
// VIMKO_TEST_DB_PASSWD.

#include <mysql.h>

#include <string>
#include <vector>

#include "server/core/server_config.h"

using SqlRow = std::vector<std::string>;  // NULL reads as "NULL"

class TestDatabase {
  public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const std::string& name() const { return m_name; }

    // Runs a statement on the test's own connection; fails the test on error.
    void Exec(const std::string& sql);
    // All rows of a select.
    std::vector<SqlRow> Query(const std::string& sql);

    // Points the server's database settings at this database.
    void Configure(ServerConfig& config) const;

  private:
    std::string m_name;
    MYSQL* m_connection = nullptr;
};

// All rows of a select run on `connection`; fails the test on error.
std::vector<SqlRow> QueryRows(MYSQL* connection, const std::string& sql);

// Connects to the test server (optionally to `database`), or returns null.
MYSQL* ConnectTestServer(const std::string& database, unsigned long flags = 0);
