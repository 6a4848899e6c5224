// The unit session in-process (tests/support/unit_session_fixture.h): every
// reply the session sends is read back as the unit sees it.

#include "server/device/device_session.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "common/base64_writer.h"
#include "server/device/frame_send.h"
#include "server/device/slot_table.h"
#include "server/store/statdata_sql.h"
#include "tests/support/frame_bytes.h"
#include "tests/support/server_process.h"
#include "tests/support/store_fixture.h"
#include "tests/support/test_config.h"
#include "tests/support/unit_session_fixture.h"

namespace {

class SessionTest : public UnitSessionTest {
  protected:
    void Identify(uint32_t version = 0) {
        std::string payload = Text("356000000000077", 15) + Text("Van", 16) + Text("", 20) +
                              Text("", 17) + Text("", 13) + Le(version, 4);
        ASSERT_EQ(Line(Frame(0, 85, payload)), 1);
        Replies();
    }
};

// A listening far end for tunnels on a free test port.
UniqueFd FarEnd(uint16_t& port) {
    port = static_cast<uint16_t>(FreePort());
    return ListenOnLoopback(port, 1);
}

const std::string kAck = "JgA=\n";
const std::string kNack = "KQA=\n";

TEST_F(SessionTest, EmptyAndDiscardedLinesAreNotAnswered) {
    EXPECT_EQ(Line(""), 1);
    EXPECT_EQ(Line(Frame(40, 0, "") + Frame(222, 0, "")), 0);
    EXPECT_EQ(Replies(), "");
}

TEST_F(SessionTest, AcknowledgementRequestAndAgpsRequest) {
    EXPECT_EQ(Line(Frame(40, 0, "")), 1);
    EXPECT_EQ(Replies(), kAck);
    EXPECT_EQ(Line(Frame(160, 0, "")), 1);
    EXPECT_EQ(Replies(), kAck);
    EXPECT_NE(Log().find(" D0: A-GPS done\n"), std::string::npos);
    // Both in one line: the acknowledgement, then the second one for A-GPS.
    EXPECT_EQ(Line(Frame(40, 0, "") + Frame(160, 0, "")), 1);
    EXPECT_EQ(Replies(), kAck + kAck);
}

TEST_F(SessionTest, ReidentificationCountsTheConnectionAndStoresNoLocation) {
    Identify();
    tasks[0].bytesReceived = 100;
    tasks[0].bytesSent = 50;
    std::string reident = Frame(42, 36, Text("Van 2", 16) + Text("8948", 20));
    std::string inputs = Frame(2, 3, "\x01\x02\x03");
    EXPECT_EQ(Line(reident + inputs), 1);
    EXPECT_EQ(Replies(), kAck);
    EXPECT_EQ(tasks[0].bytesReceived, 0u);
    EXPECT_EQ(tasks[0].location.present, 0u);
    EXPECT_EQ(tasks[0].location.rawdin, 1);  // the values stay
    EXPECT_TRUE(m_db.Query("select id from locdata").empty());
    EXPECT_NE(Log().find(" D0: Van 2\n"), std::string::npos);
    EXPECT_NE(Log().find(" D0: Reconnected 100 50\n"), std::string::npos);
    auto events = m_db.Query("select event, param1, param2 from statdata order by id");
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1], (SqlRow{"2", "100", "50"}));
    EXPECT_EQ(events[2], (SqlRow{"1", "1", "0"}));
    EXPECT_EQ(m_db.Query("select dscr, ccid from devices")[0], (SqlRow{"Van 2", "8948"}));
}

