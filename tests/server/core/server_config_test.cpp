#include "server/core/server_config.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace {

const char* const kKeys =
    "DEVICE_PORT=5100\n"
    "TELNET_PORT=5101\n"
    "LOG_FILE=/var/log/vimko.log\n"
    "SQL_DATABASE=fleet\n"
    "SQL_HOST=127.0.0.1\n"
    "SQL_USER=srv\n"
    "SQL_PASSWD=s3cret\n"
    "SQL_PORT=3306\n"
    "TELNET_PASSWD=op\n"
    "RCV_TIMEOUT=300\n"
    "RCV_TIMEOUT2=-60\n"
    "SND_TIMEOUT=10\n"
    "FIRMWARE_DIR=fw\n"
    "CMMD_TIMEOUT=30\n"
    "MAX_SELECT=100\n"
    "MAX_LOG=50\n"
    "SQL_TIMEOUT=60\n"
    "DRIVER_DIR=ddd\n"
    "LOG_TIMEOUT=3600\n";

const char* const kRule = "fms_speed 1 7 0 2 2 0 16 0.5 0.00390625\n";

struct Parsed {
    bool ok;
    ServerConfig config;
    DecodeTable table;
};

Parsed Parse(const std::string& text) {
    Parsed p;
    p.ok = ParseServerConfig(text, p.config, p.table);
    return p;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(ServerConfig, AllKeysInOrderFillEveryField) {
    Parsed p = Parse(kKeys);
    ASSERT_TRUE(p.ok);
    const ServerConfig& c = p.config;
    EXPECT_EQ(c.devicePort, 5100);
    EXPECT_EQ(c.telnetPort, 5101);
    EXPECT_EQ(c.logFile, "/var/log/vimko.log");
    EXPECT_EQ(c.sqlDatabase, "fleet");
    EXPECT_EQ(c.sqlHost, "127.0.0.1");
    EXPECT_EQ(c.sqlUser, "srv");
    EXPECT_EQ(c.sqlPasswd, "s3cret");
    EXPECT_EQ(c.sqlPort, 3306);
    EXPECT_EQ(c.telnetPasswd, "op");
    EXPECT_EQ(c.rcvTimeout, 300);
    EXPECT_EQ(c.rcvTimeout2, -60);
    EXPECT_EQ(c.sndTimeout, 10);
    EXPECT_EQ(c.firmwareDir, "fw");
    EXPECT_EQ(c.cmmdTimeout, 30);
    EXPECT_EQ(c.maxSelect, 100);
    EXPECT_EQ(c.maxLog, 50);
    EXPECT_EQ(c.sqlTimeout, 60);
    EXPECT_EQ(c.driverDir, "ddd");
    EXPECT_EQ(c.logTimeout, 3600);
    // A file that ends right after the last key has no rules.
    EXPECT_EQ(DecodeRulesUsed(p.table), 0);
}

TEST(ServerConfig, KeyLinesFollowScanfRules) {
    // White space after "=" is skipped before a number; a number ends at the
    // first non-digit; a text value ends at the first blank; CR of a DOS line
    // end is white space.
    EXPECT_EQ(Parse(Replace(kKeys, "DEVICE_PORT=5100", "DEVICE_PORT= +5100x")).config.devicePort,
              5100);
    EXPECT_EQ(Parse(Replace(kKeys, "LOG_FILE=/var/log/vimko.log", "LOG_FILE=/my logs/v.log"))
                  .config.logFile,
              "/my");
    Parsed dos = Parse(Replace(kKeys, "SQL_USER=srv\n", "SQL_USER=srv\r\n"));
    ASSERT_TRUE(dos.ok);
    EXPECT_EQ(dos.config.sqlUser, "srv");
}

TEST(ServerConfig, MalformedKeyLinesFailTheFile) {
    const std::pair<const char*, const char*> cases[] = {
        // two keys swapped
        {"DEVICE_PORT=5100\nTELNET_PORT=5101\n", "TELNET_PORT=5101\nDEVICE_PORT=5100\n"},
        // key not at the very start of the line
        {"SQL_PORT=3306", " SQL_PORT=3306"},
        // key in another case
        {"MAX_LOG=50", "max_log=50"},
        // no value
        {"SND_TIMEOUT=10", "SND_TIMEOUT="},
        {"SQL_HOST=127.0.0.1", "SQL_HOST="},
        // not a number
        {"MAX_SELECT=100", "MAX_SELECT=many"},
        // does not fit 32 bits
        {"SQL_TIMEOUT=60", "SQL_TIMEOUT=4294967296"},
        // a comment line where a key must stand
        {"MAX_LOG=50\n", "# log\nMAX_LOG=50\n"},
        // a blank line between keys
        {"MAX_LOG=50\n", "\nMAX_LOG=50\n"},
    };
    for (const auto& [from, to] : cases) {
        EXPECT_FALSE(Parse(Replace(kKeys, from, to)).ok) << to;
    }
}

TEST(ServerConfig, MissingKeyOrShortFileFails) {
    EXPECT_FALSE(Parse("").ok);
    EXPECT_FALSE(Parse(Replace(kKeys, "LOG_TIMEOUT=3600\n", "")).ok);
    EXPECT_FALSE(Parse(Replace(kKeys, "DRIVER_DIR=ddd\n", "")).ok);
}

TEST(ServerConfig, OverlongLineFails) {
    std::string path(300, 'p');
    EXPECT_FALSE(Parse(Replace(kKeys, "FIRMWARE_DIR=fw", "FIRMWARE_DIR=" + path)).ok);
    std::string longest(255 - std::string("FIRMWARE_DIR=").size(), 'p');
    Parsed p = Parse(Replace(kKeys, "FIRMWARE_DIR=fw", "FIRMWARE_DIR=" + longest));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.config.firmwareDir, longest);
}

