#include "server/store/message_store.h"

#include "server/store/message_sql.h"
#include "tests/support/store_fixture.h"

namespace {

using MessageStoreTest = StoreTest;

TEST_F(MessageStoreTest, MessageWithoutPosition) {
    ASSERT_EQ(writetoinbox(1, Connection(), 12, "Base", "It's 5 o'clock \\o/", nullptr), 0);
    auto rows = m_db.Query(
        "select device_id, addr, msg, fixstat, gps_date, latituded, status, "
        "abs(timestampdiff(second, add_date, utc_timestamp())) < 60 from inbox");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0],
              (SqlRow{"12", "Base", "It's 5 o'clock \\o/", "NULL", "NULL", "NULL", "2", "1"}));
}

TEST_F(MessageStoreTest, PositionColumnsFollowFixAndDate) {
    MessagePosition fix;
    fix.fixstat = 1;
    fix.time = 12345678;
    fix.day = 7;
    fix.month = 3;
    fix.year = 2024;
    fix.latituded = 52;
    fix.latitudem = 12.5f;
    fix.longituded = -21;
    fix.longitudem = -5.25f;
    MessagePosition dateOnly = fix;
    dateOnly.fixstat = 0;
    MessagePosition nothing = dateOnly;
    nothing.year = 0;
    // A fix whose date failed the check reaches the store with year 0.
    MessagePosition fixBadDate = fix;
    fixBadDate.month = 13;
    fixBadDate.year = 0;
    ASSERT_EQ(writetoinbox(1, Connection(), 12, "a", "fix", &fix), 0);
    ASSERT_EQ(writetoinbox(1, Connection(), 12, "a", "date", &dateOnly), 0);
    ASSERT_EQ(writetoinbox(1, Connection(), 12, "a", "none", &nothing), 0);
    ASSERT_EQ(writetoinbox(1, Connection(), 12, "a", "bad date", &fixBadDate), 0);
    auto rows = m_db.Query(
        "select msg, fixstat, gps_date, latituded, latitudem, longituded, longitudem "
        "from inbox order by id");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (SqlRow{"fix", "1", "2024-03-07 12:34:56", "52", "12.5", "-21", "-5.25"}));
    EXPECT_EQ(rows[1],
              (SqlRow{"date", "0", "2024-03-07 12:34:56", "NULL", "NULL", "NULL", "NULL"}));
    EXPECT_EQ(rows[2], (SqlRow{"none", "0", "NULL", "NULL", "NULL", "NULL", "NULL"}));
    EXPECT_EQ(rows[3], (SqlRow{"bad date", "1", "NULL", "52", "12.5", "-21", "-5.25"}));
}

TEST(MessageSql, InboxStatementForms) {
    std::tm now{};
    now.tm_year = 126;
    now.tm_mon = 0;
    now.tm_mday = 2;
    EXPECT_EQ(BuildInboxInsert(now, 5, "A", "B", nullptr),
              "insert into inbox(id,add_date,device_id,addr,msg,status) "
              "values(DEFAULT,'2026-01-02 00:00:00',5,'A','B',2)");
    MessagePosition none;
    EXPECT_EQ(BuildInboxInsert(now, 5, "A", "B", &none),
              "insert into inbox(id,add_date,device_id,addr,msg,fixstat,status) "
              "values(DEFAULT,'2026-01-02 00:00:00',5,'A','B',0,2)");
}

}  // namespace
