// Units through the real server: simulated units on TCP and UDP identify
// themselves, report, send messages and go silent; every line must land in
// the database as sent and be answered as a unit expects.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <cstdio>
#include <thread>

#include "tests/support/running_server.h"
#include "tests/support/test_config.h"
#include "tools/unit_sim/sim_unit.h"

namespace {

using namespace unit_sim;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kUnitsMax = 2000;  // the server's unit table

Identity MakeIdentity(const std::string& serial, uint32_t version = 20401) {
    Identity id;
    id.serial = serial;
    id.description = "Truck " + serial.substr(serial.size() - 2);
    id.ccid = "8948000000000000001";
    id.vin = "WDB9634031L123456";
    id.vrn = "WX 12345";
    id.version = version;
    return id;
}

std::unique_ptr<SimUnit> Connect(RunningServer& server, const Identity& identity,
                                 Transport transport = Transport::kTcp, char terminator = '\n') {
    UnitConfig config;
    config.port = static_cast<uint16_t>(server.devicePort());
    config.transport = transport;
    config.terminator = terminator;
    config.identity = identity;
    auto unit = std::make_unique<SimUnit>(config);
    EXPECT_TRUE(unit->Connect());
    return unit;
}

// The next frame the server sends, or a frame with id 0 on time-out.
ServerFrame NextFrame(SimUnit& unit, milliseconds limit = milliseconds(5000)) {
    std::optional<std::string> line = unit.ReceiveLine(limit);
    if (!line) return ServerFrame{};
    std::vector<ServerFrame> frames = ParseServerLine(*line);
    return frames.empty() ? ServerFrame{} : frames[0];
}

Position SamplePosition() {
    Position p;
    p.fixstat = 1;
    p.satuse = 8;
    p.latitude = PackCoordinate(52, 12.34567);
    p.longitude = PackCoordinate(21, 0.5);
    p.kph = 54.5;
    p.cogt = 270.25;
    p.distance = 123456;
    p.time = 12345600;
    p.day = 7;
    p.month = 3;
    p.year = 2024;
    return p;
}

TEST(UnitSession, IdentificationIsRegisteredAndAnsweredWithTheServerTime) {
    RunningServer server;
    auto unit = Connect(server, MakeIdentity("356000000000001"));
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
    ServerFrame ack = NextFrame(*unit);
    ASSERT_EQ(ack.id, kServerAck);
    std::optional<uint32_t> time = AckServerTime(ack);
    ASSERT_TRUE(time.has_value());
    EXPECT_NEAR(static_cast<double>(*time), static_cast<double>(std::time(nullptr)), 5);

    auto devices = server.db().Query("select sn, dscr, ccid, vin, vrn, version from devices");
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0], (SqlRow{"356000000000001", "Truck 01", "8948000000000000001",
                                  "WDB9634031L123456", "WX 12345", "20401"}));
    auto events =
        server.db().Query("select event, sn, param1, param2 from statdata where event = 1");
    EXPECT_EQ(events, (std::vector<SqlRow>{{"1", "356000000000001", "0", "0"}}));
    std::vector<int> slots = server.SlotsOf("356000000000001");
    ASSERT_EQ(slots.size(), 1u);
    EXPECT_TRUE(
        server.WaitForLog(" D" + std::to_string(slots[0]) + ": 356000000000001 Truck 01\n"));
}

TEST(UnitSession, ReportedLinesAreStoredWithTheValuesSent) {
    RunningServer server;
    auto unit = Connect(server, MakeIdentity("356000000000002"));
    FmsSample sample{88.5, 1500, 123456.5, 40};
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame(), PositionFrame(SamplePosition()),
                                InputsFrame({5, 1, 4}), FmsFrame(0, 1, FmsBytes(sample))}));
    ServerFrame ack = NextFrame(*unit);
    ASSERT_EQ(ack.id, kServerAck);
    EXPECT_FALSE(AckServerTime(ack).has_value());  // a stored row asks for a plain acknowledgement

    // A later line with the inputs only still carries the earlier position.
    ASSERT_TRUE(unit->SendLine({InputsFrame({6, 0, 0})}));
    ASSERT_EQ(NextFrame(*unit).id, kServerAck);

    auto rows = server.db().Query(
        "select l.device_id = d.id, fixstat, satuse, latituded, latitudem, longituded, longitudem, "
        "kph, cogt, distance, gpsdatetime, rawdin, hidin, lodin, fmsconfig, fms_vehicle_speed, "
        "fms_engine_speed, fms_total_fuel_used, fms_fuel_level "
        "from locdata l join devices d order by l.id");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0],
              (SqlRow{"1", "1", "8", "52", "12.34567", "21", "0.5", "54.5", "270.25", "123456",
                      "2024-03-07 12:34:56", "5", "1", "4", "1", "88.5", "1500", "123456.5",
                      "40.000001"}));  // factor 0.4 as a single-precision number
    EXPECT_EQ(rows[1][3], "52");
    EXPECT_EQ(rows[1][11], "6");
    std::string newest = server.db().Query("select max(id) from locdata")[0][0];
    EXPECT_EQ(server.db().Query("select locdata_id from recentdata")[0][0], newest);
    // The line's entries may follow its acknowledgement by a moment.
    EXPECT_TRUE(server.WaitForLog(": -> 1:JgA=<>\n")) << server.Log();
    EXPECT_NE(server.Log().find("DecodeName(0,1) = fms_vehicle_speed\n"), std::string::npos);
}

