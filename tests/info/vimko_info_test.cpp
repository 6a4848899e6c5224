// VimkoInfo as a program: its output, exit codes and renames on real files.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tools/unit_sim/tacho_files.h"

namespace {

using namespace unit_sim;

struct Result {
    std::string out;
    int code;
};

Result Info(const TempDir& dir, std::vector<std::string> args) {
    ServerProcess p(ServerProcess::Options{dir.path(), std::move(args), false, "VimkoInfo"});
    int code = p.Wait(std::chrono::seconds(10));
    return {p.Stdout(), code};
}

std::string CardFile() {
    return DriverDdd(DriverCardFiles("1000000012345678", "DE LA CRUZ"));
}

TEST(VimkoInfo, ReportsNameAndStateWithTheirExitCodes) {
    TempDir dir;
    WriteFile(dir.File("card.ddd"), CardFile());
    WriteFile(dir.File("cut.ddd"), CardFile().substr(0, 700));
    WriteFile(dir.File("empty.ddd"), "");
    struct Case {
        std::vector<std::string> args;
        std::string out;
        int code;
    } cases[] = {
        {{}, "Usage: ./VimkoInfo file.ddd [-r | -n]\n", 1},
        {{"card.ddd"}, "Name: 1000000012345678_DELACRUZ\nFile: OK\n", 0},
        {{"card.ddd", "-n"}, "1000000012345678_DELACRUZ\n", 0},
        {{"card.ddd", "-x"}, "", 0},
        {{"card.ddd", "-n", "-r"}, "Name: 1000000012345678_DELACRUZ\nFile: OK\n", 0},
        {{"cut.ddd"}, "Name: 1000000012345678_DELACRUZ\nFile: ERROR\n", 0},
        {{"empty.ddd"}, "Name: unknown\nFile: OK\n", 0},
        {{"missing.ddd"}, "Name: unknown\nFile: NOT EXIST\n", 0},
        {{"missing.ddd", "-n"}, "unknown\n", 0},
        {{"missing.ddd", "-r"}, "", 0},
    };
    for (const Case& c : cases) {
        Result r = Info(dir, c.args);
        EXPECT_EQ(r.out, c.out) << (c.args.empty() ? "(none)" : c.args[0]);
        EXPECT_EQ(r.code, c.code) << (c.args.empty() ? "(none)" : c.args[0]);
    }
}

TEST(VimkoInfo, RenamesAfterTheNameInTheFilesOwnDirectory) {
    TempDir dir;
    ASSERT_EQ(mkdir(dir.File("in.box").c_str(), 0755), 0);
    WriteFile(dir.File("in.box/20261209_101500_356.x.ddd"),
              VuDownload("VIN00000000000001", "AB/123"));
    WriteFile(dir.File("plain"), "");
    Result vu = Info(dir, {"in.box/20261209_101500_356.x.ddd", "-r"});
    EXPECT_EQ(vu.out, "");
    EXPECT_EQ(vu.code, 0);
    // Cut at the first dot of the file name; the "/" of the name cannot move it.
    EXPECT_TRUE(FileExists(dir.File("in.box/20261209_101500_356_VIN00000000000001_AB_123.ddd")));
    Result plain = Info(dir, {"plain", "-r"});
    EXPECT_EQ(plain.code, 0);
    EXPECT_TRUE(FileExists(dir.File("plain_unknown.ddd")));

    // A rename onto a directory that is not empty fails: exit code 1, no message.
    WriteFile(dir.File("busy.ddd"), "");
    ASSERT_EQ(mkdir(dir.File("busy_unknown.ddd").c_str(), 0755), 0);
    WriteFile(dir.File("busy_unknown.ddd/keep"), "x");
    Result failed = Info(dir, {"busy.ddd", "-r"});
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.code, 1);
    EXPECT_TRUE(FileExists(dir.File("busy.ddd")));
}

}  // namespace
