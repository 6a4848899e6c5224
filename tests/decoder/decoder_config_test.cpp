#include "decoder/decoder_config.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

const char* const kKeys =
    "LOG_FILE=/var/log/dec.log\n"
    "SQL_DATABASE=fleet\n"
    "SQL_HOST=db.local\n"
    "SQL_USER=dec\n"
    "SQL_PASSWD=s3cret\n"
    "SQL_PORT=3306\n"
    "SQL_REQUESTS=250\n";

const char* const kSpeed = "fms_speed 1 1 1 0 2 0 16 1 0.5 0.00390625 2 3 -4.5 10 7.9\n";
const char* const kRpm = "fms_rpm 0 2 0 2 2 0 16 9 0 0.125 0 0 0 0 0\n";

struct Parsed {
    bool ok = false;
    DecoderConfig config;
    std::unique_ptr<DecoderRules> rules = std::make_unique<DecoderRules>();
};

Parsed Parse(const std::string& text) {
    Parsed p;
    p.ok = ParseDecoderConfig(text, p.config, *p.rules);
    return p;
}

std::string WithItems(int items, const std::string& lines) {
    return std::string(kKeys) + "FMS_ITEMS=" + std::to_string(items) + "\n" + lines;
}

TEST(DecoderConfig, KeysAndSixteenFieldRulesFillEverything) {
    Parsed p = Parse(WithItems(2, std::string(kSpeed) + kRpm));
    ASSERT_TRUE(p.ok);
    const DecoderConfig& c = p.config;
    EXPECT_EQ(c.logFile, "/var/log/dec.log");
    EXPECT_EQ(c.sqlDatabase, "fleet");
    EXPECT_EQ(c.sqlHost, "db.local");
    EXPECT_EQ(c.sqlUser, "dec");
    EXPECT_EQ(c.sqlPasswd, "s3cret");
    EXPECT_EQ(c.sqlPort, 3306);
    EXPECT_EQ(c.sqlRequests, 250);
    EXPECT_EQ(c.fmsItems, 2);
    EXPECT_EQ(DecodeRulesUsed(p.rules->rules), 2);

    const DecodeRule& r = p.rules->rules[0];
    const DecodeChecks& k = p.rules->checks[0];
    EXPECT_STREQ(r.column, "fms_speed");
    EXPECT_EQ(r.first_byte, 0);
    EXPECT_EQ(r.byte_count, 2);
    EXPECT_EQ(r.bit_count, 16);
    // keep_slot sits between bit_count and add
    EXPECT_EQ(k.keep_slot, 1);
    EXPECT_FLOAT_EQ(r.add, 0.5f);
    EXPECT_FLOAT_EQ(r.factor, 0.00390625f);
    EXPECT_EQ(k.count_slot, 2);
    EXPECT_EQ(k.ref_slot, 3);
    EXPECT_FLOAT_EQ(k.low, -4.5f);
    EXPECT_FLOAT_EQ(k.high, 10.0f);
    EXPECT_FLOAT_EQ(k.substitute, 7.9f);
    EXPECT_EQ(p.rules->rules[1].fms_config, 2);
    EXPECT_EQ(p.rules->checks[1].keep_slot, 9);
}

TEST(DecoderConfig, FewerRuleLinesThanFmsItemsFail) {
    EXPECT_FALSE(Parse(WithItems(3, std::string(kSpeed) + kRpm)).ok);
    EXPECT_TRUE(Parse(WithItems(2, std::string(kSpeed) + kRpm)).ok);
    // A ten-field server rule is not a decoder rule.
    EXPECT_FALSE(Parse(WithItems(1, "fms_speed 1 7 0 2 2 0 16 0.5 0.00390625\n")).ok);
    // Fifteen fields.
    EXPECT_FALSE(Parse(WithItems(1, "fms_speed 1 1 1 0 2 0 16 1 0.5 0.1 2 3 -4.5 10\n")).ok);
    EXPECT_FALSE(Parse(WithItems(1, "\n")).ok);
}

TEST(DecoderConfig, LinesAfterTheCountedRulesAreNotRead) {
    Parsed p = Parse(WithItems(1, std::string(kSpeed) + "anything at all\n" + kRpm));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(DecodeRulesUsed(p.rules->rules), 1);
    EXPECT_TRUE(Parse(WithItems(0, "not a rule\n")).ok);
    EXPECT_TRUE(Parse(WithItems(-5, "")).ok);
}

TEST(DecoderConfig, AtMostOneThousandRulesAreRead) {
    std::string lines;
    for (int i = 0; i < kDecodeRows; ++i) lines += kRpm;
    Parsed p = Parse(WithItems(5000, lines + "garbage\n"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(DecodeRulesUsed(p.rules->rules), kDecodeRows);
}

TEST(DecoderConfig, KeysOutOfOrderMissingOrMalformedFail) {
    const std::string good = WithItems(0, "");
    ASSERT_TRUE(Parse(good).ok);
    struct Case {
        const char* from;
        const char* to;
    };
    const Case cases[] = {
        {"SQL_HOST=db.local\nSQL_USER=dec\n", "SQL_USER=dec\nSQL_HOST=db.local\n"},
        {"SQL_PASSWD=s3cret\n", ""},
        {"SQL_PORT=3306", "SQL_PORT=x"},
        {"SQL_REQUESTS=250", "SQL_REQUESTS=99999999999"},
        {"LOG_FILE=", " LOG_FILE="},
        {"SQL_USER=dec", "SQL_USER="},
        {"FMS_ITEMS=0\n", ""},
    };
    for (const Case& c : cases) {
        std::string text = good;
        size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, std::string(c.from).size(), c.to);
        EXPECT_FALSE(Parse(text).ok) << c.from << " -> " << c.to;
    }
    // A key line longer than a configuration line may be.
    std::string longPath = good;
    longPath.replace(longPath.find("/var/log/dec.log"), 16, std::string(300, 'a'));
    EXPECT_FALSE(Parse(longPath).ok);
}

TEST(DecoderConfig, MissingFileFailsAndShippedSampleLoads) {
    TempDir dir;
    DecoderConfig config;
    auto rules = std::make_unique<DecoderRules>();
    EXPECT_FALSE(LoadDecoderConfig(dir.File("none.cfg"), config, *rules));
    ASSERT_TRUE(
        LoadDecoderConfig(std::string(VIMKO_SOURCE_DIR) + "/etc/VimkoDecoder.cfg", config, *rules));
    EXPECT_EQ(DecodeRulesUsed(rules->rules), config.fmsItems);
}

TEST(DecoderConfig, EchoHidesThePasswordAndPrintsSixteenFields) {
    Parsed p = Parse(WithItems(2, std::string(kSpeed) + kRpm));
    ASSERT_TRUE(p.ok);
    std::string echo;
    for (const std::string& line : DecoderEchoLines(p.config, *p.rules)) echo += line;
    EXPECT_EQ(echo,
              "Uruchomienie programu\n"
              "LOG_FILE=/var/log/dec.log\n"
              "SQL_DATABASE=fleet\n"
              "SQL_HOST=db.local\n"
              "SQL_USER=dec\n"
              "SQL_PASSWD=***\n"
              "SQL_PORT=3306\n"
              "SQL_REQUESTS=250\n"
              "DECODE1=fms_speed,1,1,1,0,2,0,16,1,0.500000,0.003906,2,3,-4.500000,10.000000,"
              "7.900000\n"
              "DECODE2=fms_rpm,0,2,0,2,2,0,16,9,0.000000,0.125000,0,0,0.000000,0.000000,"
              "0.000000\n");
}

}  // namespace
