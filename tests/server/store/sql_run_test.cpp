#include "server/store/sql_run.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/store_fixture.h"

namespace {

// The first field of the first row of what `sql` selects; "" without a row.
std::string FirstField(MYSQL* connection, const std::string& sql) {
    if (!SqlRun(connection, sql)) return "error " + std::to_string(mysql_errno(connection));
    MYSQL_RES* result = mysql_store_result(connection);
    if (result == nullptr) return "no result";
    MYSQL_ROW row = mysql_fetch_row(result);
    std::string field = row != nullptr && row[0] != nullptr ? row[0] : "";
    mysql_free_result(result);
    return field;
}

using SqlRunTest = StoreTest;

// Answers that come at once, late (the wait really waits), or as an error
// all reach the caller, and the connection goes on serving statements.
TEST_F(SqlRunTest, AnswersArriveWhetherQuickLateOrFailed) {
    MYSQL* connection = Connection();
    EXPECT_EQ(FirstField(connection, "select 41 + 1"), "42");
    EXPECT_EQ(FirstField(connection, "select concat(sleep(0.3), 'late')"), "0late");
    EXPECT_EQ(FirstField(connection, "select * from no_such_table"), "error 1146");
    EXPECT_FALSE(SqlRun(connection, "selec 1"));
    EXPECT_EQ(mysql_errno(connection), 1064u);
    ASSERT_TRUE(SqlRun(connection, "create temporary table t (v int)"));
    ASSERT_TRUE(SqlRun(connection, "insert into t values (5), (6)"));
    EXPECT_EQ(mysql_affected_rows(connection), 2u);
    EXPECT_EQ(FirstField(connection, "select sum(v) from t"), "11");
}

// A connection the database has closed fails its next statement instead of
// waiting for an answer that never comes.
TEST_F(SqlRunTest, AConnectionClosedByTheDatabaseFailsAtOnce) {
    int other = SqlAcquire();
    ASSERT_GE(other, 0);
    unsigned long id = mysql_thread_id(Connection());
    ASSERT_TRUE(SqlRun(SqlConnection(other), "kill connection " + std::to_string(id)));
    SqlRelease(other, true);
    EXPECT_FALSE(SqlRun(Connection(), "select 1"));
    EXPECT_NE(mysql_errno(Connection()), 0u);
}

}  // namespace
