#include "server/store/sql_run.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/store_fixture.h"

namespace {

// The first field of the first row of the result set the connection holds;
// "" without a row.
std::string StoredFirstField(MYSQL* connection) {
    MYSQL_RES* result = mysql_store_result(connection);
    if (result == nullptr) return "no result";
    MYSQL_ROW row = mysql_fetch_row(result);
    std::string field = row != nullptr && row[0] != nullptr ? row[0] : "";
    mysql_free_result(result);
    return field;
}

// The first field of the first row of what `sql` selects; "" without a row.
std::string FirstField(MYSQL* connection, const std::string& sql) {
    if (!SqlRun(connection, sql)) return "error " + std::to_string(mysql_errno(connection));
    return StoredFirstField(connection);
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

// Two statements in one query: the second runs only after the first
// succeeded, a late second answer is still waited for, a first that fails
// with a short text is not waited on forever, and whatever failed, nothing
// is left pending for the connection's next statement.
TEST_F(SqlRunTest, PairedStatementsRunInOrderAndLeaveNothingPending) {
    MYSQL* connection = Connection();
    ASSERT_TRUE(SqlRun(connection,
                       "create temporary table t (id int auto_increment primary key, "
                       "v int)"));
    ASSERT_TRUE(SqlRun(connection, "insert into t(v) values (1)"));
    struct Case {
        const char* first;
        const char* second;
        SqlPairResult result;
        unsigned errorCode;
        const char* secondSees;  // the second's first field when both ran
        const char* rowsAfter;   // count(*) of t afterwards
    };
    const Case cases[] = {
        {"insert into t(v) values (2)", "select count(*) from t", SqlPairResult::kBothRan, 0, "2",
         "2"},
        {"insert into t(v) values (3)", "select concat(sleep(0.3), count(*)) from t",
         SqlPairResult::kBothRan, 0, "03", "3"},
        {"insert into no_such_table values (1)", "insert into t(v) values (9)",
         SqlPairResult::kFirstFailed, 1146, nullptr, "3"},
        // An error packet shorter than the two answers the wait holds out for.
        {"signal sqlstate '45000' set message_text = 'x'", "insert into t(v) values (9)",
         SqlPairResult::kFirstFailed, 1644, nullptr, "3"},
        {"insert into t(v) values (4)", "select * from no_such_table", SqlPairResult::kSecondFailed,
         1146, nullptr, "4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        unsigned long long id = 0;
        SqlPairResult result = SqlRunPair(connection, c.first, c.second, id);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(mysql_errno(connection), c.errorCode);
        if (c.secondSees != nullptr) {
            EXPECT_EQ(StoredFirstField(connection), c.secondSees);
        }
        if (result != SqlPairResult::kFirstFailed) {
            EXPECT_EQ(std::to_string(id), FirstField(connection, "select max(id) from t"));
        }
        EXPECT_EQ(FirstField(connection, "select count(*) from t"), c.rowsAfter);
    }
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
