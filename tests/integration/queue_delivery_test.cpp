// Dispatchers reach drivers through the real server: rows a dispatcher puts
// into outbox and korvalen reach simulated units, and the units' answers
// update the rows.

#include <gtest/gtest.h>

#include "tests/support/private_mariadb.h"
#include "tests/support/running_server.h"
#include "tools/unit_sim/sim_unit.h"

namespace {

using namespace unit_sim;
using std::chrono::milliseconds;
using std::chrono::seconds;

std::unique_ptr<SimUnit> MakeUnit(int port, const std::string& serial,
                                  Transport transport = Transport::kTcp, bool pico = false) {
    UnitConfig config;
    config.port = static_cast<uint16_t>(port);
    config.transport = transport;
    config.pico = pico;
    config.identity.serial = serial;
    config.identity.description = "Van";
    auto unit = std::make_unique<SimUnit>(config);
    EXPECT_TRUE(unit->Connect());
    return unit;
}

// Receives (and lets the unit answer) until `count` frames with id `id` came.
// Every frame received on the way is appended to `all` when given.
std::vector<ServerFrame> Collect(SimUnit& unit, uint8_t id, size_t count,
                                 milliseconds limit = milliseconds(15000),
                                 std::vector<ServerFrame>* all = nullptr) {
    std::vector<ServerFrame> frames;
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (frames.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::optional<std::string> line = unit.ReceiveLine(milliseconds(200));
        if (!line) continue;
        for (const ServerFrame& frame : ParseServerLine(*line)) {
            if (frame.id == id) frames.push_back(frame);
            if (all != nullptr) all->push_back(frame);
        }
    }
    return frames;
}

// The devices row a dispatcher addresses; the unit finds it when it identifies.
std::string Register(TestDatabase& db, const std::string& serial) {
    db.Exec("insert into devices(sn) values('" + serial + "')");
    return db.Query("select id from devices where sn='" + serial + "'")[0][0];
}

TEST(QueueDelivery, MessagesGoOutOldestFirstAndAnswersUpdateTheRows) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "3"}});
    std::string id = Register(server.db(), "356000000000501");
    server.db().Exec("insert into outbox(device_id,addr,msg,status,sent_tries) values(" + id +
                     ",'O''Neil','It''s the first',0,0),(" + id + ",'Base','second',0,0)");
    auto unit = MakeUnit(server.devicePort(), "356000000000501");
    unit->SetRefuseEvery(RequestKind::kMessage, 2);
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));

    std::vector<ServerFrame> messages = Collect(*unit, kVehicleMessage, 2);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(ParseVehicleMessage(messages[0])->address, "O'Neil");
    EXPECT_EQ(ParseVehicleMessage(messages[0])->text, "It's the first");
    EXPECT_EQ(ParseVehicleMessage(messages[1])->text, "second");
    ASSERT_TRUE(server.WaitForLog("MSG: Receive nack from "));
    auto rows = server.db().Query(
        "select msg, status, sent_tries, sent_date is not null, "
        "abs(timestampdiff(second, sent_date, utc_timestamp())) < 60 from outbox order by id");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (SqlRow{"It's the first", "1", "1", "1", "1"}));
    EXPECT_EQ(rows[1], (SqlRow{"second", "0", "1", "0", "NULL"}));
    EXPECT_EQ(server.CountInLog("MSG: Send message to "), 2u);
    EXPECT_EQ(server.CountInLog("MSG: Receive ack from "), 1u);
}

