#include "tests/support/test_db.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string ReadSchema() {
    std::ifstream in(std::string(VIMKO_SOURCE_DIR) + "/sql/schema.sql");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void RunAll(MYSQL* connection, const std::string& sql) {
    if (mysql_real_query(connection, sql.data(), static_cast<unsigned long>(sql.size())) != 0) {
        ADD_FAILURE() << "statement failed: " << mysql_error(connection) << "\n" << sql;
        return;
    }
    do {
        MYSQL_RES* result = mysql_store_result(connection);
        if (result != nullptr) mysql_free_result(result);
    } while (mysql_next_result(connection) == 0);
    if (mysql_errno(connection) != 0) {
        ADD_FAILURE() << "statement failed: " << mysql_error(connection);
    }
}

}  // namespace

MYSQL* ConnectTestServer(const std::string& database, unsigned long flags) {
    MYSQL* connection = mysql_init(nullptr);
    if (mysql_real_connect(connection, Env("VIMKO_TEST_DB_HOST").c_str(),
                           Env("VIMKO_TEST_DB_USER").c_str(), Env("VIMKO_TEST_DB_PASSWD").c_str(),
                           database.empty() ? nullptr : database.c_str(),
                           static_cast<unsigned>(std::atoi(Env("VIMKO_TEST_DB_PORT").c_str())),
                           nullptr, flags) == nullptr) {
        ADD_FAILURE() << "cannot reach the test database (is VIMKO_TEST_DB_* set? scripts/test "
                         "sets it): "
                      << mysql_error(connection);
        mysql_close(connection);
        return nullptr;
    }
    return connection;
}

TestDatabase::TestDatabase() {
    static std::atomic<int> counter{0};
    m_name = "vt_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    MYSQL* server = ConnectTestServer("");
    if (server == nullptr) return;
    RunAll(server, "DROP DATABASE IF EXISTS " + m_name);
    RunAll(server, "CREATE DATABASE " + m_name);
    mysql_close(server);

    m_connection = ConnectTestServer(m_name, CLIENT_MULTI_STATEMENTS);
    if (m_connection == nullptr) return;
    std::string schema = ReadSchema();
    EXPECT_FALSE(schema.empty()) << "sql/schema.sql not found";
    RunAll(m_connection, schema);
}

TestDatabase::~TestDatabase() {
    if (m_connection != nullptr) {
        RunAll(m_connection, "DROP DATABASE IF EXISTS " + m_name);
        mysql_close(m_connection);
    }
}

void TestDatabase::Exec(const std::string& sql) {
    ASSERT_NE(m_connection, nullptr);
    RunAll(m_connection, sql);
}

std::vector<SqlRow> TestDatabase::Query(const std::string& sql) {
    if (m_connection == nullptr) {
        ADD_FAILURE() << "no test database";
        return {};
    }
    return QueryRows(m_connection, sql);
}

std::vector<SqlRow> QueryRows(MYSQL* connection, const std::string& sql) {
    std::vector<SqlRow> rows;
    if (mysql_real_query(connection, sql.data(), static_cast<unsigned long>(sql.size())) != 0) {
        ADD_FAILURE() << "query failed: " << mysql_error(connection) << "\n" << sql;
        return rows;
    }
    MYSQL_RES* result = mysql_store_result(connection);
    if (result == nullptr) return rows;
    unsigned fields = mysql_num_fields(result);
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
        SqlRow out;
        for (unsigned i = 0; i < fields; ++i) out.push_back(row[i] != nullptr ? row[i] : "NULL");
        rows.push_back(out);
    }
    mysql_free_result(result);
    return rows;
}

void TestDatabase::Configure(ServerConfig& config) const {
    config.sqlHost = Env("VIMKO_TEST_DB_HOST");
    config.sqlPort = std::atoi(Env("VIMKO_TEST_DB_PORT").c_str());
    config.sqlUser = Env("VIMKO_TEST_DB_USER");
    config.sqlPasswd = Env("VIMKO_TEST_DB_PASSWD");
    config.sqlDatabase = m_name;
}
