#include "server/store/status_event.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/device/device_slot.h"
#include "server/store/sql_pool.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_db.h"

namespace {

class StatusEventTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogSetPath(m_dir.File("srv.log"));
        gLogClock = 0;
        m_db.Configure(gConfig);
        ClearSqlSlots();
        ClearDeviceSlots();
    }
    void SetSerial(int device, const char* sn) {
        std::lock_guard<std::mutex> lock(tasks[device].textLock);
        std::strcpy(tasks[device].devId, sn);
    }
    std::string Log() const { return ReadFile(m_dir.File("srv.log")); }

    TempDir m_dir;
    TestDatabase m_db;
};

TEST_F(StatusEventTest, StartEventHasOnlyIdDateAndEvent) {
    ASSERT_EQ(StatusEvent(-1, 0, -1, -1), 0);
    auto rows = m_db.Query(
        "select event, sn, param1, param2, "
        "abs(timestampdiff(second, add_date, utc_timestamp())) < 60 from statdata");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (SqlRow{"0", "NULL", "NULL", "NULL", "1"}));
    // The event's connection went back to the pool, open.
    EXPECT_EQ(CountSqlBusy(), 0);
    EXPECT_EQ(CountSqlConnected(), 1);
}

TEST_F(StatusEventTest, DeviceEventsKeepThePresentParameters) {
    SetSerial(4, "356000111");
    ASSERT_EQ(StatusEvent(4, 2, 5000, 321), 0);
    ASSERT_EQ(StatusEvent(4, 1, -1, 1), 0);
    ASSERT_EQ(StatusEvent(4, 2, 4294967295L, 0), 0);
    auto rows = m_db.Query("select event, sn, param1, param2 from statdata order by id");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (SqlRow{"2", "356000111", "5000", "321"}));
    EXPECT_EQ(rows[1], (SqlRow{"1", "356000111", "NULL", "1"}));
    EXPECT_EQ(rows[2], (SqlRow{"2", "356000111", "4294967295", "0"}));
}

TEST_F(StatusEventTest, SerialNumberWithQuotesIsStoredVerbatim) {
    SetSerial(9, "ab'c\\d\"e");
    ASSERT_EQ(StatusEvent(9, 1, 0, 0), 0);
    auto rows = m_db.Query("select sn from statdata");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "ab'c\\d\"e");
}

TEST_F(StatusEventTest, NoConnectionIsLoggedAsOverflow) {
    gConfig.sqlPasswd = "wrong-password";
    SetSerial(3, "777");
    EXPECT_EQ(StatusEvent(-1, 0, -1, -1), -1);
    EXPECT_EQ(StatusEvent(3, 2, 10, -1), -1);
    std::string log = Log();
    EXPECT_NE(log.find("000000 D-1: SQL status overflow 0 -1 -1\n"), std::string::npos) << log;
    EXPECT_NE(log.find("000000 D3: SQL status overflow 777 2 10 -1\n"), std::string::npos) << log;
}

TEST_F(StatusEventTest, FailedStatementIsLoggedAndRecordedAsEventThree) {
    SetSerial(12, "356000999");
    int slot = SqlAcquire();
    ASSERT_GE(slot, 0);
    MYSQL* connection = SqlConnection(slot);
    const std::string bad = "insert into no_such_table values(1)";
    ASSERT_NE(mysql_query(connection, bad.c_str()), 0);
    unsigned error = mysql_errno(connection);
    EXPECT_EQ(SqlStatementFailed(12, connection, bad, 1658), -1);
    SqlRelease(slot, true);

    auto rows = m_db.Query("select event, sn, param1, param2 from statdata");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (SqlRow{"3", "356000999", "1658", std::to_string(error)}));
    std::string log = Log();
    EXPECT_NE(log.find("000000 D12: insert into no_such_table values(1)\n000000 "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("doesn't exist\n"), std::string::npos) << log;
    EXPECT_NE(log.find("S" + std::to_string(slot) + ": Disconnected\n"), std::string::npos);
}

}  // namespace