TEST_F(SessionTest, OfflineConfigurationIsSentThreeTimesThenGivenUp) {
    Identify();
    DeviceSlot& d = tasks[0];
    CopyText(d.offlineText, "CONFIGLINE\n");
    d.offlineType = 3;
    d.offlineStatus = 1;
    for (int send = 1; send <= 3; ++send) {
        EXPECT_EQ(Line(Frame(40, 0, "")), 1);
        EXPECT_EQ(Replies(), "CONFIGLINE\n" + kAck) << send;
        EXPECT_EQ(d.offlineStatus, 1 + send);
        EXPECT_EQ(d.owner, kOwnerOfflineConfig);
    }
    EXPECT_EQ(Line(Frame(40, 0, "")), 1);
    EXPECT_EQ(Replies(), kAck);
    EXPECT_EQ(d.offlineStatus, 5);
    EXPECT_EQ(d.owner, kOwnerNone);
    EXPECT_EQ(CountOf(Log(), "CFG: Send offline config 0/3\n"), 3u);
}

TEST_F(SessionTest, OfflineConfigurationAnswers) {
    Identify();
    DeviceSlot& d = tasks[0];
    CopyText(d.offlineText, "CONFIGLINE\n");
    d.offlineStatus = 1;
    ASSERT_EQ(Line(Frame(40, 0, "")), 1);
    Replies();
    // The unit's acknowledgement alone earns no acknowledgement.
    EXPECT_EQ(Line(Frame(37, 0, "")), 1);
    EXPECT_EQ(Replies(), "");
    EXPECT_EQ(d.offlineStatus, 7);
    EXPECT_EQ(d.owner, kOwnerNone);
    EXPECT_NE(Log().find("CFG: Receive ack from 0\n"), std::string::npos);

    d.offlineStatus = 1;
    ASSERT_EQ(Line(Frame(40, 0, "")), 1);
    EXPECT_EQ(Line(Frame(44, 0, "")), 1);
    EXPECT_EQ(d.offlineStatus, 6);
    EXPECT_NE(Log().find("CFG: Receive nack from 0\n"), std::string::npos);
}

TEST_F(SessionTest, SenderRequestsAreAcknowledgedOrRefused) {
    Identify();
    DeviceSlot& d = tasks[0];
    unsigned long id = d.dbId;
    d.owner = kOwnerSender;
    d.requestIsDownload = 0;
    d.requestId = 55;
    EXPECT_EQ(Line(Frame(37, 0, "")), 1);
    EXPECT_EQ(d.requestResult, 1);
    EXPECT_EQ(d.owner, kOwnerNone);
    EXPECT_NE(Log().find("MSG: Receive ack from 0/" + std::to_string(id) + "\n"),
              std::string::npos);

    d.owner = kOwnerSender;
    d.requestIsDownload = 1;
    d.requestId = 66;
    EXPECT_EQ(Line(Frame(44, 0, "")), 1);
    EXPECT_EQ(d.requestResult, -1);
    EXPECT_EQ(d.downloadId, 0u);
    d.owner = kOwnerSender;
    EXPECT_EQ(Line(Frame(37, 0, "")), 1);
    EXPECT_EQ(d.requestResult, 1);
    EXPECT_EQ(d.downloadId, 66u);
    EXPECT_NE(Log().find("KORV: Receive nack from 0/" + std::to_string(id) + "\n"),
              std::string::npos);
    EXPECT_EQ(Replies(), "");
    // Nobody waiting: only the claim is cleared.
    EXPECT_EQ(Line(Frame(37, 0, "")), 1);
    EXPECT_EQ(d.owner, kOwnerNone);
}

// A driver's message with a fix whose GPS date fails its check is still
// stored (without the date) and acknowledged; otherwise the unit repeats it
// for ever.
TEST_F(SessionTest, MessageWithABadGpsDateIsStoredAndAcknowledged) {
    Identify();
    std::string position = Le(1, 1) + Le(12345678, 4) + Le(7, 1) + Le(13, 1) + Le(2024, 2) +
                           Le(522057000, 4) + Le(210030000, 4);
    ASSERT_EQ(Line(Frame(45, 17, Text("Base", 16) + Text("On my way", 150) + position)), 1);
    EXPECT_EQ(Replies(), kAck);
    auto rows = m_db.Query("select msg, fixstat, gps_date, latituded from inbox");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (SqlRow{"On my way", "1", "NULL", "52"}));
    EXPECT_NE(Log().find("D0: GPS date/time error 2024-13-07 12:34:56\n"), std::string::npos)
        << Log();
}

