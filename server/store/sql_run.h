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
// wait. A unit's line runs three statements, so that is three system calls
// per line saved.
bool SqlRun(MYSQL* connection, const std::string& sql);
