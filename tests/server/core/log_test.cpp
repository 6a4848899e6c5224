#include "server/core/log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

TEST(Log, PrefixIsTheClockInSixPlaces) {
    EXPECT_EQ(LogPrefix(0), "000000 ");
    EXPECT_EQ(LogPrefix(130509), "130509 ");
    EXPECT_EQ(LogPrefix(235959), "235959 ");
}

TEST(Log, EntriesCarryTheClockAndPiecesContinueThem) {
    TempDir dir;
    LogSetPath(dir.File("srv.log"));
    gLogClock = 0;
    LogWrite("Uruchomienie programu\n");
    gLogClock = 90705;
    LogWrite("D%d: SocketReceive ", 12);
    LogAppend("%02X", 0xAB);
    LogAppend("\n");
    EXPECT_EQ(ReadFile(dir.File("srv.log")),
              "000000 Uruchomienie programu\n"
              "090705 D12: SocketReceive AB\n");
}

TEST(Log, SeveralEntriesAtOnceEachKeepTheirPrefix) {
    TempDir dir;
    LogSetPath(dir.File("srv.log"));
    gLogClock = 120000;
    LogWriteEntries({"DecodeCount(1) = 2\n", "DecodeName(0,1) = a\n"});
    LogWriteEntries({});
    EXPECT_EQ(ReadFile(dir.File("srv.log")),
              "120000 DecodeCount(1) = 2\n120000 DecodeName(0,1) = a\n");
}

TEST(Log, DeletedFileIsCreatedAgainAndNothingElseIsLost) {
    TempDir dir;
    LogSetPath(dir.File("srv.log"));
    gLogClock = 1;
    LogWrite("first\n");
    ASSERT_EQ(std::remove(dir.File("srv.log").c_str()), 0);
    LogWrite("second\n");
    LogWrite("third\n");
    EXPECT_EQ(ReadFile(dir.File("srv.log")), "000001 second\n000001 third\n");
}

TEST(Log, MovedFileKeepsItsEntriesAndTheNextOnesGoToANewFile) {
    TempDir dir;
    LogSetPath(dir.File("srv.log"));
    gLogClock = 2;
    LogWrite("before\n");
    ASSERT_EQ(std::rename(dir.File("srv.log").c_str(), dir.File("srv.log.1").c_str()), 0);
    LogWrite("after\n");
    EXPECT_EQ(ReadFile(dir.File("srv.log.1")), "000002 before\n");
    EXPECT_EQ(ReadFile(dir.File("srv.log")), "000002 after\n");
    // A rotation that truncates the file in place: entries go on at its end.
    ASSERT_EQ(std::fclose(std::fopen(dir.File("srv.log").c_str(), "w")), 0);
    LogWrite("truncated\n");
    EXPECT_EQ(ReadFile(dir.File("srv.log")), "000002 truncated\n");
}

TEST(Log, UnwritablePathLosesEntriesQuietly) {
    TempDir dir;
    LogSetPath(dir.File("no-such-folder/srv.log"));
    LogWrite("lost\n");
    EXPECT_FALSE(FileExists(dir.File("no-such-folder/srv.log")));
}

TEST(Log, EntriesFromManyThreadsStayWholeAndInTheirThreadsOrder) {
    TempDir dir;
    LogSetPath(dir.File("srv.log"));
    gLogClock = 42;
    constexpr int kThreads = 8;
    constexpr int kEntries = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kEntries; ++i) LogWrite("T%d: entry %d of a longer text\n", t, i);
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::istringstream in(ReadFile(dir.File("srv.log")));
    std::string line;
    int lines = 0;
    std::vector<int> next(kThreads, 0);
    while (std::getline(in, line)) {
        ++lines;
        int t = -1;
        int i = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "000042 T%d: entry %d of a longer text", &t, &i), 2)
            << line;
        EXPECT_EQ(line, "000042 T" + std::to_string(t) + ": entry " + std::to_string(i) +
                            " of a longer text");
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        EXPECT_EQ(i, next[t]) << line;
        next[t] = i + 1;
    }
    EXPECT_EQ(lines, kThreads * kEntries);
}

}  // namespace
