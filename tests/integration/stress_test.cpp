// A full fleet against the real server: connection storms of 2000 units,
// a table full of held slots, a descriptor limit of 1024 to start from,
// and connections pouring junk. Loopback only; every run is bounded in
// units, lines and time and stops by itself. Built in the normal build
// only: under the sanitizers 2000 unit threads are too slow to mean much.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <atomic>
#include <fstream>
#include <random>
#include <thread>

#include "common/unique_fd.h"
#include "tests/support/running_server.h"
#include "tools/unit_sim/fleet.h"
#include "tools/unit_sim/route.h"
#include "tools/unit_sim/sim_unit.h"
#include "tools/unit_sim/unit_frames.h"

namespace {

using namespace unit_sim;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kFleet = 2000;

// The test process holds a socket per unit: its own soft limit goes up to
// the hard one. False when even that is too small for `units`.
bool RoomForUnits(int units) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    return limit.rlim_cur >= static_cast<rlim_t>(units) + 200;
}

FleetOptions Fleet(int port, int count, const std::string& firstSerial) {
    FleetOptions options;
    options.unit.port = static_cast<uint16_t>(port);
    options.unit.identity.serial = firstSerial;
    options.unit.identity.description = "Storm";
    options.count = count;
    options.closed_loop = true;
    options.lines = 1;
    // Everything must be answered within 10 s of being sent.
    options.ack_timeout = seconds(10);
    options.connect_timeout = seconds(10);
    return options;
}

FleetSummary RunStormFleet(const FleetOptions& options) {
    std::vector<RouteStep> steps = CircleRoute(52.2297, 21.0122, 500, 20, 40);
    std::vector<RoutePlayer> players;
    for (int i = 0; i < options.count; ++i) players.emplace_back(steps, static_cast<size_t>(i));
    LineSource source = [&](int index) {
        return players[static_cast<size_t>(index)].NextFrames(UtcNow());
    };
    std::atomic<bool> stop{false};
    return RunFleet(options, source, nullptr, stop);
}

void ExpectAllServed(const FleetSummary& s, int units) {
    EXPECT_EQ(s.connected, units);
    EXPECT_TRUE(s.failed.empty()) << s.failed.size() << " could not connect, first "
                                  << (s.failed.empty() ? "" : s.failed[0]);
    EXPECT_EQ(s.closed_by_server, 0);
    EXPECT_EQ(s.unanswered, 0u);
    EXPECT_EQ(s.nacks, 0u);
    EXPECT_EQ(s.acks, 2u * static_cast<uint64_t>(units));  // identification and one location
}

// CPU seconds the process has used so far.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

TEST(Stress, FifteenHundredUnitsOnAServerStartedWithTheUsualFileLimit) {
    if (!RoomForUnits(1500)) GTEST_SKIP() << "the hard limit of open files is too small";
    RunningServer server(ConfigValues{}, 1024);
    FleetSummary s = RunStormFleet(Fleet(server.devicePort(), 1500, "352000000000001"));
    ExpectAllServed(s, 1500);
    EXPECT_EQ(server.CountInLog("TCP: Serwer overflow"), 0u);
}

TEST(Stress, TwoThousandUnitsConnectingAtOnce) {
    if (!RoomForUnits(kFleet)) GTEST_SKIP() << "the hard limit of open files is too small";
    RunningServer server;
    FleetSummary s = RunStormFleet(Fleet(server.devicePort(), kFleet, "353000000000001"));
    ExpectAllServed(s, kFleet);
    EXPECT_TRUE(server.WaitForRows("select id from locdata", kFleet, seconds(20)));
}

// The whole fleet drops at once (every slot held, LOG_TIMEOUT an hour) and
// comes back at once: the returning units take the held slots over.
TEST(Stress, TwoThousandUnitsReconnectingToATableOfHeldSlots) {
    if (!RoomForUnits(kFleet)) GTEST_SKIP() << "the hard limit of open files is too small";
    RunningServer server(ConfigValues{{"LOG_TIMEOUT", "3600"}});
    ExpectAllServed(RunStormFleet(Fleet(server.devicePort(), kFleet, "354000000000001")), kFleet);
    // The probe connection of the start-up plus the whole fleet.
    ASSERT_TRUE(server.WaitUntilCount(": Disconnected 127.0.0.1:", kFleet + 1, seconds(30)));
    // A connection's end event is written after its slot is held.
    ASSERT_TRUE(
        server.WaitForRows("select id from statdata where event = 2", kFleet + 1, seconds(60)));
    FleetSummary again = RunStormFleet(Fleet(server.devicePort(), kFleet, "354000000000001"));
    ExpectAllServed(again, kFleet);
    EXPECT_EQ(server.CountInLog("TCP: Serwer overflow"), 0u);
}

