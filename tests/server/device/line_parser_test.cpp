#include "server/device/line_parser.h"

#include <gtest/gtest.h>

#include "tests/support/frame_bytes.h"

namespace {

struct Parsed {
    LineParse result;
    LineFrames frames;
};

Parsed Parse(const std::string& bytes, LocationRecord& record) {
    Parsed p;
    std::string text = B64(bytes);
    p.result = ParseDeviceLine(text.c_str(), p.frames, record);
    return p;
}

std::string Identification(int length) {
    std::string payload = Text("356000111222333", 15) + Text("Truck 7", 16);
    if (length >= 51) payload += Text("8948000000000000001", 20);
    if (length >= 81) payload += Text("WDB9634031L123456", 17) + Text("WX 12345", 13);
    if (length >= 85) payload += Le(20401, 4);
    return Frame(0, length, payload);
}

TEST(LineParser, EmptyLineHasNothingToDo) {
    LocationRecord rec{};
    LineFrames frames;
    EXPECT_EQ(ParseDeviceLine("", frames, rec), LineParse::kEmpty);
    EXPECT_EQ(ParseDeviceLine("=", frames, rec), LineParse::kEmpty);
}

TEST(LineParser, UnknownZeroLengthFrameDiscardsTheWholeLine) {
    LocationRecord rec{};
    rec.rawdin = 1;
    Parsed p = Parse(Frame(2, 3, "\x09\x08\x07") + Frame(200, 0, ""), rec);
    EXPECT_EQ(p.result, LineParse::kDiscarded);
    // Nothing of the discarded line reaches the unit's record.
    EXPECT_EQ(rec.rawdin, 1);
    EXPECT_EQ(rec.present, 0u);
    EXPECT_EQ(p.frames.frameLog, "frameid=2 framelen=3 frameid=200 framelen=0");
}

TEST(LineParser, UnknownFrameWithLengthIsSkippedAndTheRestProcessed) {
    LocationRecord rec{};
    Parsed p = Parse(Frame(150, 3, "abc") + Frame(2, 3, "\x09\x08\x07") + Frame(40, 0, ""), rec);
    EXPECT_EQ(p.result, LineParse::kParsed);
    EXPECT_TRUE(p.frames.location);
    EXPECT_TRUE(p.frames.ackRequest);
    EXPECT_EQ(rec.rawdin, 9);
    EXPECT_EQ(rec.lodin, 7);
    EXPECT_EQ(rec.present, 1u << 1);
}

TEST(LineParser, IdentificationFieldsFollowTheLengthByte) {
    LocationRecord rec{};
    const struct {
        int length;
        const char* ccid;
        const char* vrn;
        uint32_t version;
    } cases[] = {
        {31, "", "", 0},
        {51, "8948000000000000001", "", 0},
        {81, "8948000000000000001", "WX 12345", 0},
        {85, "8948000000000000001", "WX 12345", 20401},
    };
    for (const auto& c : cases) {
        Parsed p = Parse(Identification(c.length), rec);
        ASSERT_EQ(p.result, LineParse::kParsed);
        EXPECT_TRUE(p.frames.ident);
        EXPECT_STREQ(p.frames.devId, "356000111222333");
        EXPECT_STREQ(p.frames.description, "Truck 7");
        EXPECT_STREQ(p.frames.ccid, c.ccid) << c.length;
        EXPECT_STREQ(p.frames.vrn, c.vrn) << c.length;
        EXPECT_EQ(p.frames.version, c.version) << c.length;
    }
}

TEST(LineParser, PicoFramesHaveFixedLayouts) {
    LocationRecord rec{};
    std::string ident = Frame(64, 0, Text("77001", 15) + Text("Pico", 16) + Text("8948", 20));
    Parsed p = Parse(ident + Frame(65, 0, Text("Pico 2", 16) + Text("8949", 20)), rec);
    ASSERT_EQ(p.result, LineParse::kParsed);
    EXPECT_TRUE(p.frames.ident && p.frames.identPico && p.frames.reident && p.frames.reidentPico);
    EXPECT_STREQ(p.frames.devId, "77001");
    EXPECT_STREQ(p.frames.description, "Pico 2");
    EXPECT_STREQ(p.frames.ccid, "8949");
}

TEST(LineParser, TextMessageWithAndWithoutPosition) {
    LocationRecord rec{};
    std::string head = Text("Dispatch", 16) + Text("Late by 10 min, it's raining", 150);
    Parsed plain = Parse(Frame(45, 0, head), rec);
    EXPECT_TRUE(plain.frames.message);
    EXPECT_FALSE(plain.frames.messageHasPosition);
    EXPECT_STREQ(plain.frames.messageText, "Late by 10 min, it's raining");

    std::string tail = Le(1, 1) + Le(12345678, 4) + Le(30, 1) + Le(2, 1) + Le(2024, 2) +
                       Le(521234567, 4) + Le(static_cast<uint32_t>(-210500000), 4);
    Parsed located = Parse(Frame(45, 182, head + tail), rec);
    ASSERT_TRUE(located.frames.messageHasPosition);
    const MessagePosition& pos = located.frames.messagePosition;
    EXPECT_EQ(pos.fixstat, 1);
    EXPECT_EQ(pos.year, 0);  // 30 February
    ASSERT_EQ(located.frames.dateErrors.size(), 1u);
    EXPECT_EQ(located.frames.dateErrors[0].day, 30);
    EXPECT_EQ(pos.latituded, 52);
    EXPECT_EQ(pos.longituded, -21);
    EXPECT_FLOAT_EQ(pos.longitudem, -5.0f);
    EXPECT_FALSE(located.frames.location);
}

TEST(LineParser, OversizedBlocksAreCutButTheNextFrameStillLinesUp) {
    LocationRecord rec{};
    std::string tunnel = Frame(116, 0, Le(300, 2) + std::string(300, 'T'));
    std::string block = Frame(90, 0, Le(600, 2) + std::string(600, 'B'));
    Parsed p = Parse(tunnel + block + Frame(8, 1, "\x02"), rec);
    ASSERT_EQ(p.result, LineParse::kParsed);
    EXPECT_EQ(p.frames.tunnelBytes, std::string(256, 'T'));
    ASSERT_EQ(p.frames.answers.size(), 1u);
    EXPECT_EQ(p.frames.answers[0].id, 90);
    EXPECT_EQ(p.frames.answers[0].bytes.size(), 2u + 512u);
    EXPECT_EQ(p.frames.answers[0].bytes.substr(0, 2), Le(512, 2));
    EXPECT_EQ(rec.alarm, 2);
}

TEST(LineParser, AcknowledgementsRequestsAndTunnelFrames) {
    LocationRecord rec{};
    std::string connect =
        Frame(112, 9, Le(1, 1) + std::string("\x7F\x00\x00\x01", 4) + Le(8080, 2));
    Parsed p = Parse(Frame(37, 0, "") + Frame(44, 0, "") + connect + Frame(113, 0, "") +
                         Frame(160, 0, "") + Frame(33, 0, Text("cfg", 256)),
                     rec);
    ASSERT_EQ(p.result, LineParse::kParsed);
    EXPECT_TRUE(p.frames.ack);
    EXPECT_TRUE(p.frames.nack);
    EXPECT_TRUE(p.frames.tunnelConnect);
    EXPECT_EQ(p.frames.tunnelKind, 1);
    EXPECT_EQ(p.frames.tunnelAddress[0], 127);
    EXPECT_EQ(p.frames.tunnelAddress[3], 1);
    EXPECT_EQ(p.frames.tunnelPort, 8080);
    EXPECT_TRUE(p.frames.tunnelDisconnect);
    EXPECT_TRUE(p.frames.agps);
    ASSERT_EQ(p.frames.answers.size(), 1u);
    EXPECT_EQ(p.frames.answers[0].bytes.substr(0, 4), std::string("cfg\0", 4));
    EXPECT_FALSE(p.frames.location);
}

TEST(LineParser, TextEndingInsideAFrameGivesZerosAndEndsTheLine) {
    LocationRecord rec{};
    rec.seqno = 5;
    rec.mem = 6;
    // Frame 7 carries seqno (4), mem (4), frame (1); only two bytes of mem arrive.
    Parsed p = Parse(Frame(7, 9, Le(1000, 4) + Le(0x0102, 2)), rec);
    ASSERT_EQ(p.result, LineParse::kParsed);
    EXPECT_EQ(rec.seqno, 1000);
    EXPECT_EQ(rec.mem, 0);
    EXPECT_EQ(rec.frame, 0);
}

}  // namespace
