// A small mixed fleet from the vimko-unit program against the real server:
// TCP and UDP units of every protocol family report on a timer, and every
// line they sent must be in locdata, logged on arrival and answered.

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/running_server.h"

namespace {

using std::chrono::seconds;

struct FleetPart {
    const char* serial;
    std::vector<std::string> options;
};

// "lines_sent=40 acks=40 ..." -> the value of `key`.
long SummaryValue(const std::string& output, const std::string& key) {
    size_t at = output.find(" " + key + "=");
    if (at == std::string::npos) return -1;
    return std::stol(output.substr(at + key.size() + 2));
}

TEST(MixedFleet, TenUnitsOfEveryFamilyReportAndEveryLineIsStored) {
    RunningServer server;
    constexpr int kLines = 6;
    const FleetPart parts[] = {
        {"356000000000100", {"--terminator", "lf"}},
        {"356000000000200", {"--terminator", "dot"}},
        {"356000000000300", {"--terminator", "semicolon"}},
        {"356000000000400", {"--udp", "--terminator", "lf"}},
        {"356000000000500", {"--udp", "--terminator", "semicolon", "--pico"}},
    };
    std::vector<std::unique_ptr<ServerProcess>> fleet;
    for (const FleetPart& part : parts) {
        std::vector<std::string> args = {"--port",        std::to_string(server.devicePort()),
                                         "--serial",      part.serial,
                                         "--count",       "2",
                                         "--lines",       std::to_string(kLines),
                                         "--interval-ms", "300",
                                         "--quiet"};
        args.insert(args.end(), part.options.begin(), part.options.end());
        fleet.push_back(std::make_unique<ServerProcess>(
            ServerProcess::Options{server.dir().path(), args, false, "vimko-unit"}));
    }
    long sent = 0;
    long acks = 0;
    for (auto& process : fleet) {
        ASSERT_EQ(process->Wait(seconds(60)), 0) << process->Stderr() << process->Stdout();
        std::string out = process->Stdout();
        EXPECT_EQ(SummaryValue(out, "nacks"), 0) << out;
        EXPECT_EQ(SummaryValue(out, "unanswered"), 0) << out;
        sent += SummaryValue(out, "lines_sent");
        acks += SummaryValue(out, "acks");
    }
    // Each unit: one identification line, then its location lines.
    EXPECT_EQ(sent, 10 * (kLines + 1));
    EXPECT_EQ(acks, sent);

    auto perUnit = server.db().Query(
        "select d.sn, count(l.id), min(l.latituded), max(l.latituded) from devices d "
        "left join locdata l on l.device_id = d.id group by d.sn order by d.sn");
    ASSERT_EQ(perUnit.size(), 10u);
    for (const SqlRow& row : perUnit) {
        EXPECT_EQ(row[1], std::to_string(kLines)) << row[0];
        EXPECT_EQ(row[2], "52") << row[0];  // the default route circles around 52.23 N
        EXPECT_EQ(row[3], "52") << row[0];
    }
    EXPECT_EQ(server.db().Query("select device_id from recentdata").size(), 10u);
    // TCP lines log as "D5: <- ...", datagrams as "UDP: a.b.c.d:p <- ...";
    // a busy server writes the last lines' entries a moment after their
    // acknowledgements.
    EXPECT_TRUE(server.WaitUntilCount(": -> 1:", static_cast<size_t>(acks)));
    EXPECT_EQ(server.CountInLog(" <- "), static_cast<size_t>(sent));
    EXPECT_EQ(server.CountInLog(": -> 1:"), static_cast<size_t>(acks));
    EXPECT_EQ(server.CountInLog(": -> 0:"), 0u);
}

}  // namespace
