#include "server/store/location_store.h"

#include "tests/support/store_fixture.h"

namespace {

class LocationStoreTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        tasks[3].dbId = 17;
        tasks[3].state = kSlotActive;
    }
    int Store(const LocationRecord& rec) { return writetolocdata(3, Connection(), rec, 17); }
    std::vector<SqlRow> Routes() {
        return m_db.Query("select device_id, data_id, event_id from routes order by id");
    }
};

LocationRecord Alarm(bool on) {
    LocationRecord rec{};
    rec.present = 1u << 7;
    rec.alarm = on ? 2 : 0;
    return rec;
}

TEST_F(LocationStoreTest, RowIsStoredAndRecentdataFollowsTheNewest) {
    LocationRecord rec{};
    rec.present = 1 | (1u << 1);
    rec.fixstat = 1;
    rec.latituded = 52;
    rec.latitudem = 12.34567f;
    rec.year = 2024;
    rec.month = 3;
    rec.day = 7;
    rec.time = 12345678;
    rec.rawdin = 5;
    ASSERT_EQ(Store(rec), 0);
    rec.rawdin = 6;
    ASSERT_EQ(Store(rec), 0);
    auto rows = m_db.Query(
        "select id, device_id, latituded, latitudem, gpsdatetime, rawdin, "
        "abs(timestampdiff(second, locdatetime, utc_timestamp())) < 60 from locdata order by id");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], "17");
    EXPECT_EQ(rows[0][2], "52");
    EXPECT_EQ(rows[0][3], "12.34567");  // printed with six decimals
    EXPECT_EQ(rows[0][4], "2024-03-07 12:34:56");
    EXPECT_EQ(rows[1][5], "6");
    EXPECT_EQ(rows[1][6], "1");
    EXPECT_EQ(m_db.Query("select device_id, locdata_id from recentdata"),
              (std::vector<SqlRow>{{"17", rows[1][0]}}));
}

TEST_F(LocationStoreTest, BacklogRecordDoesNotMoveRecentdata) {
    LocationRecord rec{};
    rec.present = 1u << 6;
    rec.frame = 0;
    ASSERT_EQ(Store(rec), 0);
    std::string newest = m_db.Query("select max(id) from locdata")[0][0];
    rec.frame = 1;
    ASSERT_EQ(Store(rec), 0);
    EXPECT_EQ(m_db.Query("select count(*) from locdata")[0][0], "2");
    EXPECT_EQ(m_db.Query("select locdata_id from recentdata")[0][0], newest);
}

TEST_F(LocationStoreTest, RouteEventsAreRememberedThenRecordedOnChange) {
    ASSERT_EQ(Store(Alarm(true)), 0);  // first event of a unit without routes: remembered only
    EXPECT_EQ(tasks[3].routeEvent, 1);
    EXPECT_TRUE(Routes().empty());
    ASSERT_EQ(Store(Alarm(true)), 0);
    EXPECT_TRUE(Routes().empty());
    ASSERT_EQ(Store(Alarm(false)), 0);
    std::string changed = m_db.Query("select max(id) from locdata")[0][0];
    EXPECT_EQ(Routes(), (std::vector<SqlRow>{{"17", changed, "2"}}));

    LocationRecord noAlarm{};
    noAlarm.present = 1u << 1;
    ASSERT_EQ(Store(noAlarm), 0);
    EXPECT_EQ(Routes().size(), 2u);
    EXPECT_EQ(Routes()[1][2], "0");
    EXPECT_EQ(tasks[3].routeEvent, 0);

    // A "frame 2" record keeps the current event whatever its alarm says.
    tasks[3].routeEvent = 2;
    LocationRecord keep = Alarm(true);
    keep.present |= 1u << 6;
    keep.frame = 2;
    ASSERT_EQ(Store(keep), 0);
    EXPECT_EQ(Routes().size(), 2u);
}

TEST_F(LocationStoreTest, FailedInsertIsLoggedRecordedAndReported) {
    {
        MissingColumnRule rule;
        LocationRecord rec{};
        rec.present = 1u << 18;
        rec.fmsconfig = 1;
        EXPECT_EQ(Store(rec), -1);
    }
    SqlRelease(m_sql, true);
    m_sql = -1;

    std::string log = Log();
    EXPECT_NE(log.find("000000 DecodeCount(1) = 1\n000000 DecodeName(0,1) = no_such_column\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("000000 D3: insert into locdata(id,device_id,locdatetime,fmsstatus"),
              std::string::npos);
    EXPECT_NE(log.find("Unknown column 'no_such_column'"), std::string::npos) << log;
    auto events = m_db.Query("select event, param1 from statdata");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], (SqlRow{"3", "1658"}));
    EXPECT_TRUE(m_db.Query("select * from recentdata").empty());
}

// The recentdata select goes out with the insert: when it fails, the row is
// stored, the select is logged and recorded under its own code, and the
// connection serves the next line.
TEST_F(LocationStoreTest, FailedRecentSelectIsRecordedAndTheConnectionGoesOn) {
    LocationRecord rec{};
    rec.present = 1u << 1;
    m_db.Exec("rename table recentdata to recentdata_away");
    EXPECT_EQ(Store(rec), -1);
    m_db.Exec("rename table recentdata_away to recentdata");
    EXPECT_EQ(m_db.Query("select count(*) from locdata")[0][0], "1");
    EXPECT_EQ(m_db.Query("select event, param1 from statdata"),
              (std::vector<SqlRow>{{"3", "1672"}}));
    EXPECT_NE(Log().find("000000 D3: select * from recentdata where device_id=17\n"),
              std::string::npos)
        << Log();

    ASSERT_EQ(Store(rec), 0);
    EXPECT_EQ(m_db.Query("select device_id, locdata_id from recentdata"),
              (std::vector<SqlRow>{{"17", m_db.Query("select max(id) from locdata")[0][0]}}));
}

}  // namespace
