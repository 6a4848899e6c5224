// The real VimkoDecoder binary: its start-up echo, configuration failures,
// the status display and stopping; and end to end behind the real server fed
// by a simulated unit, following locdata as the rows arrive.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_config.h"
#include "tests/support/test_db.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

ConfigValues DecoderValues(const TestDatabase& db, const std::string& log) {
    ConfigValues values = DatabaseValues(db);
    values["LOG_FILE"] = log;
    return values;
}

ServerProcess::Options Decoder(const TempDir& dir, std::vector<std::string> args,
                               bool terminal = false) {
    return {dir.path(), std::move(args), terminal, "VimkoDecoder"};
}

TEST(DecoderProgram, EchoesItsConfigurationWorksAndEndsWithZeroOnSigterm) {
    TempDir dir;
    TestDatabase db;
    WriteFile(dir.File("dec.cfg"),
              SampleFileWith("VimkoDecoder.cfg", DecoderValues(db, "dec.log")));
    ServerProcess decoder(Decoder(dir, {"dec.cfg"}));
    // The first tick writes the time entry, then connects and works.
    ASSERT_TRUE(WaitUntil(
        [&] {
            return ReadFile(dir.File("dec.log")).find("ConnectToDatabase") != std::string::npos;
        },
        seconds(10)));

    ServerConfig config;
    db.Configure(config);
    std::string log = ReadFile(dir.File("dec.log"));
    const std::string echo =
        "+00000 Uruchomienie programu\n"
        "+00000 LOG_FILE=dec.log\n"
        "+00000 SQL_DATABASE=" +
        db.name() +
        "\n"
        "+00000 SQL_HOST=" +
        config.sqlHost +
        "\n"
        "+00000 SQL_USER=" +
        config.sqlUser +
        "\n"
        "+00000 SQL_PASSWD=***\n"
        "+00000 SQL_PORT=" +
        std::to_string(config.sqlPort) +
        "\n"
        "+00000 SQL_REQUESTS=100\n"
        "+00000 DECODE1=fms_vehicle_speed,1,1,1,0,2,0,16,1,0.000000,0.003906,"
        "1,0,0.000000,250.000000,0.000000\n";
    EXPECT_EQ(log.substr(0, echo.size()), echo) << log;
    EXPECT_NE(log.find("+00000 DECODE4=fms_fuel_level,"), std::string::npos) << log;
    EXPECT_EQ(log.find("FMS_ITEMS"), std::string::npos);
    EXPECT_EQ(log.find("DECODE5"), std::string::npos);
    // The time entry follows the echo: "+00000 hh:mm:ss yyyy-mm-dd".
    size_t time = log.find('\n', log.find("DECODE4=")) + 1;
    ASSERT_LT(time + 26, log.size()) << log;
    std::string entry = log.substr(time, 27);
    EXPECT_EQ(entry.substr(0, 7), "+00000 ") << entry;
    for (size_t at : {9u, 12u}) EXPECT_EQ(entry[at], ':') << entry;
    for (size_t at : {20u, 23u}) EXPECT_EQ(entry[at], '-') << entry;
    EXPECT_EQ(entry[26], '\n') << entry;
    EXPECT_NE(log.find("+00000 ConnectToDatabase\n"), std::string::npos);

    // An empty table is no failure.
    EXPECT_EQ(log.find("DisconnectFromDatabase"), std::string::npos) << log;

    decoder.Signal(SIGTERM);
    EXPECT_EQ(decoder.Wait(seconds(10)), 0);
    EXPECT_EQ(decoder.Stdout(), "");
    EXPECT_EQ(decoder.Stderr(), "");
}

TEST(DecoderProgram, ConfigurationFailuresEndWithCodeOneAndLogNothing) {
    TempDir dir;
    {
        ServerProcess decoder(Decoder(dir, {}));
        EXPECT_EQ(decoder.Wait(seconds(10)), 1);
        EXPECT_EQ(decoder.Stderr(), "Error in config file (VimkoDecoder.cfg)\n");
    }
    {
        ServerProcess decoder(Decoder(dir, {"missing.cfg"}));
        EXPECT_EQ(decoder.Wait(seconds(10)), 1);
        EXPECT_EQ(decoder.Stderr(), "Error in config file\n");
    }
    {
        // One rule fewer than FMS_ITEMS says.
        WriteFile(
            dir.File("VimkoDecoder.cfg"),
            SampleFileWith("VimkoDecoder.cfg", {{"LOG_FILE", "short.log"}, {"FMS_ITEMS", "5"}}));
        ServerProcess decoder(Decoder(dir, {}));
        EXPECT_EQ(decoder.Wait(seconds(10)), 1);
        EXPECT_EQ(decoder.Stderr(), "Error in config file (VimkoDecoder.cfg)\n");
        EXPECT_FALSE(FileExists(dir.File("short.log")));
    }
}

TEST(DecoderProgram, TerminalShowsTheFiveValuesAndSigintEndsWithZero) {
    TempDir dir;
    TestDatabase db;
    db.Exec("update decoder set record_no=4711");
    WriteFile(dir.File("VimkoDecoder.cfg"),
              SampleFileWith("VimkoDecoder.cfg", DecoderValues(db, "dec.log")));
    ServerProcess decoder(Decoder(dir, {}, true));
    std::string screen = decoder.ReadTerminalUntil("Actual record id:          4711", seconds(10));
    EXPECT_EQ(screen.rfind("VimkoDecoder ver. 2.002.208\r\n", 0), 0u) << screen;
    for (const char* label : {"Current date:", "Current time:", "Dedected devices           0",
                              "Total processing records:  0"}) {
        EXPECT_NE(screen.find(label), std::string::npos) << label << "\n" << screen;
    }
    decoder.Signal(SIGINT);
    EXPECT_EQ(decoder.Wait(seconds(10)), 0);
}

