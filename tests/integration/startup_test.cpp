// The real VimkoSrv binary against a real database: start-up, its log, the
// start event, start-up failures, the status display and stopping.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>

#include "common/unique_fd.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_config.h"
#include "tests/support/test_db.h"

namespace {

using std::chrono::seconds;

ConfigValues WithLog(const TestDatabase& db, const std::string& log) {
    return ServerValues(db, log);
}

// A socket of `type` bound to `port` on every address (TCP ones listening),
// so the server cannot have it.
UniqueFd Occupy(int type, int port) {
    UniqueFd fd(socket(AF_INET, type, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    EXPECT_EQ(bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    if (type == SOCK_STREAM) {
        EXPECT_EQ(listen(fd.get(), 1), 0);
    }
    return fd;
}

bool StartEventStored(TestDatabase& db) {
    return !db.Query("select id from statdata where event = 0").empty();
}

TEST(Startup, LogsTheEchoRecordsTheStartAndEndsCleanlyOnSigterm) {
    TempDir dir;
    TestDatabase db;
    WriteFile(dir.File("srv.cfg"), SampleConfigWith(WithLog(db, "srv.log")));
    ServerProcess server({dir.path(), {"srv.cfg"}});
    ASSERT_TRUE(WaitUntil([&] { return StartEventStored(db); }, seconds(20)));

    std::string log = ReadFile(dir.File("srv.log"));
    ServerConfig config;
    db.Configure(config);
    const std::string head = "000000 Uruchomienie programu\n000000 DEVICE_PORT=";
    EXPECT_NE(log.find("000000 LOG_FILE=srv.log\n000000 SQL_DATABASE=" + db.name() + "\n"),
              std::string::npos);
    EXPECT_EQ(log.substr(0, head.size()), head);
    EXPECT_NE(log.find("000000 SQL_PASSWD=***\n"), std::string::npos);
    EXPECT_NE(log.find("000000 TELNET_PASSWD=***\n"), std::string::npos);
    EXPECT_NE(log.find("000000 DECODE1=fms_vehicle_speed,1,1,1,0,2,0,16,0.000000,0.003906\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("000000 DECODE4="), std::string::npos);
    EXPECT_NE(log.find(" S0: Connected\n"), std::string::npos);

    auto rows = db.Query("select event, sn, param1, param2 from statdata");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (SqlRow{"0", "NULL", "NULL", "NULL"}));

    std::string before = ReadFile(dir.File("srv.log"));
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(seconds(10)), 0);
    // Nothing is logged at the end, and nothing goes to standard output
    // when it is not a terminal.
    EXPECT_EQ(ReadFile(dir.File("srv.log")), before);
    EXPECT_EQ(server.Stdout(), "");
    EXPECT_EQ(server.Stderr(), "");
}

TEST(Startup, EntriesAfterTheFirstTickCarryTheTimeOfDay) {
    TempDir dir;
    TestDatabase db;
    ConfigValues values = WithLog(db, "srv.log");
    values["SQL_TIMEOUT"] = "0";  // the start event's connection closes a tick later
    WriteFile(dir.File("srv.cfg"), SampleConfigWith(values));
    ServerProcess server({dir.path(), {"srv.cfg"}});
    ASSERT_TRUE(WaitUntil(
        [&] { return ReadFile(dir.File("srv.log")).find("S0: Disconnected") != std::string::npos; },
        seconds(20)));
    std::string log = ReadFile(dir.File("srv.log"));
    size_t at = log.find("S0: Disconnected");
    ASSERT_GE(at, 7u);
    std::string prefix = log.substr(at - 7, 7);
    EXPECT_NE(prefix, "000000 ") << log;
    EXPECT_EQ(prefix.find_first_not_of("0123456789"), 6u) << prefix;
    server.Signal(SIGINT);
    EXPECT_EQ(server.Wait(seconds(10)), 0);
}

TEST(Startup, DefaultConfigComesFromTheWorkingDirectory) {
    TempDir dir;
    TestDatabase db;
    WriteFile(dir.File("VimkoSrv.cfg"), SampleConfigWith(WithLog(db, "default.log")));
    ServerProcess server({dir.path(), {}});
    ASSERT_TRUE(WaitUntil([&] { return StartEventStored(db); }, seconds(20)));
    EXPECT_EQ(ReadFile(dir.File("default.log")).rfind("000000 Uruchomienie programu\n", 0), 0u);
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(seconds(10)), 0);
}

TEST(Startup, CommandLineWithBlanksIsOnePath) {
    TempDir dir;
    TestDatabase db;
    WriteFile(dir.File("my  fleet.cfg"), SampleConfigWith(WithLog(db, "fleet.log")));
    // Two arguments are joined with one blank: "my" + " " + " fleet.cfg".
    ServerProcess server({dir.path(), {"my", " fleet.cfg"}});
    ASSERT_TRUE(WaitUntil([&] { return StartEventStored(db); }, seconds(20)));
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(seconds(10)), 0);
}

TEST(Startup, ConfigurationFailuresEndWithCodeOneAndLogNothing) {
    TempDir dir;
    {
        ServerProcess server({dir.path(), {}});
        EXPECT_EQ(server.Wait(seconds(10)), 1);
        EXPECT_EQ(server.Stderr(), "Error in config file (VimkoSrv.cfg)\n");
    }
    {
        ServerProcess server({dir.path(), {"missing.cfg"}});
        EXPECT_EQ(server.Wait(seconds(10)), 1);
        EXPECT_EQ(server.Stderr(), "Error in config file\n");
    }
    {
        // A valid file but for one blank line after the last rule.
        WriteFile(dir.File("blank.cfg"),
                  SampleConfigWith({{"LOG_FILE", "blank.log"},
                                    {"DEVICE_PORT", std::to_string(FreePort())},
                                    {"TELNET_PORT", std::to_string(FreePort())}}) +
                      "\n");
        ServerProcess server({dir.path(), {"blank.cfg"}});
        EXPECT_EQ(server.Wait(seconds(10)), 1);
        EXPECT_EQ(server.Stderr(), "Error in config file\n");
        EXPECT_FALSE(FileExists(dir.File("blank.log")));
    }
}

TEST(Startup, UnusableLogPathStillStarts) {
    TempDir dir;
    TestDatabase db;
    WriteFile(dir.File("srv.cfg"), SampleConfigWith(WithLog(db, "no/such/dir/srv.log")));
    ServerProcess server({dir.path(), {"srv.cfg"}});
    ASSERT_TRUE(WaitUntil([&] { return StartEventStored(db); }, seconds(20)));
    EXPECT_TRUE(server.Running());
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(seconds(10)), 0);
}

TEST(Startup, UnreachableDatabaseIsLoggedAndTheServerRuns) {
    TempDir dir;
    ConfigValues values{{"LOG_FILE", "srv.log"},
                        {"SQL_HOST", "127.0.0.1"},
                        {"SQL_PORT", "1"},
                        {"DEVICE_PORT", std::to_string(FreePort())},
                        {"TELNET_PORT", std::to_string(FreePort())}};
    WriteFile(dir.File("srv.cfg"), SampleConfigWith(values));
    ServerProcess server({dir.path(), {"srv.cfg"}});
    ASSERT_TRUE(WaitUntil(
        [&] {
            return ReadFile(dir.File("srv.log")).find("D-1: SQL status overflow 0 -1 -1\n") !=
                   std::string::npos;
        },
        seconds(20)));
    EXPECT_TRUE(server.Running());
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(seconds(10)), 0);
}

