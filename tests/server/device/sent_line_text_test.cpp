#include <gtest/gtest.h>

#include "server/device/frame_send.h"

namespace {

// The entry of a sent line shows its terminator in angle brackets, a line
// feed as nothing between them.
TEST(SentLineText, ShowsTheLineAndItsTerminator) {
    struct Case {
        int slot;
        bool ok;
        const char* text;
        const char* entry;
    } cases[] = {
        {0, true, "JgA=\n", "D0: -> 1:JgA=<>\n"},   {1999, false, "JgA=\n", "D1999: -> 0:JgA=<>\n"},
        {12, true, "KAB\r", "D12: -> 1:KAB<\r>\n"}, {7, true, "", "D7: -> 1:\n"},
        {-1, true, "\n", "D-1: -> 1:<>\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SentLineLogText(c.slot, c.ok, c.text), c.entry) << c.entry;
    }
}

}  // namespace
