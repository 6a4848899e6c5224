#include "server/store/sql_pool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "server/core/log.h"
#include "server/core/server_config.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_db.h"

namespace {

class SqlPoolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogSetPath(m_dir.File("srv.log"));
        gLogClock = 0;
        m_db.Configure(gConfig);
        gConfig.sqlTimeout = 30;
        ClearSqlSlots();
    }
    void TearDown() override {
        for (int i = 0; i < kSqlSlots; ++i) {
            if (sqlSlots[i].connected) {
                if (!sqlSlots[i].busy) sqlSlots[i].busy = true;
                SqlRelease(i, true);
            }
        }
    }
    std::string Log() const { return ReadFile(m_dir.File("srv.log")); }

    TempDir m_dir;
    TestDatabase m_db;
};

TEST_F(SqlPoolTest, ConnectsLazilyAndReusesTheConnection) {
    EXPECT_EQ(CountSqlConnected(), 0);
    int slot = SqlAcquire();
    ASSERT_EQ(slot, 0);
    EXPECT_TRUE(sqlSlots[0].busy);
    EXPECT_EQ(mysql_query(SqlConnection(slot), "select 1"), 0);
    mysql_free_result(mysql_store_result(SqlConnection(slot)));
    MYSQL* first = SqlConnection(slot);
    SqlRelease(slot, false);
    EXPECT_FALSE(sqlSlots[0].busy);
    EXPECT_TRUE(sqlSlots[0].connected);

    ASSERT_EQ(SqlAcquire(), 0);
    EXPECT_EQ(SqlConnection(0), first);
    // A second holder gets the next slot and its own connection.
    ASSERT_EQ(SqlAcquire(), 1);
    EXPECT_EQ(CountSqlBusy(), 2);
    EXPECT_EQ(Log(), "000000 S0: Connected\n000000 S1: Connected\n");
    SqlRelease(0, false);
    SqlRelease(1, false);
}

TEST_F(SqlPoolTest, ReleaseWithCloseDropsTheConnection) {
    int slot = SqlAcquire();
    ASSERT_EQ(slot, 0);
    SqlRelease(slot, true);
    EXPECT_FALSE(sqlSlots[0].connected);
    EXPECT_FALSE(sqlSlots[0].busy);
    EXPECT_EQ(Log(), "000000 S0: Connected\n000000 S0: Disconnected\n");
    // The next user connects afresh.
    ASSERT_EQ(SqlAcquire(), 0);
    EXPECT_TRUE(sqlSlots[0].connected);
    SqlRelease(0, false);
}

TEST_F(SqlPoolTest, FailedConnectLogsTheErrorAndFreesTheSlot) {
    gConfig.sqlPasswd = "wrong-password";
    EXPECT_EQ(SqlAcquire(), -1);
    EXPECT_FALSE(sqlSlots[0].busy);
    EXPECT_FALSE(sqlSlots[0].connected);
    std::string log = Log();
    EXPECT_NE(log.find("Access denied"), std::string::npos) << log;
    EXPECT_EQ(log.find("Connected"), std::string::npos);
}

TEST_F(SqlPoolTest, IdleSweepClosesOneSecondAfterTheLimitAndNeverABusySlot) {
    ASSERT_EQ(SqlAcquire(), 0);
    ASSERT_EQ(SqlAcquire(), 1);
    SqlRelease(0, false);  // slot 1 stays busy
    int64_t acquired = sqlSlots[0].acquired;
    sqlSlots[1].acquired = acquired;

    SqlIdleSweep(acquired + 30);
    EXPECT_TRUE(sqlSlots[0].connected);
    SqlIdleSweep(acquired + 31);
    EXPECT_FALSE(sqlSlots[0].connected);
    EXPECT_TRUE(sqlSlots[1].connected);
    SqlIdleSweep(acquired + 100000);
    EXPECT_TRUE(sqlSlots[1].connected);
    EXPECT_NE(Log().find("000000 S0: Disconnected\n"), std::string::npos);
    EXPECT_EQ(Log().find("S1: Disconnected"), std::string::npos);
    SqlRelease(1, false);
}

TEST_F(SqlPoolTest, IdleTimeCountsFromTheLastAcquisition) {
    ASSERT_EQ(SqlAcquire(), 0);
    sqlSlots[0].acquired = 1000;  // acquired long ago, released just now
    SqlRelease(0, false);
    SqlIdleSweep(1031);
    EXPECT_FALSE(sqlSlots[0].connected);
}

// Holds all 25 slots, as 25 busy connection threads would.
void HoldEverySlot() {
    for (int i = 0; i < kSqlSlots; ++i) ASSERT_EQ(SqlAcquire(), i);
}

TEST_F(SqlPoolTest, TwentySixthUserWaitsForAFreedSlot) {
    HoldEverySlot();
    auto start = std::chrono::steady_clock::now();
    std::future<int> waiter = std::async(std::launch::async, [] { return SqlAcquire(); });
    EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    SqlRelease(7, false);
    EXPECT_EQ(waiter.get(), 7);
    // It woke when the slot came back, not at the end of a full wait.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(kSqlAcquireSeconds));
    EXPECT_EQ(Log().find("Serwer overflow"), std::string::npos);
    for (int i = 0; i < kSqlSlots; ++i) SqlRelease(i, false);
}

TEST_F(SqlPoolTest, OverflowAfterTenSecondsWithEverySlotBusy) {
    HoldEverySlot();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SqlAcquire(), -1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(kSqlAcquireSeconds));
    std::string log = Log();
    EXPECT_EQ(log.substr(log.size() - std::string("000000 SQL: Serwer overflow\n").size()),
              "000000 SQL: Serwer overflow\n");
    for (int i = 0; i < kSqlSlots; ++i) SqlRelease(i, false);
}

}  // namespace