TEST(ServerConfig, DecodeLinesFillTheTableInOrder) {
    Parsed p = Parse(std::string(kKeys) + kRule + "fms_rpm 0 7 1 4 2 3 13 -40 0.125");
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(DecodeRulesUsed(p.table), 2);
    const DecodeRule& a = p.table[0];
    EXPECT_STREQ(a.column, "fms_speed");
    EXPECT_EQ(a.real_value, 1);
    EXPECT_EQ(a.fms_config, 7);
    EXPECT_EQ(a.method, 0);
    EXPECT_EQ(a.first_byte, 2);
    EXPECT_EQ(a.byte_count, 2);
    EXPECT_EQ(a.shift, 0);
    EXPECT_EQ(a.bit_count, 16);
    EXPECT_FLOAT_EQ(a.add, 0.5f);
    EXPECT_FLOAT_EQ(a.factor, 0.00390625f);
    const DecodeRule& b = p.table[1];
    EXPECT_STREQ(b.column, "fms_rpm");
    EXPECT_EQ(b.method, 1);
    EXPECT_EQ(b.shift, 3);
    EXPECT_FLOAT_EQ(b.add, -40.0f);
}

TEST(ServerConfig, BadDecodeLinesFailTheFile) {
    const std::string cases[] = {
        "\n",                                            // trailing empty line
        "   \n",                                         // white space only
        "fms_speed 1 7 0 2 2 0 16 0.5\n",                // nine fields
        "fms_speed 1 7 0 2 2 0 16 0.5 x\n",              // a field that is no number
        "fms_speed 1 7 0 2 2 0 99999999999 0.5 1\n",     // integer beyond 32 bits
        std::string(67, 'c') + " 1 7 0 2 2 0 16 0 1\n",  // column longer than 66
    };
    for (const std::string& bad : cases) {
        EXPECT_FALSE(Parse(std::string(kKeys) + kRule + bad).ok) << bad;
    }
    std::string longest(66, 'c');
    Parsed p = Parse(std::string(kKeys) + longest + " 1 7 0 2 2 0 16 0 1\n");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(std::string(p.table[0].column), longest);
}

TEST(ServerConfig, RulesBeyondTheThousandthAreNotRead) {
    std::string text = kKeys;
    for (int i = 0; i < 1000; ++i) text += "c" + std::to_string(i) + " 0 1 0 0 1 0 8 0 1\n";
    // Line 1001 would fail the file if it were read.
    text += "broken\n";
    Parsed p = Parse(text);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(DecodeRulesUsed(p.table), 1000);
    EXPECT_STREQ(p.table[999].column, "c999");
}

TEST(ServerConfig, ReloadClearsRulesOfAnEarlierFile) {
    ServerConfig config;
    DecodeTable table;
    ASSERT_TRUE(ParseServerConfig(std::string(kKeys) + kRule + kRule, config, table));
    ASSERT_TRUE(ParseServerConfig(kKeys, config, table));
    EXPECT_EQ(DecodeRulesUsed(table), 0);
}

TEST(ServerConfig, LoadReadsTheFileAndFailsWithoutIt) {
    TempDir dir;
    ServerConfig config;
    DecodeTable table;
    EXPECT_FALSE(LoadServerConfig(dir.File("missing.cfg"), config, table));
    WriteFile(dir.File("a b.cfg"), std::string(kKeys) + kRule);
    ASSERT_TRUE(LoadServerConfig(dir.File("a b.cfg"), config, table));
    EXPECT_EQ(config.logTimeout, 3600);
    EXPECT_EQ(DecodeRulesUsed(table), 1);
}

TEST(ServerConfig, EchoHidesPasswordsAndNumbersRules) {
    Parsed p = Parse(std::string(kKeys) + kRule + "fms_rpm 0 7 1 4 2 3 13 -40 0.125\n");
    ASSERT_TRUE(p.ok);
    std::vector<std::string> lines = ConfigEchoLines(p.config, p.table);
    ASSERT_EQ(lines.size(), 1u + 19u + 2u);
    EXPECT_EQ(lines[0], "Uruchomienie programu\n");
    EXPECT_EQ(lines[1], "DEVICE_PORT=5100\n");
    EXPECT_EQ(lines[3], "LOG_FILE=/var/log/vimko.log\n");
    EXPECT_EQ(lines[7], "SQL_PASSWD=***\n");
    EXPECT_EQ(lines[9], "TELNET_PASSWD=***\n");
    EXPECT_EQ(lines[11], "RCV_TIMEOUT2=-60\n");
    EXPECT_EQ(lines[19], "LOG_TIMEOUT=3600\n");
    EXPECT_EQ(lines[20], "DECODE1=fms_speed,1,7,0,2,2,0,16,0.500000,0.003906\n");
    EXPECT_EQ(lines[21], "DECODE2=fms_rpm,0,7,1,4,2,3,13,-40.000000,0.125000\n");
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("s3cret"), std::string::npos);
        EXPECT_EQ(line.find("=op\n"), std::string::npos);
    }
}

}  // namespace
