#include "decoder/decoder_log.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

std::tm Utc(int hour, int min, int sec) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    return t;
}

TEST(DecoderLog, EntriesBeforeTheFirstTickCarryZero) {
    TempDir dir;
    DecoderLog log(dir.File("dec.log"));
    log.Write("Uruchomienie programu\n");
    log.WriteEntries({"A=%d\n", "B\n"});
    EXPECT_EQ(ReadFile(dir.File("dec.log")),
              "+00000 Uruchomienie programu\n+00000 A=%d\n+00000 B\n");
}

TEST(DecoderLog, FirstTickAndEveryHourAfterItWriteTheTimeAndRestartTheCounter) {
    TempDir dir;
    DecoderLog log(dir.File("dec.log"));
    log.Tick(Utc(7, 5, 9));
    log.Write("first\n");
    log.Tick(Utc(7, 5, 10));
    log.Tick(Utc(7, 5, 11));
    log.Write("third\n");
    for (int tick = 4; tick <= kLogTimeEntryTicks; ++tick) log.Tick(Utc(8, 0, 0));
    log.Write("last before the hour\n");
    EXPECT_EQ(log.counter(), 3599u);
    log.Tick(Utc(8, 5, 9));
    log.Write("after\n");
    EXPECT_EQ(ReadFile(dir.File("dec.log")),
              "+00000 07:05:09 2026-12-09\n"
              "+00000 first\n"
              "+00002 third\n"
              "+03599 last before the hour\n"
              "+00000 08:05:09 2026-12-09\n"
              "+00000 after\n");
}

TEST(DecoderLog, DeletedFileIsCreatedAgainAndUnwritablePathIsQuiet) {
    TempDir dir;
    DecoderLog log(dir.File("dec.log"));
    log.Write("one\n");
    std::remove(dir.File("dec.log").c_str());
    log.Write("two\n");
    EXPECT_EQ(ReadFile(dir.File("dec.log")), "+00000 two\n");
    DecoderLog nowhere(dir.File("missing/dir/dec.log"));
    nowhere.Write("lost\n");
    EXPECT_FALSE(FileExists(dir.File("missing/dir/dec.log")));
}

}  // namespace