TEST(UnitSession, LocationBeforeIdentificationIsRefused) {
    RunningServer server;
    auto unit = Connect(server, MakeIdentity("356000000000003"));
    ASSERT_TRUE(unit->SendLine({PositionFrame(SamplePosition())}));
    EXPECT_EQ(NextFrame(*unit).id, kServerNack);
    EXPECT_TRUE(server.db().Query("select id from locdata").empty());
    EXPECT_TRUE(server.db().Query("select id from devices").empty());
}

TEST(UnitSession, EachTerminatorIsEchoedInTheReply) {
    RunningServer server;
    const std::pair<char, const char*> families[] = {
        {'\n', "JgA=\n"}, {'.', "JgA=."}, {';', "JgA=;"}};
    int n = 0;
    for (const auto& [terminator, expected] : families) {
        auto unit = Connect(server, MakeIdentity("35600000000001" + std::to_string(n++), 0),
                            Transport::kTcp, terminator);
        ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
        std::optional<std::string> line = unit->ReceiveLine(milliseconds(5000));
        ASSERT_TRUE(line.has_value());
        EXPECT_EQ(*line, expected);
    }
    EXPECT_EQ(server.db().Query("select id from devices").size(), 3u);
}

TEST(UnitSession, UdpUnitIsKnownByItsHeaderAndAnsweredAtItsAddress) {
    RunningServer server;
    auto unit = Connect(server, MakeIdentity("356000000000021"), Transport::kUdp, ';');
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame(), PositionFrame(SamplePosition())}));
    ServerFrame ack = NextFrame(*unit);
    EXPECT_EQ(ack.id, kServerAck);
    ASSERT_TRUE(unit->SendLine({InputsFrame({1, 2, 3})}));
    EXPECT_EQ(NextFrame(*unit).id, kServerAck);
    EXPECT_EQ(server.db().Query("select id from locdata").size(), 2u);
    EXPECT_TRUE(server.WaitForLog("UDP: 356000000000021\n"));
    EXPECT_EQ(server.CountInLog("UDP: Connected 127.0.0.1:"), 1u);

    // A datagram too short for a header is dropped.
    ASSERT_TRUE(unit->SendRaw("AQID;"));
    EXPECT_TRUE(server.WaitForLog("UDP: unknown packet 127.0.0.1:"));
}

// The slot keeps 15 characters of a unit's identifier; a 16-digit one
// must still find its slot with every datagram.
TEST(UnitSession, UdpUnitWithASixteenDigitIdentifierKeepsOneSlot) {
    RunningServer server;
    auto unit = Connect(server, MakeIdentity("3560000000000221"), Transport::kUdp);
    for (int line = 0; line < 3; ++line) {
        ASSERT_TRUE(unit->SendLine(
            {line == 0 ? unit->IdentificationFrame() : PositionFrame(SamplePosition())}));
        EXPECT_EQ(NextFrame(*unit).id, kServerAck) << line;
    }
    EXPECT_EQ(server.CountInLog("UDP: Connected 127.0.0.1:"), 1u) << server.Log();
    EXPECT_EQ(server.db().Query("select id from locdata").size(), 2u);
}

TEST(UnitSession, TextMessageFromTheVehicleIsStored) {
    RunningServer server;
    auto unit = Connect(server, MakeIdentity("356000000000004"));
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
    ASSERT_EQ(NextFrame(*unit).id, kServerAck);
    ASSERT_TRUE(unit->SendLine({TextMessage("Dispatch", "It's late \\ sorry")}));
    ASSERT_EQ(NextFrame(*unit).id, kServerAck);
    auto rows = server.db().Query(
        "select i.device_id = d.id, addr, msg, status from inbox i join devices d");
    EXPECT_EQ(rows, (std::vector<SqlRow>{{"1", "Dispatch", "It's late \\ sorry", "2"}}));
}

