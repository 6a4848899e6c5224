#include "server/core/log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

// Starts `count` writer threads; thread t logs "T<t>: entry <i>" and `tail`
// for i from 0 to entries - 1. `running`, when given, is counted down as
// each thread finishes.
std::vector<std::thread> StartWriters(int count, int entries, const char* tail,
                                      std::atomic<int>* running = nullptr) {
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t) {
        threads.emplace_back([t, entries, tail, running] {
            for (int i = 0; i < entries; ++i) LogWrite("T%d: entry %d%s\n", t, i, tail);
            if (running != nullptr) --*running;
        });
    }
    return threads;
}

// Expects `log` to hold exactly threads x entries lines
// "<prefix>T<t>: entry <i><tail>", whole, each thread's in its own order.
void ExpectWholeInEachThreadsOrder(const std::string& log, const std::string& prefix,
                                   const std::string& tail, int threads, int entries) {
    std::istringstream in(log);
    std::string line;
    int lines = 0;
    std::vector<int> next(static_cast<size_t>(threads), 0);
    const std::string format = prefix + "T%d: entry %d";
    while (std::getline(in, line)) {
        ++lines;
        int t = -1;
        int i = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), format.c_str(), &t, &i), 2) << line;
        ASSERT_TRUE(t >= 0 && t < threads) << line;
        EXPECT_EQ(line, prefix + "T" + std::to_string(t) + ": entry " + std::to_string(i) + tail);
        EXPECT_EQ(i, next[static_cast<size_t>(t)]) << line;
        next[static_cast<size_t>(t)] = i + 1;
    }
    EXPECT_EQ(lines, threads * entries);
}

TEST(Log, PrefixIsTheClockInSixPlaces) {
    EXPECT_EQ(LogPrefix(0), "000000 ");
    EXPECT_EQ(LogPrefix(130509), "130509 ");
    EXPECT_EQ(LogPrefix(235959), "235959 ");
    EXPECT_EQ(LogPrefix(7), "000007 ");
    EXPECT_EQ(LogPrefix(1234567), "1234567 ");
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

// A held entry is not in the file until its thread writes again or lets it
// go; another thread's entries are not held up by it.
TEST(Log, HeldEntryGoesOutInFrontOfItsThreadsNextEntry) {
    TempDir dir;
    LogSetPath(dir.File("srv.log"));
    gLogClock = 80000;
    LogHold("080000 D1: <- line\n");
    std::thread other([] { LogWrite("T1: other\n"); });
    other.join();
    EXPECT_EQ(ReadFile(dir.File("srv.log")), "080000 T1: other\n");
    LogWriteEntries({"DecodeCount(1) = 0\n"});
    LogReleaseHeld();
    LogHold("080000 D1: <- next\n");
    LogReleaseHeld();
    LogReleaseHeld();
    LogFlush();
    EXPECT_EQ(ReadFile(dir.File("srv.log")),
              "080000 T1: other\n080000 D1: <- line\n080000 DecodeCount(1) = 0\n"
              "080000 D1: <- next\n");
}

// Decode entries join what the thread holds; with nothing held they are
// written at once.
TEST(Log, HeldEntriesAreJoinedByTheRowsDecodeEntries) {
    TempDir dir;
    LogSetPath(dir.File("srv.log"));
    gLogClock = 90000;
    LogHoldEntries({"DecodeCount(1) = 1\n"});
    EXPECT_EQ(ReadFile(dir.File("srv.log")), "090000 DecodeCount(1) = 1\n");
    LogHold("090000 D2: <- line\n");
    LogHoldEntries({"DecodeCount(1) = 2\n", "DecodeValue(0) = 1,5.000000\n"});
    LogHoldEntries({});
    EXPECT_EQ(ReadFile(dir.File("srv.log")), "090000 DecodeCount(1) = 1\n");
    LogWrite("D2: -> 1:JgA=<>\n");
    LogFlush();
    EXPECT_EQ(ReadFile(dir.File("srv.log")),
              "090000 DecodeCount(1) = 1\n090000 D2: <- line\n090000 DecodeCount(1) = 2\n"
              "090000 DecodeValue(0) = 1,5.000000\n090000 D2: -> 1:JgA=<>\n");
}

// A line's entries let go right after another entry may be gathered; an
// entry written after them is in the file when its call returns, behind
// them, and gathered ones reach the file by themselves soon after.
TEST(Log, GatheredLineEntriesKeepTheirPlaceAndReachTheFileByThemselves) {
    TempDir dir;
    LogSetPath(dir.File("srv.log"));
    gLogClock = 100000;
    LogWrite("D1: first\n");
    LogHold("100000 D1: <- line\n");
    LogReleaseHeld();
    LogWrite("D1: after\n");
    EXPECT_EQ(ReadFile(dir.File("srv.log")),
              "100000 D1: first\n100000 D1: <- line\n100000 D1: after\n");

    // What a stop or the console's readlog writes before it goes on.
    LogHold("100000 D1: <- again\n");
    LogReleaseHeld();
    LogFlush();
    EXPECT_EQ(ReadFile(dir.File("srv.log")),
              "100000 D1: first\n100000 D1: <- line\n100000 D1: after\n100000 D1: <- again\n");

    LogHold("100000 D2: <- line\n");
    LogReleaseHeld();
    const std::string all =
        "100000 D1: first\n100000 D1: <- line\n100000 D1: after\n100000 D1: <- again\n"
        "100000 D2: <- line\n";
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (ReadFile(dir.File("srv.log")) != all && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(ReadFile(dir.File("srv.log")), all);
}

// Threads that mix gathered line entries with entries written at once keep
// each thread's order, and every entry is whole.
TEST(Log, GatheredAndImmediateEntriesFromManyThreadsKeepEachThreadsOrder) {
    TempDir dir;
    LogSetPath(dir.File("srv.log"));
    gLogClock = 43;
    constexpr int kThreads = 6;
    constexpr int kEntries = 600;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kEntries; ++i) {
                std::string entry =
                    "000043 T" + std::to_string(t) + ": entry " + std::to_string(i) + "\n";
                if (i % 3 == 0) {
                    LogAppendText(entry);  // written at once
                } else {
                    LogHold(entry);
                    if (i % 3 == 2) LogReleaseHeld();
                }
            }
            LogReleaseHeld();
        });
    }
    for (std::thread& thread : threads) thread.join();
    LogFlush();
    ExpectWholeInEachThreadsOrder(ReadFile(dir.File("srv.log")), "000043 ", "", kThreads, kEntries);
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
    std::vector<std::thread> threads = StartWriters(kThreads, kEntries, " of a longer text");
    for (std::thread& thread : threads) thread.join();
    ExpectWholeInEachThreadsOrder(ReadFile(dir.File("srv.log")), "000042 ", " of a longer text",
                                  kThreads, kEntries);
}

