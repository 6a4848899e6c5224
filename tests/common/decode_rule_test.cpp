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

}  // namespace