// A statement that fails in the middle of a line ends that line: nothing
// after it is stored, the unit gets no answer (so it sends the line again),
// the database connection is closed, and the unit's next line is stored.
TEST(UnitSession, StatementFailingMidLineLeavesTheLineUnansweredAndTheNextStored) {
    RunningServer server;
    server.db().Exec(
        "create trigger refuse_fast before insert on locdata for each row begin "
        "if new.kph > 100 then signal sqlstate '45000' set message_text = 'refused'; end if; end");
    auto unit = Connect(server, MakeIdentity("356000000000010"));
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
    ASSERT_EQ(NextFrame(*unit).id, kServerAck);
    Position fast = SamplePosition();
    fast.kph = 123;
    ASSERT_TRUE(unit->SendLine({PositionFrame(fast), TextMessage("Dispatch", "lost")}));
    EXPECT_EQ(NextFrame(*unit, milliseconds(1500)).id, 0) << "a failed line was answered";
    EXPECT_TRUE(server.WaitForLog(" writetolocdata error\n"));
    EXPECT_TRUE(server.WaitForLog(": Disconnected\n"));  // the database connection's "S%d: " entry
    EXPECT_TRUE(server.db().Query("select id from inbox").empty());

    ASSERT_TRUE(unit->SendLine({PositionFrame(SamplePosition()), TextMessage("Dispatch", "kept")}));
    EXPECT_EQ(NextFrame(*unit).id, kServerAck);
    EXPECT_EQ(server.db().Query("select kph from locdata"), (std::vector<SqlRow>{{"54.5"}}));
    EXPECT_EQ(server.db().Query("select msg from inbox"), (std::vector<SqlRow>{{"kept"}}));
}

// A database that answers slowly gets more lines in flight than the few
// workers the server runs while it answers quickly, up to the pool: twenty
// units whose inserts each take seconds are all being stored at once, not
// a handful at a time.
TEST(UnitSession, ASlowDatabaseGetsMoreLinesInFlight) {
    constexpr size_t kUnits = 20;
    constexpr size_t kInFlight = 12;  // more than the server runs for a quick database here
    if (2 * std::thread::hardware_concurrency() >= kInFlight) {
        GTEST_SKIP() << "this machine runs that many workers anyway";
    }
    RunningServer server;
    std::vector<std::unique_ptr<SimUnit>> units;
    for (size_t i = 0; i < kUnits; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "3560000000007%02zu", i);
        units.push_back(Connect(server, MakeIdentity(serial)));
        ASSERT_TRUE(units.back()->SendLine({units.back()->IdentificationFrame()}));
        ASSERT_EQ(NextFrame(*units.back()).id, kServerAck);
    }
    server.db().Exec(
        "create trigger slow_store before insert on locdata for each row set @slept = sleep(6)");
    for (auto& unit : units) ASSERT_TRUE(unit->SendLine({PositionFrame(SamplePosition())}));
    // The trigger's sleep is what the processlist shows for a stored line.
    EXPECT_TRUE(server.WaitForRows(
        "select id from information_schema.processlist where db = database() and "
        "state = 'User sleep' and info like '%sleep(6)%'",
        kInFlight, seconds(15)));
    for (auto& unit : units) EXPECT_EQ(NextFrame(*unit, milliseconds(30000)).id, kServerAck);
    EXPECT_EQ(server.db().Query("select id from locdata").size(), kUnits);
}

TEST(UnitSession, QuotesAndBackslashesInTheIdentityAreStoredVerbatim) {
    RunningServer server;
    Identity id = MakeIdentity("356000000000005");
    id.description = "O'Hara \\ \"Co\"";
    auto unit = Connect(server, id);
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
    ASSERT_EQ(NextFrame(*unit).id, kServerAck);
    EXPECT_EQ(server.db().Query("select dscr from devices")[0][0], "O'Hara \\ \"Co\"");
    // The same unit again: found, not inserted twice.
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
    ASSERT_EQ(NextFrame(*unit).id, kServerAck);
    EXPECT_EQ(server.db().Query("select id from devices").size(), 1u);
}

