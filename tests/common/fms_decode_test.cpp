#include "common/fms_decode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

DecodeRule Rule(int method, int first, int count, int shift, int bits, float factor = 1,
                float add = 0) {
    DecodeRule rule;
    rule.used = true;
    std::strcpy(rule.column, "c");
    rule.method = method;
    rule.first_byte = first;
    rule.byte_count = count;
    rule.shift = shift;
    rule.bit_count = bits;
    rule.factor = factor;
    rule.add = add;
    return rule;
}

LocationRecord WithBytes(std::initializer_list<std::pair<int, uint8_t>> bytes, bool ex = false) {
    LocationRecord rec{};
    std::memset(rec.fmsdata, 0, sizeof rec.fmsdata);
    for (auto [k, v] : bytes) {
        if (k < 20)
            rec.fmsdata[k] = v;
        else
            rec.fmsdataex[k - 20] = v;
    }
    if (ex) rec.present |= kPresentFmsDataEx;
    return rec;
}

TEST(FmsDecode, SignedFieldsOfMethodZero) {
    LocationRecord rec = WithBytes({{0, 0xC8}});
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(0, 0, 1, 0, 8), rec), -56);
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(0, 0, 1, 0, 8, 0.5f), rec), -28);
    // Fewer kept bits than the width: the value is positive again.
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(0, 0, 1, 0, 7), rec), 0x48);
    LocationRecord word = WithBytes({{2, 0x34}, {3, 0xF2}});
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(0, 2, 2, 0, 16), word), static_cast<int16_t>(0xF234));
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(0, 2, 2, 4, 8), word), 0x23);
    // Widths other than 1, 2 and 4 give 0, unscaled.
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(0, 2, 3, 0, 24, 2, 5), word), 0);
}

TEST(FmsDecode, UnsignedSpansOfMethodOne) {
    LocationRecord rec = WithBytes({{4, 0xFF}, {5, 0xFF}, {6, 0xFF}, {7, 0xFE}});
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(1, 4, 4, 0, 32), rec), 4278190079.0);
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(1, 4, 3, 8, 16), rec), 0xFFFF);
    // Shifts wrap at 32.
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(1, 7, 1, 33, 8), rec), 0x7F);
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(1, 7, 1, 0, 8, 0.5f, -40.0f), rec), 87);
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(2, 7, 1, 0, 8, 0.5f, -40.0f), rec), 0);
}

TEST(FmsDecode, ExtendedBytesExistOnlyWithTheirGroup) {
    LocationRecord without = WithBytes({{19, 0x10}, {20, 0x20}});
    DecodeRule spanning = Rule(1, 19, 2, 0, 16);
    EXPECT_DOUBLE_EQ(FmsRuleValue(spanning, without), 0xFF10);
    LocationRecord with = WithBytes({{19, 0x10}, {20, 0x20}}, true);
    EXPECT_DOUBLE_EQ(FmsRuleValue(spanning, with), 0x2010);
    // Past the 32-byte area everything is "not available".
    EXPECT_EQ(FmsByte(with, 32), 0xFF);
    EXPECT_EQ(FmsByte(with, -1), 0xFF);
}

TEST(FmsDecode, ValidityRejectsAllOnesAndOddWidths) {
    LocationRecord rec = WithBytes({{0, 0xFF}, {1, 0xFF}, {2, 0xFF}, {3, 0x7F}});
    EXPECT_FALSE(FmsRuleValid(Rule(0, 0, 2, 0, 16), rec));
    EXPECT_TRUE(FmsRuleValid(Rule(0, 2, 2, 0, 16), rec));
    EXPECT_FALSE(FmsRuleValid(Rule(0, 0, 1, 0, 8), rec));
    EXPECT_FALSE(FmsRuleValid(Rule(0, 0, 3, 0, 8), rec));
    EXPECT_TRUE(FmsRuleValid(Rule(1, 0, 4, 0, 32), rec));
    EXPECT_FALSE(FmsRuleValid(Rule(1, 19, 2, 0, 16), WithBytes({{19, 0xFF}})));
}

TEST(FmsDecode, RulesAreCountedAndPickedPerConfiguration) {
    DecodeTable table{};
    const int configs[] = {1, 2, 1, 1, 3};
    for (int i = 0; i < 5; ++i) {
        table[static_cast<size_t>(i)] = Rule(0, i, 1, 0, 8);
        table[static_cast<size_t>(i)].fms_config = configs[i];
    }
    table[6] = table[0];  // behind the first unused row: not part of the table
    EXPECT_EQ(FmsRuleCount(table, 1), 3);
    EXPECT_EQ(FmsRuleCount(table, 7), 0);
    EXPECT_EQ(FmsRuleAt(table, 1, 0), &table[0]);
    EXPECT_EQ(FmsRuleAt(table, 1, 2), &table[3]);
    EXPECT_EQ(FmsRuleAt(table, 1, 3), nullptr);
    EXPECT_EQ(FmsRuleAt(table, 3, 0), &table[4]);
    EXPECT_EQ(FmsRuleIndex(table, 1, 2), 3);
    EXPECT_EQ(FmsRuleIndex(table, 2, 1), -1);
}

TEST(FmsDecode, AStoredAreaHasAllItsBytes) {
    // The batch decoder's view: bytes 20..31 are read as they stand, without
    // the fmsdataex group, and zero bytes are valid.
    FmsArea area{};
    area[19] = 0x10;
    area[20] = 0x20;
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(1, 19, 2, 0, 16), area), 0x2010);
    EXPECT_TRUE(FmsRuleValid(Rule(1, 24, 4, 0, 32), area));
    area[30] = 0xFF;
    area[31] = 0xFF;
    EXPECT_FALSE(FmsRuleValid(Rule(1, 30, 2, 0, 16), area));
    // Past the area: not available, never read.
    EXPECT_FALSE(FmsRuleValid(Rule(1, 31, 2, 0, 16), area));
    EXPECT_DOUBLE_EQ(FmsRuleValue(Rule(1, 31, 2, 0, 16), area), 0xFFFF);
    // The server's view of a record is the same area with the absent bytes 0xFF.
    FmsArea seen = FmsAreaOf(WithBytes({{19, 0x10}, {20, 0x20}}));
    EXPECT_EQ(seen[19], 0x10);
    EXPECT_EQ(seen[20], 0xFF);
}

TEST(FmsDecode, ValuesAreWrittenAsRealsOrTruncatedIntegers) {
    DecodeRule real = Rule(1, 0, 1, 0, 8);
    real.real_value = 1;
    DecodeRule integer = real;
    integer.real_value = 0;
    const struct {
        const DecodeRule& rule;
        double value;
        const char* text;
    } cases[] = {
        {real, 12.9, "12.900000"},
        {integer, 12.9, "12"},
        {integer, -12.9, "-12"},
        {integer, 4278190079.0, "4278190079"},
        {integer, 1e300, "9200000000000000000"},
        {integer, std::nan(""), "0"},
        // "inf" or "nan" in a statement would make it fail on every attempt.
        {real, std::numeric_limits<double>::infinity(), "NULL"},
        {real, std::nan(""), "NULL"},
    };
    for (const auto& c : cases) EXPECT_EQ(FmsValueText(c.rule, c.value), c.text) << c.value;
}

}  // namespace
