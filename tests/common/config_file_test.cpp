#include "common/config_file.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ConfigFile, LinesAreSplitAtLineFeedsWithoutAnEmptyLastLine) {
    const struct {
        const char* text;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"a\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\n\nb\n\n", {"a", "", "b", ""}},
        {"a\r\n", {"a\r"}},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        ConfigLineCursor cursor(text);
        std::vector<std::string> lines;
        std::string line;
        while (cursor.Next(line)) lines.push_back(line);
        EXPECT_EQ(lines, c.lines) << c.text;
    }
}

TEST(ConfigFile, KeyLinesMatchWithScanfRules) {
    const struct {
        const char* line;
        bool ok;
        int value;
    } ints[] = {
        {"SQL_PORT=3306", true, 3306},     {"SQL_PORT= -12x", true, -12},
        {"SQL_PORT=", false, 0},           {"SQL_PORT =1", false, 0},
        {" SQL_PORT=1", false, 0},         {"SQL_PORTS=1", false, 0},
        {"SQL_PORT=2147483648", false, 0}, {"SQL_PORT=-2147483648", true, -2147483648},
    };
    for (const auto& c : ints) {
        int value = 0;
        EXPECT_EQ(MatchConfigInt(c.line, "SQL_PORT", value), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.line;
        }
    }
    const struct {
        const char* line;
        bool ok;
        const char* value;
    } texts[] = {
        {"LOG_FILE=a.log", true, "a.log"},
        {"LOG_FILE=  a.log b", true, "a.log"},
        {"LOG_FILE=", false, ""},
        {"log_file=a", false, ""},
    };
    for (const auto& c : texts) {
        std::string value;
        EXPECT_EQ(MatchConfigText(c.line, "LOG_FILE", value), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.line;
        }
    }
}

TEST(ConfigFile, TheWholeCommandLineIsThePath) {
    char program[] = "prog";
    char first[] = "my";
    char second[] = " fleet.cfg";
    char* argv[] = {program, first, second};
    EXPECT_EQ(ConfigPathFromArgs(3, argv), "my  fleet.cfg");
    EXPECT_EQ(ConfigPathFromArgs(1, argv), "");
}

}  // namespace
