#include "server/store/sql_run.h"

#include <sys/socket.h>

#include "server/core/socket_ops.h"

namespace {

// The insert's answer, when it succeeded, is an OK packet of 11 to 20 bytes
// (longer only with session state in it, and then the wait just ends at
// the first answer); the select's, or an error packet for either, is
// longer.
constexpr int kPairAnswerBytes = 24;
// How long the pair's wait holds out for both answers before it takes what
// came: a short error text (below kPairAnswerBytes) or a far database.
constexpr int kPairWaitMs = 20;

// Waits until the connection's socket has something to read (or is closed
// or failed: the connector's read then reports it). An encrypted
// connection is left alone: its layer may already hold the answer, which
// the socket would never announce.
//
// With `atLeast` above 1 the socket announces nothing until that many bytes
// came (or kPairWaitMs went by). The database sends each statement's answer
// of a pair on its own, and the second is rarely there when the first wakes
// the worker: waiting for both at once saves a sleep and a wake-up per
// line. The connector's own waits expect the usual mark of one byte, so it
// is set back before the connector reads.
void WaitForAnswer(MYSQL* connection, int atLeast) {
    if (mysql_get_ssl_cipher(connection) != nullptr) return;
    int fd = static_cast<int>(mysql_get_socket(connection));
    if (fd < 0) return;
    if (atLeast > 1 && setsockopt(fd, SOL_SOCKET, SO_RCVLOWAT, &atLeast, sizeof atLeast) == 0) {
        SockWaitReadable(fd, kPairWaitMs);
        int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_RCVLOWAT, &one, sizeof one);
        return;
    }
    SockWaitReadable(fd, -1);
}

bool RunQuery(MYSQL* connection, const std::string& sql, int atLeast) {
    if (mysql_send_query(connection, sql.data(), static_cast<unsigned long>(sql.size())) != 0) {
        return false;
    }
    WaitForAnswer(connection, atLeast);
    return mysql_read_query_result(connection) == 0;
}

}  // namespace

bool SqlRun(MYSQL* connection, const std::string& sql) {
    return RunQuery(connection, sql, 1);
}

SqlPairResult SqlRunPair(MYSQL* connection, const std::string& first, const std::string& second,
                         unsigned long long& firstInsertId) {
    std::string both;
    both.reserve(first.size() + 1 + second.size());
    both += first;
    both += ';';
    both += second;
    if (!RunQuery(connection, both, kPairAnswerBytes)) return SqlPairResult::kFirstFailed;
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