TEST(UnitSession, SilentUnitsAreClosedHeldThenDeleted) {
    RunningServer server({{"RCV_TIMEOUT", "1"}, {"RCV_TIMEOUT2", "1"}, {"LOG_TIMEOUT", "1"}});
    auto anonymous = Connect(server, MakeIdentity("356000000000006"));
    auto known = Connect(server, MakeIdentity("356000000000007"));
    ASSERT_TRUE(known->SendLine({known->IdentificationFrame()}));
    ASSERT_EQ(NextFrame(*known).id, kServerAck);

    // Both connections are closed by the server after their silence.
    EXPECT_FALSE(anonymous->ReceiveLine(milliseconds(5000)).has_value());
    EXPECT_TRUE(anonymous->Closed());
    EXPECT_FALSE(known->ReceiveLine(milliseconds(5000)).has_value());
    EXPECT_TRUE(known->Closed());
    // Only the identified one left a held slot, which the sweep deletes.
    ASSERT_TRUE(server.WaitForLog(": Deleted\n"));
    std::string log = server.Log();
    EXPECT_EQ(server.CountInLog(": Deleted\n"), 1u) << log;
    int held = server.SlotsOf("356000000000007")[0];
    EXPECT_NE(log.find(" D" + std::to_string(held) + ": Deleted\n"), std::string::npos) << log;
    auto ends = server.db().Query(
        "select sn, param1 > 0, param2 > 0 from statdata where event = 2 "
        "and sn = '356000000000007'");
    EXPECT_EQ(ends, (std::vector<SqlRow>{{"356000000000007", "1", "1"}}));
}

// Before identification a connection may be silent RCV_TIMEOUT2 seconds,
// after it RCV_TIMEOUT seconds (counted from the identification line).
TEST(UnitSession, SilenceAllowanceBeforeAndAfterIdentification) {
    RunningServer server({{"RCV_TIMEOUT", "4"}, {"RCV_TIMEOUT2", "1"}});
    auto start = std::chrono::steady_clock::now();
    auto anonymous = Connect(server, MakeIdentity("356000000000008"));
    auto known = Connect(server, MakeIdentity("356000000000009"));
    ASSERT_TRUE(known->SendLine({known->IdentificationFrame()}));
    ASSERT_EQ(NextFrame(*known).id, kServerAck);
    auto identified = std::chrono::steady_clock::now();

    EXPECT_FALSE(anonymous->ReceiveLine(milliseconds(6000)).has_value());
    EXPECT_TRUE(anonymous->Closed());
    EXPECT_LT(std::chrono::steady_clock::now() - start, seconds(3));
    EXPECT_FALSE(known->ReceiveLine(milliseconds(8000)).has_value());
    EXPECT_TRUE(known->Closed());
    EXPECT_GE(std::chrono::steady_clock::now() - identified, seconds(3));
    EXPECT_TRUE(server.WaitForLog("Disconnected 127.0.0.1:"));
}

TEST(UnitSession, ReconnectingUnitTakesOverAndTheOldConnectionIsClosed) {
    RunningServer server;
    Identity id = MakeIdentity("356000000000008");
    auto first = Connect(server, id);
    ASSERT_TRUE(first->SendLine({first->IdentificationFrame()}));
    ASSERT_EQ(NextFrame(*first).id, kServerAck);
    auto second = Connect(server, id);
    ASSERT_TRUE(second->SendLine({second->IdentificationFrame()}));
    ASSERT_EQ(NextFrame(*second).id, kServerAck);
    std::vector<int> slots = server.SlotsOf(id.serial, 2);
    ASSERT_EQ(slots.size(), 2u);
    std::string older = std::to_string(slots[0]);
    std::string newer = std::to_string(slots[1]);
    EXPECT_TRUE(server.WaitForLog(" D" + newer + ": terminate=" + older + "\n"));
    EXPECT_FALSE(first->ReceiveLine(milliseconds(5000)).has_value());
    EXPECT_TRUE(first->Closed());
    EXPECT_TRUE(server.WaitForLog(" D" + older + ": Disconnected (terminate) 127.0.0.1:"));
    // The new connection goes on working.
    ASSERT_TRUE(second->SendLine({PositionFrame(SamplePosition())}));
    EXPECT_EQ(NextFrame(*second).id, kServerAck);
}

TEST(UnitSession, OverlongLineKeepsItsFirst1022Characters) {
    RunningServer server;
    auto unit = Connect(server, MakeIdentity("356000000000009"));
    std::string text(1500, 'A');
    ASSERT_TRUE(unit->SendRaw(text + "\n"));
    EXPECT_TRUE(server.WaitForLog(": <- " + std::string(1022, 'A') + "\n"));
    EXPECT_EQ(server.CountInLog(std::string(1023, 'A')), 0u);
}

}  // namespace

