#include "server/device/line_assembly.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Feeds `reads` (the chunks the socket gave) and returns the completed
// lines and what is still pending.
struct Assembled {
    std::vector<std::string> lines;
    uint32_t pending = 0;
};
Assembled Assemble(const std::vector<std::string>& reads) {
    char line[kLineSize] = {};
    uint32_t length = 0;
    Assembled out;
    for (const std::string& chunk : reads) {
        for (char c : chunk) {
            if (FeedLineByte(line, length, static_cast<uint8_t>(c))) out.lines.emplace_back(line);
        }
    }
    out.pending = length;
    return out;
}

TEST(LineAssembly, ReadsSplitAndJoinedAnyWay) {
    const std::string a1022(1022, 'a');
    const std::string b1023(1023, 'b');
    const std::string c1024(1024, 'c');
    struct Case {
        const char* name;
        std::vector<std::string> reads;
        std::vector<std::string> lines;
        uint32_t pending;
    };
    const std::vector<Case> cases = {
        {"one line", {"AQID\n"}, {"AQID"}, 0},
        {"split over reads", {"AQ", "I", "D\n"}, {"AQID"}, 0},
        {"several in one read", {"AA\nBB.CC;DD"}, {"AA", "BB", "CC"}, 2},
        {"terminator alone", {"AA", "\n", "\n"}, {"AA", ""}, 0},
        {"1022 characters and LF fit", {a1022 + "\n"}, {a1022}, 0},
        // 1023 kept bytes: the terminator does not fit and the 1023rd character gives way.
        {"1023 characters", {b1023 + ";"}, {std::string(1022, 'b')}, 0},
        {"1024 characters",
         {c1024.substr(0, 600), c1024.substr(600) + "."},
         {std::string(1022, 'c')},
         0},
        {"next line after an over-long one", {c1024 + "\nXY\n"}, {std::string(1022, 'c'), "XY"}, 0},
    };
    for (const Case& c : cases) {
        Assembled got = Assemble(c.reads);
        EXPECT_EQ(got.lines, c.lines) << c.name;
        EXPECT_EQ(got.pending, c.pending) << c.name;
    }
}

}  // namespace