// Writers take no lock, so a file replaced while they write must stay open
// until the last of them is done: rotations racing the writers lose no entry
// and cut none (a file closed under a writer would lose it, or worse, hand
// its descriptor to the next file opened).
TEST(Log, RotationsRacingManyWritersLoseNoEntry) {
    TempDir dir;
    LogSetPath(dir.File("srv.log"));
    gLogClock = 7;
    constexpr int kThreads = 6;
    constexpr int kEntries = 2000;
    constexpr int kRotations = 200;
    std::atomic<int> running{kThreads};
    std::vector<std::thread> threads = StartWriters(kThreads, kEntries, "", &running);
    int rotated = 0;
    while (running.load() > 0 && rotated < kRotations) {
        if (std::rename(dir.File("srv.log").c_str(),
                        dir.File("srv.log." + std::to_string(rotated)).c_str()) == 0) {
            ++rotated;
        }
        std::this_thread::yield();
    }
    for (std::thread& thread : threads) thread.join();
    std::vector<std::vector<bool>> seen(kThreads, std::vector<bool>(kEntries, false));
    int lines = 0;
    for (int r = 0; r <= rotated; ++r) {
        std::string name = r < rotated ? "srv.log." + std::to_string(r) : "srv.log";
        std::istringstream in(FileExists(dir.File(name)) ? ReadFile(dir.File(name)) : "");
        std::string line;
        while (std::getline(in, line)) {
            int t = -1;
            int i = -1;
            ASSERT_EQ(std::sscanf(line.c_str(), "000007 T%d: entry %d", &t, &i), 2) << line;
            ASSERT_TRUE(t >= 0 && t < kThreads && i >= 0 && i < kEntries) << line;
            EXPECT_EQ(line, "000007 T" + std::to_string(t) + ": entry " + std::to_string(i));
            EXPECT_FALSE(seen[t][i]) << line;
            seen[t][i] = true;
            ++lines;
        }
    }
    EXPECT_EQ(lines, kThreads * kEntries);
    EXPECT_GT(rotated, 0);
}

}  // namespace
