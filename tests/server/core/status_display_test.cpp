#include "server/core/status_display.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/temp_dir.h"

namespace {

StatusValues Sample() {
    StatusValues v;
    v.utc.tm_year = 2026 - 1900;
    v.utc.tm_mon = 0;
    v.utc.tm_mday = 5;
    v.utc.tm_hour = 7;
    v.utc.tm_min = 3;
    v.utc.tm_sec = 9;
    v.devices = 12;
    v.consoles = 1;
    v.received = 4294967295u;
    v.sent = 0;
    v.sqlConnected = 3;
    v.sqlBusy = 0;
    return v;
}

TEST(StatusDisplay, EightLabelsWithTheirValues) {
    EXPECT_EQ(FormatStatusDisplay(Sample()),
              "Current date:           2026-01-05\n"
              "Current time:           07:03:09\n"
              "Logged devices          12   \n"
              "Logged configs:         1   \n"
              "Total received bytes:   4294967295\n"
              "Total send bytes:       0\n"
              "Database connections:   3   \n"
              "SQL requests:           0   \n");
}

TEST(StatusDisplay, RedrawsInPlaceOnATerminalAndStaysSilentOtherwise) {
    TempDir dir;
    std::FILE* tty = std::fopen(dir.File("tty").c_str(), "w");
    std::FILE* pipe = std::fopen(dir.File("pipe").c_str(), "w");
    ASSERT_NE(tty, nullptr);
    ASSERT_NE(pipe, nullptr);
    StatusDisplay onTerminal(tty, true);
    StatusDisplay offTerminal(pipe, false);
    onTerminal.Draw(Sample());
    onTerminal.Draw(Sample());
    offTerminal.Draw(Sample());
    std::fclose(tty);
    std::fclose(pipe);

    std::string drawn = ReadFile(dir.File("tty"));
    // The first drawing starts where the cursor is; the second goes back up
    // the eight rows and clears each row's rest.
    EXPECT_EQ(drawn.rfind("Current date:", 0), 0u);
    size_t second = drawn.find("\x1b[8F");
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(drawn.find("\x1b[8F", second + 1), std::string::npos);
    EXPECT_NE(drawn.find("SQL requests:           0   \x1b[K\n"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.File("pipe")), "");
}

}  // namespace