// A port that another program holds ends the server at start-up with the
// listener's bind error, on standard error and in the log.
TEST(Startup, PortAlreadyInUseEndsTheServerWithItsBindError) {
    struct Case {
        const char* key;
        int type;
        const char* error;
    };
    const Case cases[] = {{"DEVICE_PORT", SOCK_STREAM, "Bind error #1"},
                          {"TELNET_PORT", SOCK_STREAM, "Bind error #2"},
                          {"DEVICE_PORT", SOCK_DGRAM, "Bind error #3"}};
    TestDatabase db;
    for (const Case& c : cases) {
        TempDir dir;
        ConfigValues values = WithLog(db, "srv.log");
        UniqueFd taken = Occupy(c.type, std::stoi(values[c.key]));
        WriteFile(dir.File("srv.cfg"), SampleConfigWith(values));
        ServerProcess server({dir.path(), {"srv.cfg"}});
        EXPECT_EQ(server.Wait(seconds(20)), 1) << c.error;
        EXPECT_EQ(server.Stderr(), std::string(c.error) + "\n");
        EXPECT_NE(ReadFile(dir.File("srv.log")).find(std::string(c.error) + "\n"),
                  std::string::npos)
            << c.error;
    }
}

TEST(Startup, StatusDisplayShowsTheEightValuesOnATerminal) {
    TempDir dir;
    TestDatabase db;
    WriteFile(dir.File("srv.cfg"), SampleConfigWith(WithLog(db, "srv.log")));
    ServerProcess server({dir.path(), {"srv.cfg"}, true});
    std::string screen = server.ReadTerminalUntil("SQL requests:", seconds(20));
    for (const char* label :
         {"Current date:", "Current time:", "Logged devices", "Logged configs:",
          "Total received bytes:", "Total send bytes:", "Database connections:"}) {
        EXPECT_NE(screen.find(label), std::string::npos) << label << "\n" << screen;
    }
    EXPECT_NE(screen.find("Logged devices          0   "), std::string::npos) << screen;
    EXPECT_NE(screen.find("Total received bytes:   0"), std::string::npos) << screen;
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(seconds(10)), 0);
}

}  // namespace