TEST(QueueDelivery, UdpAndPicoUnitsAreNotSentMessages) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "3"}});
    std::string udp = Register(server.db(), "356000000000511");
    std::string pico = Register(server.db(), "356000000000512");
    std::string tcp = Register(server.db(), "356000000000513");
    server.db().Exec("insert into outbox(device_id,addr,msg,status,sent_tries) values(" + udp +
                     ",'a','to udp',0,0),(" + pico + ",'a','to pico',0,0),(" + tcp +
                     ",'a','to tcp',0,0)");
    auto udpUnit = MakeUnit(server.devicePort(), "356000000000511", Transport::kUdp);
    auto picoUnit = MakeUnit(server.devicePort(), "356000000000512", Transport::kTcp, true);
    ASSERT_TRUE(udpUnit->SendLine({udpUnit->IdentificationFrame()}));
    ASSERT_TRUE(picoUnit->SendLine({picoUnit->IdentificationFrame()}));
    ASSERT_EQ(Collect(*udpUnit, kServerAck, 1).size(), 1u);
    ASSERT_EQ(Collect(*picoUnit, kServerAck, 1).size(), 1u);
    // The TCP unit last, so its delivery proves a pass went past the others.
    auto tcpUnit = MakeUnit(server.devicePort(), "356000000000513");
    ASSERT_TRUE(tcpUnit->SendLine({tcpUnit->IdentificationFrame()}));
    ASSERT_EQ(Collect(*tcpUnit, kVehicleMessage, 1).size(), 1u);
    ASSERT_TRUE(server.WaitForLog("MSG: Receive ack from "));
    // The row is updated just after the acknowledgement is logged.
    EXPECT_TRUE(WaitUntil(
        [&] { return !server.db().Query("select id from outbox where status=1").empty(); },
        seconds(10)));

    auto rows = server.db().Query("select msg, status, sent_tries from outbox order by id");
    EXPECT_EQ(rows, (std::vector<SqlRow>{
                        {"to udp", "0", "0"}, {"to pico", "0", "0"}, {"to tcp", "1", "1"}}));
    EXPECT_TRUE(Collect(*udpUnit, kVehicleMessage, 1, milliseconds(300)).empty());
    EXPECT_TRUE(Collect(*picoUnit, kVehicleMessage, 1, milliseconds(300)).empty());
}

TEST(QueueDelivery, DownloadRequestsAreSentOnceInTheirTwoForms) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "3"}});
    std::string id = Register(server.db(), "356000000000521");
    server.db().Exec("insert into korvalen(device_id,request,sent_tries) values(" + id + ",5,0),(" +
                     id + ",300,0)");
    std::string longRow = server.db().Query("select max(id) from korvalen")[0][0];
    auto unit = MakeUnit(server.devicePort(), "356000000000521");
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));

    std::vector<ServerFrame> requests;
    auto deadline = std::chrono::steady_clock::now() + seconds(15);
    while (requests.size() < 2 && std::chrono::steady_clock::now() < deadline) {
        std::optional<std::string> line = unit->ReceiveLine(milliseconds(200));
        if (!line) continue;
        for (const ServerFrame& f : ParseServerLine(*line)) {
            if (f.id == kDownloadRequest || f.id == kDownloadRequestLong) requests.push_back(f);
        }
    }
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].id, kDownloadRequest);
    EXPECT_EQ(requests[0].length_byte, 1);
    EXPECT_EQ(requests[0].payload, std::string("\x05", 1));
    EXPECT_EQ(requests[1].id, kDownloadRequestLong);
    EXPECT_EQ(requests[1].length_byte, 6);
    std::optional<DownloadRequest> parsed = ParseDownloadRequest(requests[1]);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->row_id, std::stoul(longRow));
    EXPECT_EQ(parsed->code, 300u);
    ASSERT_TRUE(server.WaitUntilCount("KORV: Receive ack from ", 2));

    // A later request goes out alone: the acknowledged ones are never sent again.
    server.db().Exec("insert into korvalen(device_id,request,sent_tries) values(" + id + ",7,0)");
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
    std::vector<ServerFrame> later = Collect(*unit, kDownloadRequest, 1);
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].payload, std::string("\x07", 1));
    ASSERT_TRUE(server.WaitUntilCount("KORV: Receive ack from ", 3));
    // The rows are stamped just after the acknowledgements are logged.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return server.db().Query("select id from korvalen where sent_date is null").empty();
        },
        seconds(10)));
    auto rows = server.db().Query(
        "select request, sent_tries, sent_date is not null from korvalen order by id");
    EXPECT_EQ(rows, (std::vector<SqlRow>{{"5", "1", "1"}, {"300", "1", "1"}, {"7", "1", "1"}}));
    EXPECT_EQ(server.CountInLog("KORV: Send request "), 3u);
}

