#include <gtest/gtest.h>

#include "server/store/korvalen_sql.h"
#include "server/store/message_sql.h"
#include "server/store/queue_sender.h"

namespace {

const std::tm kNow = [] {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 6;
    t.tm_mday = 1;
    t.tm_hour = 8;
    return t;
}();

TEST(QueueSql, DownloadRequestFrames) {
    EXPECT_EQ(DownloadRequestFrame(77, 5), std::string("\x80\x01\x05", 3));
    EXPECT_EQ(DownloadRequestFrame(77, 300), std::string("\x90\x06\x4D\x00\x00\x00\x2C\x01", 8));
    EXPECT_EQ(DownloadRequestFrame(0x01020304, 255), std::string("\x80\x01\xFF", 3));
    EXPECT_EQ(DownloadRequestFrame(0x01020304, 256),
              std::string("\x90\x06\x04\x03\x02\x01\x00\x01", 8));
}

TEST(QueueSql, KorvalenStatusForms) {
    EXPECT_EQ(BuildKorvalenStatus(kNow, 9, -1, nullptr, 0),
              "update korvalen set sent_date='2026-07-01 08:00:00' where id=9");
    EXPECT_EQ(BuildKorvalenStatus(kNow, 9, 2, "a.ddd", 4000000000u),
              "update korvalen set status=2,filename='a.ddd',crcc=4000000000,"
              "update_date='2026-07-01 08:00:00' where id=9");
    // Status 1 without a file name: only the status.
    EXPECT_EQ(BuildKorvalenStatus(kNow, 9, 1, nullptr, 5),
              "update korvalen set status=1,update_date='2026-07-01 08:00:00' where id=9");
    EXPECT_EQ(BuildKorvalenStatus(kNow, 9, 3, "ignored", 5),
              "update korvalen set status=3,update_date='2026-07-01 08:00:00' where id=9");
    EXPECT_EQ(BuildKorvalenInsert(kNow, 12, 300),
              "insert into korvalen(id,add_date,device_id,request,sent_tries) "
              "values(DEFAULT,'2026-07-01 08:00:00',12,300,0)");
}

TEST(QueueSql, OutboxStatements) {
    EXPECT_EQ(BuildOutboxInsert(kNow, 4, "Base", "it\\'s"),
              "insert into outbox(id,add_date,device_id,addr,msg,status,sent_tries) "
              "values(DEFAULT,'2026-07-01 08:00:00',4,'Base','it\\'s',0,0)");
    EXPECT_EQ(BuildAckMessages(kNow, 8),
              "update outbox set status=1,sent_date='2026-07-01 08:00:00' where id=8");
    EXPECT_EQ(
        BuildOutboxNextSelect(10, 3),
        "select id,device_id,addr,msg,sent_tries from outbox where status=0 and sent_tries<10 "
        "and device_id>3 order by device_id,id");
    EXPECT_EQ(BuildKorvalenNextSelect(10, 0),
              "select id,device_id,request,sent_tries from korvalen where sent_date is NULL and "
              "sent_tries<10 and device_id>0 order by device_id,id");
}

TEST(QueueSql, VehicleMessageFieldsAreFixedAndPadded) {
    std::string frame = VehicleMessageFrame("Dispatch", "Hi");
    ASSERT_EQ(frame.size(), 2u + 16u + 150u);
    EXPECT_EQ(frame.substr(0, 2), std::string("\x2B\x00", 2));
    EXPECT_EQ(frame.substr(2, 16), std::string("Dispatch") + std::string(8, '\0'));
    EXPECT_EQ(frame.substr(18, 3), std::string("Hi\0", 3));
    std::string longer = VehicleMessageFrame(std::string(20, 'a'), std::string(200, 'b'));
    ASSERT_EQ(longer.size(), 168u);
    EXPECT_EQ(longer.substr(2, 16), std::string(16, 'a'));
    EXPECT_EQ(longer.substr(18), std::string(150, 'b'));
}

}  // namespace