namespace {

TEST(UnitSession, SilentUdpUnitIsHeldAndItsNextDatagramTakesANewSlot) {
    RunningServer server(ConfigValues{{"RCV_TIMEOUT", "1"}});
    auto unit = Connect(server, MakeIdentity("356000000000022"), Transport::kUdp, '.');
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
    ASSERT_EQ(NextFrame(*unit).id, kServerAck);
    std::string held = std::to_string(server.SlotsOf("356000000000022")[0]);
    ASSERT_TRUE(server.WaitForLog(" D" + held + ": Disconnected (timeout) "));

    // The new slot knows the unit only by its header: it has to identify
    // itself again before its data is taken.
    ASSERT_TRUE(unit->SendLine({PositionFrame(SamplePosition())}));
    EXPECT_EQ(NextFrame(*unit).id, kServerNack);
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame(), PositionFrame(SamplePosition())}));
    EXPECT_EQ(NextFrame(*unit).id, kServerAck);
    EXPECT_EQ(server.db().Query("select id from locdata").size(), 1u);
    std::vector<int> slots = server.SlotsOf("356000000000022", 2);
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_NE(std::to_string(slots[1]), held);
    EXPECT_TRUE(server.WaitForLog(" D" + std::to_string(slots[1]) + ": terminate=" + held + "\n"));
    // The held slot is gone, so the sweep never deletes it.
    EXPECT_EQ(server.CountInLog(" D" + held + ": Deleted"), 0u);
}

TEST(UnitSession, ConnectionBeyondTheTableIsRefused) {
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < 4500 && files.rlim_max >= 4500) {
        files.rlim_cur = 4500;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    ASSERT_GE(files.rlim_cur, 4500u) << "needs 4500 open files (server and test share the limit)";
    RunningServer server(ConfigValues{{"RCV_TIMEOUT2", "60"}});
    std::vector<UniqueFd> connections;
    for (int i = 0; i < kUnitsMax + 1; ++i) {
        UniqueFd fd(socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(server.devicePort()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << i;
        connections.push_back(std::move(fd));
        // Keep the listener's backlog from filling: let it take this one first.
        if (i % 8 == 7) {
            ASSERT_TRUE(server.WaitForLog("-> D" + std::to_string(i) + "\n", seconds(30))) << i;
        }
    }
    ASSERT_TRUE(server.WaitForLog("TCP: Serwer overflow, reject: 127.0.0.1:", seconds(60)));
    EXPECT_EQ(server.CountInLog("TCP: Serwer overflow"), 1u);
    EXPECT_NE(server.Log().find(" -> D1999\n"), std::string::npos);
    // The refused connection is closed by the server.
    char byte;
    EXPECT_EQ(recv(connections.back().get(), &byte, 1, 0), 0);
}

}  // namespace

namespace {

TEST(UnitSession, TunnelRelaysTheFarEndBackToTheUnit) {
    RunningServer server;
    int farPort = FreePort();
    UniqueFd far = ListenOnLoopback(farPort, 1);

    auto unit = Connect(server, MakeIdentity("356000000000031"));
    ASSERT_TRUE(
        unit->SendLine({unit->IdentificationFrame(),
                        TunnelConnectFrame(true, {127, 0, 0, 1}, static_cast<uint16_t>(farPort))}));
    ASSERT_EQ(NextFrame(*unit).id, kServerAck);
    UniqueFd peer(accept(far.get(), nullptr, nullptr));
    ASSERT_TRUE(peer.valid());

    ASSERT_EQ(send(peer.get(), "hello", 5, 0), 5);
    // Forwarded in the next idle second; the unit acknowledges it with 37.
    ServerFrame data = NextFrame(*unit);
    ASSERT_EQ(data.id, kTunnelFromFarEnd);
    EXPECT_EQ(CountedData(data), "hello");
    EXPECT_TRUE(server.WaitForLog(": SocketReceive 68656C6C6F\n"));

    peer.Reset();
    ServerFrame closed = NextFrame(*unit);
    EXPECT_EQ(closed.id, kTunnelClosed);
    EXPECT_TRUE(server.WaitForLog(": SockClose\n"));
}

TEST(UnitSession, TunnelFromAUdpUnitIsRefused) {
    RunningServer server;
    auto unit = Connect(server, MakeIdentity("356000000000032"), Transport::kUdp);
    ASSERT_TRUE(unit->SendLine({unit->IdentificationFrame()}));
    ASSERT_EQ(NextFrame(*unit).id, kServerAck);
    ASSERT_TRUE(unit->SendLine({TunnelConnectFrame(true, {127, 0, 0, 1}, 9)}));
    EXPECT_EQ(NextFrame(*unit).id, kServerNack);
    EXPECT_TRUE(server.WaitForLog(": SocketConnect ERROR\n"));
}

}  // namespace