// Both senders wake when the unit identifies itself: the unit is answered
// first, then each sender's request goes out under its own claim and its
// acknowledgement updates its own row.
TEST(QueueDelivery, IdentificationIsAnsweredFirstAndEachQueueBooksItsOwnAnswer) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "3"}});
    std::string id = Register(server.db(), "356000000000541");
    server.db().Exec("insert into outbox(device_id,addr,msg,status,sent_tries) values(" + id +
                     ",'a','hello',0,0)");
    server.db().Exec("insert into korvalen(device_id,request,sent_tries) values(" + id + ",5,0)");
    auto unit = MakeUnit(server.devicePort(), "356000000000541");
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));

    std::vector<ServerFrame> all;
    Collect(*unit, kVehicleMessage, 1, milliseconds(15000), &all);
    Collect(*unit, kDownloadRequest, 1, milliseconds(15000), &all);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all[0].id, kServerAck) << "a request reached the unit before its answer";
    ASSERT_TRUE(server.WaitForLog("MSG: Receive ack from "));
    ASSERT_TRUE(server.WaitForLog("KORV: Receive ack from "));
    EXPECT_TRUE(WaitUntil(
        [&] {
            return !server.db().Query("select id from outbox where status=1").empty() &&
                   server.db().Query("select id from korvalen where sent_date is null").empty();
        },
        seconds(10)))
        << server.Log();
    EXPECT_EQ(server.CountInLog("MSG: Receive ack from "), 1u);
    EXPECT_EQ(server.CountInLog("KORV: Receive ack from "), 1u);
}

TEST(QueueDelivery, DatabaseOutageIsLoggedAndSurvived) {
    PrivateMariaDb database;
    ConfigValues values = database.Values();
    values["CMMD_TIMEOUT"] = "3";
    RunningServer server(values);
    auto unit = MakeUnit(server.devicePort(), "356000000000531");
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
    ASSERT_EQ(Collect(*unit, kServerAck, 1).size(), 1u);

    database.Stop();
    // The unit's next identification wakes the senders, which find no database.
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
    ASSERT_TRUE(server.WaitForLog(" writetodevices error\n"));
    ASSERT_TRUE(server.WaitForLog("MSG: ", seconds(15)));
    EXPECT_TRUE(server.process().Running());

    ASSERT_TRUE(database.Start());
    std::string id = database.QueryValue("select id from devices where sn='356000000000531'");
    ASSERT_TRUE(database.Exec("insert into outbox(device_id,addr,msg,status,sent_tries) values(" +
                              id + ",'Base','after the outage',0,0)"));
    // Identify until the server has its database back (stale pooled
    // connections fail once each and are closed).
    bool registered = false;
    std::vector<ServerFrame> received;
    for (int attempt = 0; attempt < 30 && !registered; ++attempt) {
        ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
        registered = !Collect(*unit, kServerAck, 1, milliseconds(1000), &received).empty();
    }
    ASSERT_TRUE(registered) << server.Log();
    // The message may come before the identification's acknowledgement.
    std::vector<ServerFrame> messages;
    for (const ServerFrame& frame : received) {
        if (frame.id == kVehicleMessage) messages.push_back(frame);
    }
    if (messages.empty()) messages = Collect(*unit, kVehicleMessage, 1);
    ASSERT_EQ(messages.size(), 1u) << server.Log();
    EXPECT_EQ(ParseVehicleMessage(messages[0])->text, "after the outage");
    ASSERT_TRUE(server.WaitForLog("MSG: Receive ack from "));
    EXPECT_TRUE(WaitUntil([&] { return database.QueryValue("select status from outbox") == "1"; },
                          seconds(10)));
}

}  // namespace
