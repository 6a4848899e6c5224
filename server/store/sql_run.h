#pragma once
// Running one statement on a connection of the pool.

#include <mysql.h>

#include <string>

// Sends `sql` and reads its answer, as mysql_real_query does; true when the
// statement succeeded (mysql_errno and mysql_error tell why otherwise, and a
// result set is then ready for mysql_store_result).
//
// The answer is waited for before the connector reads it. The connector's
// first read never waits: right after the statement went out it nearly
// always finds nothing yet and costs a receive for nothing before its own
// wait. Each statement of a unit's line saves that system call.
bool SqlRun(MYSQL* connection, const std::string& sql);

// Runs `first` and then `second` as one query, so both go out in one send:
// a location line's insert and the select that follows it cost one round
// trip to the database instead of two. The pool's connections allow
// several statements a query for this; `second` runs only when `first`
// succeeded, as two separate statements would.
enum class SqlPairResult {
    kBothRan,       // the second's result set is ready for mysql_store_result
    kFirstFailed,   // mysql_errno and mysql_error tell why; nothing is pending
    kSecondFailed,  // the first succeeded; mysql_errno tells why the second did not
};
// `firstInsertId` gets the first's mysql_insert_id when it succeeded.
SqlPairResult SqlRunPair(MYSQL* connection, const std::string& first, const std::string& second,
                         unsigned long long& firstInsertId);