// A new offline configuration stored while the old one is on its way: the
// unit's answer to the old one leaves the new one pending, and the new one
// is what goes out next.
TEST_F(SessionTest, OfflineConfigurationReplacedInFlightIsStillSent) {
    Identify();
    DeviceSlot& d = tasks[0];
    StoreOfflineConfig(0, "OLDLINE\n", 3);
    ASSERT_EQ(Line(Frame(40, 0, "")), 1);
    EXPECT_EQ(Replies(), "OLDLINE\n" + kAck);
    EXPECT_EQ(d.owner, kOwnerOfflineConfig);
    StoreOfflineConfig(0, "NEWLINE\n", 4);
    EXPECT_EQ(d.owner, kOwnerNone);
    EXPECT_EQ(Line(Frame(37, 0, "")), 1);
    EXPECT_EQ(d.offlineStatus, 1);
    ASSERT_EQ(Line(Frame(40, 0, "")), 1);
    EXPECT_EQ(Replies(), "NEWLINE\n" + kAck);
    EXPECT_EQ(Line(Frame(37, 0, "")), 1);
    EXPECT_EQ(d.offlineStatus, 7);
}

// The unit's answer races the console storing a new offline configuration:
// the session read the old one's claim just before the console took it back.
// The answer is booked on the old configuration only; the new one is neither
// marked acknowledged nor refused, and goes out after the next line.
TEST_F(SessionTest, AnswerRacingANewOfflineConfigurationLeavesTheNewOnePending) {
    Identify();
    DeviceSlot& d = tasks[0];
    for (int answer : {37, 44}) {
        StoreOfflineConfig(0, "OLDLINE\n", 3);
        ASSERT_EQ(Line(Frame(40, 0, "")), 1);
        EXPECT_EQ(Replies(), "OLDLINE\n" + kAck);
        StoreOfflineConfig(0, "NEWLINE\n", 4);
        d.owner = kOwnerOfflineConfig;  // the claim as the unit's session read it
        EXPECT_EQ(Line(Frame(answer, 0, "")), 1) << answer;
        EXPECT_EQ(d.offlineStatus, 1) << answer;
        EXPECT_EQ(d.owner, kOwnerNone) << answer;
        ASSERT_EQ(Line(Frame(40, 0, "")), 1);
        EXPECT_EQ(Replies(), "NEWLINE\n" + kAck) << answer;
        EXPECT_EQ(d.offlineStatus, 2) << answer;
        EXPECT_EQ(Line(Frame(answer, 0, "")), 1);
        EXPECT_EQ(d.offlineStatus, answer == 37 ? 7 : 6) << answer;
    }
}

// A send to a slot whose connection is already closed fails at once rather
// than waiting SND_TIMEOUT seconds.
TEST_F(SessionTest, SendToAClosedConnectionFailsAtOnce) {
    gConfig.sndTimeout = 5;
    tasks[0].socket = -1;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SendToDevice(0, "JgA=\n"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_NE(Log().find("D0: -> 0:JgA=<>\n"), std::string::npos) << Log();
}

// A unit that stops reading: the send gives up after SND_TIMEOUT seconds
// without progress and is logged as failed.
TEST_F(SessionTest, SendToAPeerThatStopsReadingTimesOut) {
    gConfig.sndTimeout = 1;
    std::string text(1 << 20, 'A');
    text.back() = '\n';
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SendToDevice(0, text));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_NE(Log().find("D0: -> 0:AAAA"), std::string::npos);
}

