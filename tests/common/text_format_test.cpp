#include "common/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

TEST(TextFormat, LongTextsAreFormattedWhole) {
    std::string big(5000, 'x');
    std::string out = StringPrintf("<%s|%d>", big.c_str(), 42);
    EXPECT_EQ(out, "<" + big + "|42>");
    StringAppendF(out, "%s", "!");
    EXPECT_EQ(out.size(), big.size() + 6);
}

TEST(TextFormat, CopyTextCutsToTheBufferAndAlwaysEndsIt) {
    char buffer[5];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(CopyText(buffer, "abcdefgh"), 4u);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(CopyText(buffer, ""), 0u);
    EXPECT_STREQ(buffer, "");
    char guarded[8] = "zzzzzzz";
    EXPECT_EQ(CopyText(guarded, 3, "abcdef"), 2u);
    EXPECT_STREQ(guarded, "ab");
    EXPECT_EQ(guarded[3], 'z');  // nothing written past the given size
}

// The appenders must print exactly what printf prints: statements and log
// entries built with either are compared byte for byte.
TEST(TextFormat, AppendersPrintWhatPrintfPrints) {
    const double reals[] = {0.0,
                            -0.0,
                            1.0,
                            -1.5,
                            0.0000005,
                            0.0000015,
                            0.0000025,
                            2.5e-7,
                            123.4567895,
                            52.229676,
                            -21.012229,
                            1e15,
                            1.7976931348623157e308,
                            -4.9e-324,
                            0.1,
                            1.0 / 3.0,
                            99999.9999995,
                            std::nan(""),
                            -std::nan(""),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity()};
    for (double value : reals) {
        std::string out = "x";
        AppendFixed6(out, value);
        EXPECT_EQ(out, StringPrintf("x%f", value)) << value;
    }
    const long long signedValues[] = {
        0, 1, -1, 42, -2147483648LL, 9223372036854775807LL, -9223372036854775807LL - 1};
    for (long long value : signedValues) {
        std::string out = ",";
        AppendDecimal(out, value);
        EXPECT_EQ(out, StringPrintf(",%lld", value));
    }
    const long long paddedValues[] = {
        0, 7, -7, 59, 100, 2024, -2024, 123456, -9223372036854775807LL - 1};
    for (long long value : paddedValues) {
        for (int width : {0, 1, 2, 4, 6}) {
            std::string out = "t";
            AppendZeroPadded(out, value, width);
            EXPECT_EQ(out, StringPrintf("t%0*lld", width, value)) << value << " " << width;
        }
    }
    const unsigned long long unsignedValues[] = {0, 7, 4294967295ULL, 18446744073709551615ULL};
    for (unsigned long long value : unsignedValues) {
        std::string out;
        AppendDecimal(out, value);
        EXPECT_EQ(out, StringPrintf("%llu", value));
    }
    const unsigned char bytes[] = {0x00, 0x0F, 0xA0, 0xFF, 0x5C};
    std::string hex = "h";
    AppendHexBytes(hex, bytes, sizeof bytes);
    std::string expected = "h";
    for (unsigned char b : bytes) StringAppendF(expected, "%02X", b);
    EXPECT_EQ(hex, expected);
}

}  // namespace