// Thirty units ask for tunnels to a host that never answers (its accept
// queue is full, so a connect to it hangs): each is refused after
// SND_TIMEOUT, and meanwhile another unit is served within a second.
TEST(Stress, TunnelsToASilentHostLeaveTheFleetServed) {
    RunningServer server(ConfigValues{{"SND_TIMEOUT", "3"}});
    int farPort = FreePort();
    UniqueFd far(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(farPort));
    ASSERT_EQ(bind(far.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(far.get(), 0), 0);
    // Fill the accept queue; later connects get no answer to their SYN.
    std::vector<UniqueFd> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.emplace_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        connect(fillers.back().get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }

    constexpr int kTunnels = 30;
    std::vector<std::unique_ptr<SimUnit>> tunnels;
    for (int i = 0; i < kTunnels; ++i) {
        UnitConfig config;
        config.port = static_cast<uint16_t>(server.devicePort());
        config.identity.serial = NthSerial("357000000000001", i);
        tunnels.push_back(std::make_unique<SimUnit>(config));
        ASSERT_TRUE(tunnels.back()->Connect());
        ASSERT_TRUE(tunnels.back()->SendLine({tunnels.back()->IdentificationFrame()}));
        ASSERT_TRUE(tunnels.back()->ReceiveLine(seconds(5)).has_value());
        ASSERT_TRUE(tunnels.back()->SendLine(
            {TunnelConnectFrame(true, {127, 0, 0, 1}, static_cast<uint16_t>(farPort))}));
    }
    FleetOptions real = Fleet(server.devicePort(), 1, "357100000000001");
    real.lines = 10;
    real.closed_loop = false;
    real.interval = milliseconds(300);
    real.ack_timeout = seconds(1);
    FleetSummary s = RunStormFleet(real);
    EXPECT_EQ(s.unanswered, 0u);
    EXPECT_EQ(s.acks, 11u);
    for (auto& unit : tunnels) {
        std::optional<std::string> answer = unit->ReceiveLine(seconds(10));
        ASSERT_TRUE(answer.has_value());
        std::vector<ServerFrame> frames = ParseServerLine(*answer);
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames[0].id, kServerNack);
    }
    EXPECT_EQ(server.CountInLog(": SocketConnect ERROR\n"), static_cast<size_t>(kTunnels));
    EXPECT_EQ(server.CountInLog("SQL: Serwer overflow"), 0u);
}

// Connections pouring random bytes are handled by the line rules while a
// real unit goes on being served, and the server is idle again afterwards.
TEST(Stress, JunkFloodLeavesARealUnitServedAndTheServerIdleAfterwards) {
    RunningServer server(ConfigValues{{"RCV_TIMEOUT2", "5"}});
    constexpr int kFlooders = 16;
    std::atomic<bool> stop{false};
    std::vector<std::thread> flooders;
    for (int f = 0; f < kFlooders; ++f) {
        flooders.emplace_back([&, f] {
            std::mt19937 random(static_cast<unsigned>(f));
            auto deadline = std::chrono::steady_clock::now() + seconds(6);
            while (!stop && std::chrono::steady_clock::now() < deadline) {
                UnitConfig config;
                config.port = static_cast<uint16_t>(server.devicePort());
                SimUnit junk(config);
                if (!junk.Connect()) continue;
                for (int burst = 0; burst < 50 && !junk.Closed(); ++burst) {
                    std::string bytes(4096, '\0');
                    for (char& c : bytes) c = static_cast<char>(random());
                    junk.SendRaw(bytes);
                    junk.ReceiveLine(milliseconds(5));
                }
            }
        });
    }
    FleetOptions real = Fleet(server.devicePort(), 1, "355000000000001");
    real.lines = 20;
    real.closed_loop = false;
    real.interval = milliseconds(200);
    real.ack_timeout = seconds(5);
    FleetSummary s = RunStormFleet(real);
    stop = true;
    for (std::thread& t : flooders) t.join();
    EXPECT_EQ(s.unanswered, 0u);
    EXPECT_EQ(s.acks, 21u);

    // Once the junk connections are gone, the server uses (almost) no CPU.
    auto ended = [&] {
        return server.CountInLog(": Disconnected 127.0.0.1:") +
               server.CountInLog(": Disconnected (terminate) 127.0.0.1:");
    };
    ASSERT_TRUE(
        WaitUntil([&] { return server.CountInLog("TCP: Connected") == ended(); }, seconds(20)))
        << server.CountInLog("TCP: Connected") << " connected, " << ended() << " ended";
    double before = CpuSeconds(server.process().pid());
    std::this_thread::sleep_for(seconds(2));
    EXPECT_LT(CpuSeconds(server.process().pid()) - before, 0.2);
}

}  // namespace
