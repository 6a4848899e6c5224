#include "decoder/value_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr int kInvalid = -1;                               // the rule's byte is 0xFF: not valid
constexpr int kNothing = std::numeric_limits<int>::min();  // no assignment expected

// One byte at offset 0, unsigned, times `factor`: the value is byte * factor.
DecodeRule ByteRule(float factor = 1) {
    DecodeRule rule;
    rule.used = true;
    std::strcpy(rule.column, "v");
    rule.real_value = 1;
    rule.method = 1;
    rule.byte_count = 1;
    rule.bit_count = 8;
    rule.factor = factor;
    return rule;
}

DecodeChecks Checks(int keep, int count, int ref, float low, float high, float substitute) {
    DecodeChecks c;
    c.keep_slot = keep;
    c.count_slot = count;
    c.ref_slot = ref;
    c.low = low;
    c.high = high;
    c.substitute = substitute;
    return c;
}

struct Row {
    int frame;
    int byte;     // kInvalid for 0xFF
    int written;  // expected value, or kNothing
};

struct Case {
    const char* name;
    float factor;
    DecodeChecks checks;
    std::vector<Row> rows;
};

// Runs the rows through one unit's memory; returns the memory afterwards.
DecoderDevice RunRows(const Case& c) {
    DecodeRule rule = ByteRule(c.factor);
    DecoderDevice device;
    device.Reset(7);
    int n = 0;
    for (const Row& row : c.rows) {
        FmsArea area{};
        area[0] = row.byte == kInvalid ? 0xFF : static_cast<uint8_t>(row.byte);
        RuleResult result = ApplyDecoderRule(rule, c.checks, row.frame, area, device);
        if (row.written == kNothing) {
            EXPECT_FALSE(result.assign) << c.name << " row " << n;
        } else {
            EXPECT_TRUE(result.assign) << c.name << " row " << n;
            EXPECT_DOUBLE_EQ(result.value, row.written) << c.name << " row " << n;
        }
        ++n;
    }
    return device;
}

TEST(ValueChecks, RowsOfOneUnitGiveTheWrittenValues) {
    const Case cases[] = {
        {"jump held back for `substitute` rows, then accepted as the new reference",
         1,
         Checks(1, 1, 1, 5, 10, 2),
         {{0, 100, 100},
          {0, 150, 100},
          {0, 150, 100},
          {0, 150, 150},
          {0, 155, 155},
          {0, 200, 155},
          {0, 160, 160}}},
        {"a drop beyond low is held back like a jump",
         1,
         Checks(1, 1, 1, 5, 10, 1),
         {{0, 100, 100}, {0, 94, 100}, {0, 95, 95}}},
        {"the change may equal low and high exactly",
         1,
         Checks(1, 1, 1, 5, 10, 3),
         {{0, 100, 100}, {0, 95, 95}, {0, 105, 105}}},
        {"no tolerance: a jump is accepted at once",
         1,
         Checks(1, 1, 1, 5, 10, 0.9f),
         {{0, 100, 100}, {0, 200, 200}}},
        {"reference kept in another slot than the written value",
         1,
         Checks(2, 1, 3, 0, 0, 1),
         {{0, 10, 10}, {0, 11, 10}, {0, kInvalid, 10}, {0, 11, 11}}},
        {"absolute: out of range writes the substitute and keeps it",
         2,
         Checks(1, 1, 0, 0, 250, 0),
         {{0, 100, 200}, {0, 150, 0}, {0, kInvalid, 0}, {0, 125, 250}, {0, kInvalid, 250}}},
        {"absolute without keep slot: substitute written, nothing kept",
         2,
         Checks(0, 1, 0, 0, 250, 1),
         {{0, 150, 1}, {0, kInvalid, kNothing}}},
        {"invalid bytes write the kept value, or nothing before one exists",
         1,
         Checks(1, 0, 0, 0, 0, 0),
         {{0, kInvalid, kNothing}, {0, 7, 7}, {0, kInvalid, 7}, {0, 8, 8}}},
        {"no check without a count slot",
         1,
         Checks(1, 9, 1, 0, 0, 0),
         {{0, 100, 100}, {0, 200, 200}}},
        {"frame 2 is written unchecked and changes no memory",
         1,
         Checks(1, 1, 1, 5, 10, 1),
         {{0, 100, 100}, {2, 200, 200}, {0, 105, 105}, {2, kInvalid, kNothing}, {0, 200, 105}}},
        {"frame 2 rows do not use the kept value either",
         1,
         Checks(1, 0, 0, 0, 0, 0),
         {{0, 50, 50}, {2, kInvalid, kNothing}, {1, kInvalid, 50}}},
    };
    for (const Case& c : cases) RunRows(c);
}

TEST(ValueChecks, CountersAndKeptValuesAfterTheRows) {
    Case held{"", 1, Checks(1, 4, 1, 5, 10, 3), {{0, 100, 100}, {0, 150, 100}, {0, 150, 100}}};
    DecoderDevice device = RunRows(held);
    EXPECT_EQ(device.rejections[3], 2);
    EXPECT_DOUBLE_EQ(device.kept[0], 100);

    // An accepted value clears the counter; frame 2 leaves it alone.
    held.rows.push_back({2, 104, 104});
    device = RunRows(held);
    EXPECT_EQ(device.rejections[3], 2);
    held.rows.push_back({0, 104, 104});
    device = RunRows(held);
    EXPECT_EQ(device.rejections[3], 0);
    EXPECT_DOUBLE_EQ(device.kept[0], 104);

    // Absolute rejections count up to 255 and stay there.
    Case absolute{"", 1, Checks(0, 8, 0, 0, 10, 0), {}};
    for (int i = 0; i < 300; ++i) absolute.rows.push_back({0, 20, 0});
    EXPECT_EQ(RunRows(absolute).rejections[7], 255);

    // Unused slots stay unset.
    EXPECT_FALSE(KeptIsSet(device.kept[1]));
}

TEST(ValueChecks, ToleranceIsTheLowByteOfTheIntegerPart) {
    const struct {
        float substitute;
        int tolerance;
    } cases[] = {
        {0, 0},
        {2.9f, 2},
        {255, 255},
        {300, 44},  // 0x12C: low byte 0x2C
        {65537, 1},
        {-1, 255},  // 0xFFFF as a 16-bit number
        {std::nanf(""), 0},
        {std::numeric_limits<float>::infinity(), 0},
        {1e30f, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RelativeTolerance(c.substitute), c.tolerance) << c.substitute;
    }
}

}  // namespace