TEST_F(SessionTest, FailedStoreEndsTheLineWithoutAnAnswer) {
    Identify();
    {
        MissingColumnRule rule;
        EXPECT_EQ(Line(Frame(19, 22, std::string("\x00\x01", 2) + std::string(20, '\0')) +
                       Frame(40, 0, "")),
                  -1);
    }
    EXPECT_EQ(Replies(), "");
    EXPECT_NE(Log().find(" D0: writetolocdata error\n"), std::string::npos);
}

// A unit that has not identified itself gets no tunnel: 41, and no
// connection is even tried.
TEST_F(SessionTest, TunnelIsRefusedBeforeIdentification) {
    uint16_t port = 0;
    UniqueFd far = FarEnd(port);
    std::string connect = Frame(112, 7, std::string("\x01\x7F\x00\x00\x01", 5) + Le(port, 2));
    EXPECT_EQ(Line(connect), 1);
    EXPECT_EQ(Replies(), kNack);
    EXPECT_FALSE(tasks[0].tunnelOpen);
    pollfd pending{far.get(), POLLIN, 0};
    EXPECT_EQ(poll(&pending, 1, 100), 0) << "a connection was made for an unknown unit";
}

// The answers of a line go out without a database connection: a unit that
// does not read them holds none of the pool while the send times out.
TEST_F(SessionTest, AnswersAreSentWithoutHoldingADatabaseConnection) {
    Identify();
    gConfig.sndTimeout = 2;
    // The unit stops reading: its receive queue is full.
    char junk[4096] = {};
    while (send(m_pair[0], junk, sizeof junk, MSG_DONTWAIT) > 0) {
    }
    const int fixtureBusy = CountSqlBusy();  // the fixture's own connection
    std::atomic<bool> done{false};
    std::thread line([&] {
        EXPECT_EQ(Line(Frame(2, 3, "\x01\x02\x03")), 1);
        done = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return m_db.Query("select id from locdata").size() == 1; },
                          std::chrono::seconds(5)));
    EXPECT_TRUE(WaitUntil([&] { return CountSqlBusy() == fixtureBusy; }, std::chrono::seconds(1)));
    EXPECT_FALSE(done) << "the send was expected to be still waiting";
    line.join();
    EXPECT_NE(Log().find(" D0: -> 0:JgA=<>\n"), std::string::npos) << Log();
}

TEST_F(SessionTest, TunnelToAFarEndAndRefusalForUdpUnits) {
    Identify();
    uint16_t port = 0;
    UniqueFd far = FarEnd(port);

    std::string connect = Frame(112, 7, std::string("\x01\x7F\x00\x00\x01", 5) + Le(port, 2));
    EXPECT_EQ(Line(connect), 1);
    EXPECT_EQ(Replies(), kAck);
    int accepted = accept(far.get(), nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    EXPECT_TRUE(tasks[0].tunnelOpen);

    EXPECT_EQ(Line(Frame(116, 0, Le(5, 2) + "hello")), 1);
    EXPECT_EQ(Replies(), kAck);
    char received[8] = {};
    EXPECT_EQ(read(accepted, received, sizeof received), 5);
    EXPECT_STREQ(received, "hello");
    EXPECT_NE(Log().find(" D0: SocketSend 68656C6C6F\n"), std::string::npos);

    EXPECT_EQ(Line(Frame(113, 0, "")), 1);
    EXPECT_EQ(Replies(), kAck);
    EXPECT_FALSE(tasks[0].tunnelOpen);
    EXPECT_EQ(Line(Frame(116, 0, Le(1, 2) + "x")), 1);
    EXPECT_EQ(Replies(), kNack);

    tasks[0].tcp = 0;  // a UDP unit may not open a tunnel
    tasks[0].socket = -1;
    EXPECT_EQ(Line(connect), 1);
    EXPECT_NE(Log().find(" D0: SocketConnect ERROR\n"), std::string::npos);
    tasks[0].tcp = 1;
    tasks[0].socket = m_pair[0];
    close(accepted);
}

}  // namespace
