#include "common/text_format.h"

#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace
