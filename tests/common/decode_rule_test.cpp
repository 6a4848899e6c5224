#include "common/decode_rule.h"

#include <gtest/gtest.h>

namespace {

TEST(DecodeRule, FieldsMaySitBehindAnyWhiteSpaceAndTrailingTextIsIgnored) {
    DecodeRule rule;
    ASSERT_TRUE(ParseDecodeLine("  fuel\t1  3 1 8 1 0 8 -1.5e1 4E-1 trailing words\r", rule));
    EXPECT_TRUE(rule.used);
    EXPECT_STREQ(rule.column, "fuel");
    EXPECT_EQ(rule.fms_config, 3);
    EXPECT_FLOAT_EQ(rule.add, -15.0f);
    EXPECT_FLOAT_EQ(rule.factor, 0.4f);
}

TEST(DecodeRule, ExtremeIntegersAreKeptAndBeyondThemRefused) {
    DecodeRule rule;
    ASSERT_TRUE(ParseDecodeLine("c -2147483648 2147483647 0 0 4 0 32 0 1", rule));
    EXPECT_EQ(rule.real_value, -2147483648);
    EXPECT_EQ(rule.fms_config, 2147483647);
    EXPECT_FALSE(ParseDecodeLine("c 2147483648 1 0 0 4 0 32 0 1", rule));
    EXPECT_FALSE(ParseDecodeLine("c -2147483649 1 0 0 4 0 32 0 1", rule));
}

TEST(DecodeRule, FirstUnusedRowEndsTheTable) {
    DecodeTable table{};
    EXPECT_EQ(DecodeRulesUsed(table), 0);
    table[0].used = true;
    table[1].used = true;
    table[3].used = true;  // behind a gap: not part of the table
    EXPECT_EQ(DecodeRulesUsed(table), 2);
    for (DecodeRule& rule : table) rule.used = true;
    EXPECT_EQ(DecodeRulesUsed(table), kDecodeRows);
}

TEST(DecodeRule, DecoderLinesCarrySixChecksAroundTheTenFields) {
    DecodeRule rule;
    DecodeChecks checks;
    ASSERT_TRUE(
        ParseDecoderLine("fuel 1 3 1 8 1 0 8 4 -1.5 0.4 5 6 -2 7.5 3.9 trailing", rule, checks));
    EXPECT_TRUE(rule.used);
    EXPECT_STREQ(rule.column, "fuel");
    EXPECT_EQ(rule.fms_config, 3);
    EXPECT_EQ(rule.bit_count, 8);
    EXPECT_FLOAT_EQ(rule.add, -1.5f);
    EXPECT_FLOAT_EQ(rule.factor, 0.4f);
    EXPECT_EQ(checks.keep_slot, 4);
    EXPECT_EQ(checks.count_slot, 5);
    EXPECT_EQ(checks.ref_slot, 6);
    EXPECT_FLOAT_EQ(checks.low, -2.0f);
    EXPECT_FLOAT_EQ(checks.high, 7.5f);
    EXPECT_FLOAT_EQ(checks.substitute, 3.9f);

    const char* const refused[] = {
        "fuel 1 3 1 8 1 0 8 4 -1.5 0.4 5 6 -2 7.5",          // fifteen fields
        "fuel 1 3 1 8 1 0 8 -1.5 0.4",                       // a server line
        "fuel 1 3 1 8 1 0 8 4 -1.5 0.4 5 2147483648 0 0 0",  // a slot beyond 32 bits
        "fuel 1 3 1 8 1 0 8 x -1.5 0.4 5 6 -2 7.5 3.9",
    };
    for (const char* line : refused) EXPECT_FALSE(ParseDecoderLine(line, rule, checks)) << line;
    std::string longColumn(kDecodeColumnMax + 1, 'c');
    EXPECT_FALSE(
        ParseDecoderLine((longColumn + " 1 3 1 8 1 0 8 4 0 1 0 0 0 0 0").c_str(), rule, checks));
}

}  // namespace
