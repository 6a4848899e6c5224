#include "server/store/sql_run.h"

#include <poll.h>

#include <cerrno>

namespace {

// Waits until the connection's socket has something to read (or is closed
// or failed: the connector's read then reports it). An encrypted
// connection is left alone: its layer may already hold the answer, which
// the socket would never announce.
void WaitForAnswer(MYSQL* connection) {
    if (mysql_get_ssl_cipher(connection) != nullptr) return;
    int fd = static_cast<int>(mysql_get_socket(connection));
    if (fd < 0) return;
    pollfd watch{fd, POLLIN, 0};
    while (::poll(&watch, 1, -1) < 0 && errno == EINTR) {
    }
}

}  // namespace

bool SqlRun(MYSQL* connection, const std::string& sql) {
    if (mysql_send_query(connection, sql.data(), static_cast<unsigned long>(sql.size())) != 0) {
        return false;
    }
    WaitForAnswer(connection);
    return mysql_read_query_result(connection) == 0;
}

SqlPairResult SqlRunPair(MYSQL* connection, const std::string& first, const std::string& second,
                         unsigned long long& firstInsertId) {
    std::string both;
    both.reserve(first.size() + 1 + second.size());
    both += first;
    both += ';';
    both += second;
    if (!SqlRun(connection, both)) return SqlPairResult::kFirstFailed;
    firstInsertId = mysql_insert_id(connection);
    // A first statement with rows of its own (not what callers send) is
    // given up before the second's answer is read.
    if (MYSQL_RES* rows = mysql_store_result(connection)) mysql_free_result(rows);
    // The second's answer may already be in the connector's buffer, where
    // no wait on the socket would see it: the connector reads it itself.
    if (!mysql_more_results(connection) || mysql_next_result(connection) != 0) {
        return SqlPairResult::kSecondFailed;
    }
    return SqlPairResult::kBothRan;
}
