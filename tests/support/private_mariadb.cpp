#include "tests/support/private_mariadb.h"

#include <gtest/gtest.h>
#include <mysql.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/server_process.h"

namespace {

constexpr const char* kDatabase = "fleet";
constexpr const char* kUser = "fleet";
constexpr const char* kPassword = "fleet-pw";

MYSQL* Connect(int port, const char* user, const char* password, const char* database) {
    MYSQL* connection = mysql_init(nullptr);
    if (mysql_real_connect(connection, "127.0.0.1", user, password, database,
                           static_cast<unsigned>(port), nullptr,
                           CLIENT_MULTI_STATEMENTS) == nullptr) {
        mysql_close(connection);
        return nullptr;
    }
    return connection;
}

bool RunAll(MYSQL* connection, const std::string& sql) {
    if (mysql_real_query(connection, sql.data(), static_cast<unsigned long>(sql.size())) != 0)
        return false;
    do {
        MYSQL_RES* result = mysql_store_result(connection);
        if (result != nullptr) mysql_free_result(result);
    } while (mysql_next_result(connection) == 0);
    return mysql_errno(connection) == 0;
}

}  // namespace

PrivateMariaDb::PrivateMariaDb() {
    m_port = FreePort();
    std::string install = "mariadb-install-db --no-defaults --datadir=" + m_dir.File("data") +
                          " --user=$(id -un) --auth-root-authentication-method=normal "
                          "--skip-test-db > " +
                          m_dir.File("install.log") + " 2>&1";
    if (std::system(install.c_str()) != 0) {
        ADD_FAILURE() << "mariadb-install-db failed:\n" << ReadFile(m_dir.File("install.log"));
        return;
    }
    if (!Start()) return;
    MYSQL* root = Connect(m_port, "root", "", nullptr);
    if (root == nullptr) {
        ADD_FAILURE() << "cannot connect as root to the private database";
        return;
    }
    std::string setup = std::string("CREATE DATABASE ") + kDatabase + "; CREATE USER '" + kUser +
                        "'@'127.0.0.1' IDENTIFIED BY '" + kPassword + "'; GRANT ALL ON " +
                        kDatabase + ".* TO '" + kUser + "'@'127.0.0.1'; USE " + kDatabase + ";" +
                        ReadFile(std::string(VIMKO_SOURCE_DIR) + "/sql/schema.sql");
    EXPECT_TRUE(RunAll(root, setup)) << mysql_error(root);
    mysql_close(root);
}

PrivateMariaDb::~PrivateMariaDb() {
    Stop();
}

bool PrivateMariaDb::Start() {
    m_pid = fork();
    if (m_pid == 0) {
        std::string output = m_dir.File("mariadbd.out");
        freopen(output.c_str(), "a", stderr);
        std::string datadir = "--datadir=" + m_dir.File("data");
        std::string socket = "--socket=" + m_dir.File("sock");
        std::string port = "--port=" + std::to_string(m_port);
        std::string log = "--log-error=" + m_dir.File("error.log");
        std::string pid = "--pid-file=" + m_dir.File("pid");
        execlp("mariadbd", "mariadbd", "--no-defaults", datadir.c_str(), socket.c_str(),
               port.c_str(), "--bind-address=127.0.0.1", log.c_str(), pid.c_str(), "--user=root",
               "--innodb-buffer-pool-size=32M", static_cast<char*>(nullptr));
        _exit(127);
    }
    bool up = WaitUntil(
        [&] {
            MYSQL* probe = Connect(m_port, "root", "", nullptr);
            if (probe == nullptr) return false;
            mysql_close(probe);
            return true;
        },
        std::chrono::seconds(60));
    EXPECT_TRUE(up) << ReadFile(m_dir.File("error.log"));
    return up;
}

void PrivateMariaDb::Stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
}

ConfigValues PrivateMariaDb::Values() const {
    return {{"SQL_HOST", "127.0.0.1"},
            {"SQL_PORT", std::to_string(m_port)},
            {"SQL_USER", kUser},
            {"SQL_PASSWD", kPassword},
            {"SQL_DATABASE", kDatabase}};
}

bool PrivateMariaDb::Exec(const std::string& sql) {
    MYSQL* connection = Connect(m_port, kUser, kPassword, kDatabase);
    if (connection == nullptr) return false;
    bool ok = RunAll(connection, sql);
    mysql_close(connection);
    return ok;
}

std::string PrivateMariaDb::QueryValue(const std::string& sql) {
    MYSQL* connection = Connect(m_port, kUser, kPassword, kDatabase);
    if (connection == nullptr) return "";
    std::string value;
    if (mysql_real_query(connection, sql.data(), static_cast<unsigned long>(sql.size())) == 0) {
        MYSQL_RES* result = mysql_store_result(connection);
        MYSQL_ROW row = result != nullptr ? mysql_fetch_row(result) : nullptr;
        if (row != nullptr && row[0] != nullptr) value = row[0];
        if (result != nullptr) mysql_free_result(result);
    }
    mysql_close(connection);
    return value;
}