// ---------------------------------------------------------------------------
// End to end: server, simulated unit, decoder.

// The sample decoder rules of FMS configuration 1 (etc/VimkoDecoder.cfg):
// speed bytes 0-1 / 256 in 0..250 (else 0, kept); engine speed bytes 2-3
// / 8 in 0..8000 (else 0, kept); total fuel bytes 4-7 / 2, rising by at
// most 100 per row, three rows held back; fuel level byte 8 * 0.4.
struct Step {
    const char* fms;  // the 20 bytes the unit sends
    double speed, rpm, fuel, level;
};

const Step kSteps[] = {
    // 80 km/h, 1500 rpm, 1234.5 l, 50 %: all plausible
    {"0050e02ea50900007dffffffffffffffffffffff", 80, 1500, 1234.5, 50},
    // 251 km/h is out of range: 0; fuel jumps by 500 l: held back
    {"00fb803e8d0d00007dffffffffffffffffffffff", 0, 2000, 1234.5, 50},
    // nothing available: the kept values; the fuel jump held back again
    {"ffffffff8d0d0000ffffffffffffffffffffffff", 0, 2000, 1234.5, 50},
    // back to plausible values
    {"005ae02ea60900007dffffffffffffffffffffff", 90, 1500, 1235, 50},
};

// The server's sample configuration without its decode rules, so the FMS
// columns stay empty until the decoder fills them.
std::string ServerConfigWithoutRules(const ConfigValues& values) {
    std::istringstream in(SampleConfigWith(values));
    std::string out;
    std::string line;
    for (int i = 0; i < 19 && std::getline(in, line); ++i) out += line + "\n";
    return out;
}

TEST(DecoderProgram, FollowsTheServersRowsWithinASecondAndWritesWhatTheRulesSay) {
    TempDir dir;
    TestDatabase db;
    ConfigValues serverValues = ServerValues(db, "srv.log");
    WriteFile(dir.File("VimkoSrv.cfg"), ServerConfigWithoutRules(serverValues));
    ServerProcess server({dir.path(), {}});
    ASSERT_TRUE(
        WaitUntil([&] { return !db.Query("select id from statdata").empty(); }, seconds(20)))
        << server.Stderr();

    WriteFile(dir.File("VimkoDecoder.cfg"),
              SampleFileWith("VimkoDecoder.cfg", DecoderValues(db, "dec.log")));
    ServerProcess decoder(Decoder(dir, {}));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return ReadFile(dir.File("dec.log")).find("ConnectToDatabase") != std::string::npos;
        },
        seconds(10)));

    std::string route;
    for (const Step& step : kSteps)
        route += std::string("52.2297 21.0122 40 0 1 fms=") + step.fms + "\n";
    WriteFile(dir.File("route.txt"), route);
    ServerProcess unit({dir.path(),
                        {"--port", serverValues["DEVICE_PORT"], "--route", "route.txt", "--lines",
                         std::to_string(std::size(kSteps)), "--interval-ms", "1300", "--quiet"},
                        false,
                        "vimko-unit"});

    // When each row appeared and when the decoder had written it.
    std::map<std::string, Clock::time_point> stored;
    std::map<std::string, Clock::time_point> decoded;
    bool done = WaitUntil(
        [&] {
            auto rows = db.Query("select id, fms_engine_speed is not null from locdata");
            Clock::time_point now = Clock::now();
            for (const SqlRow& row : rows) {
                stored.emplace(row[0], now);
                if (row[1] == "1") decoded.emplace(row[0], now);
            }
            return decoded.size() == std::size(kSteps);
        },
        seconds(30));
    ASSERT_TRUE(done) << ReadFile(dir.File("dec.log"));
    EXPECT_EQ(unit.Wait(seconds(20)), 0) << unit.Stdout();

    milliseconds slowest{0};
    for (const auto& [id, at] : decoded) {
        auto latency = std::chrono::duration_cast<milliseconds>(at - stored.at(id));
        slowest = std::max(slowest, latency);
        // The next tick after the row takes it: at most a second, plus the
        // step and this poll, with room for a machine busy with other tests.
        EXPECT_LE(latency.count(), 1500) << "row " << id;
    }
    std::printf("slowest row decoded %lld ms after it was stored\n",
                static_cast<long long>(slowest.count()));

    auto rows = db.Query(
        "select fms_vehicle_speed, fms_engine_speed, fms_total_fuel_used, fms_fuel_level, "
        "fmsdata from locdata order by id");
    ASSERT_EQ(rows.size(), std::size(kSteps));
    for (size_t i = 0; i < rows.size(); ++i) {
        const Step& step = kSteps[i];
        EXPECT_NEAR(std::stod(rows[i][0]), step.speed, 1e-6) << "row " << i;
        EXPECT_EQ(rows[i][1], std::to_string(static_cast<long long>(step.rpm))) << "row " << i;
        EXPECT_NEAR(std::stod(rows[i][2]), step.fuel, 1e-6) << "row " << i;
        EXPECT_NEAR(std::stod(rows[i][3]), step.level, 1e-5) << "row " << i;
    }
    std::string log = ReadFile(dir.File("dec.log"));
    EXPECT_EQ(log.find("DisconnectFromDatabase"), std::string::npos) << log;
    EXPECT_NE(log.find("Adding new device: "), std::string::npos) << log;
    EXPECT_EQ(db.Query("select record_no from decoder")[0][0],
              std::to_string(std::stoull(db.Query("select max(id) from locdata")[0][0]) + 1));

    decoder.Signal(SIGTERM);
    EXPECT_EQ(decoder.Wait(seconds(10)), 0);
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(seconds(10)), 0);
}

}  // namespace
