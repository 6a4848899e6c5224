// Framing of the serial cable: text checksums, binary frames, the reader's
// resynchronisation and every request's bytes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/param_blocks.h"
#include "manager/logic/serial_answers.h"
#include "manager/logic/serial_blocks.h"
#include "manager/logic/serial_frame.h"
#include "manager/logic/serial_reader.h"
#include "manager/logic/serial_requests.h"
#include "tests/manager/serial/serial_bytes.h"

namespace {

const Bytes kMonitorRequest =
    B({0x02, 0x07, 0x00, 0x01, 0x01, 0x00, 0x0A, 0x05, 0x28, 0x3C, 0x1B, 0x03});

struct Collected {
    std::vector<Bytes> frames;
    std::vector<std::string> lines;
};

Collected Feed(bool binary, const std::vector<Bytes>& chunks) {
    Collected got;
    SerialReader reader(
        [&](std::string_view l) { got.lines.emplace_back(l); },
        [&](std::span<const uint8_t> f) { got.frames.emplace_back(f.begin(), f.end()); });
    reader.SetFraming(binary);
    for (const Bytes& chunk : chunks) reader.Feed(chunk);
    return got;
}

TEST(SerialFrame, MonitorRequestMatchesTheKnownBytes) {
    EXPECT_EQ(SerialMonitorFrame(5, 60), kMonitorRequest);
    SerialFrame frame;
    ASSERT_TRUE(SerialParseFrame(kMonitorRequest, frame));
    EXPECT_EQ(frame.length, 7);
    EXPECT_EQ(frame.header.sequence, 5);
    EXPECT_EQ(frame.header.command, 40);
    EXPECT_EQ(frame.header.item, 60);
    EXPECT_TRUE(frame.data.empty());
}

TEST(SerialFrame, ParseRefusesDamagedFrames) {
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"wrong XOR", B({0x02, 0x07, 0x00, 0x01, 0x01, 0x00, 0x0A, 0x05, 0x28, 0x3C, 0x1A, 0x03})},
        {"no end byte",
         B({0x02, 0x07, 0x00, 0x01, 0x01, 0x00, 0x0A, 0x05, 0x28, 0x3C, 0x1B, 0x04})},
        {"L says one more",
         B({0x02, 0x08, 0x00, 0x01, 0x01, 0x00, 0x0A, 0x05, 0x28, 0x3C, 0x1B, 0x03})},
        {"no start byte",
         B({0x03, 0x07, 0x00, 0x01, 0x01, 0x00, 0x0A, 0x05, 0x28, 0x3C, 0x1B, 0x03})},
        {"cut short", B({0x02, 0x07, 0x00, 0x01, 0x01})},
    };
    for (const Case& c : cases) {
        SerialFrame frame;
        EXPECT_FALSE(SerialParseFrame(c.bytes, frame)) << c.what;
    }
}

TEST(SerialText, ChecksumCoversTheBodyBetweenDollarAndStar) {
    // P^I^N^,^1^2^3^4 = 0x7F; G^E^T^1^0^0 = 0x67.
    EXPECT_EQ(SerialTextLine(SerialPinBody("1234")), "$PIN,1234*7F\r\n");
    EXPECT_EQ(SerialTextLine(SerialGetBody('1', 0)), "$GET100*67\r\n");
    EXPECT_EQ(SerialTextChecksum("$PIN,1234"), 0x7F);
    // The "$" is not part of it: a body without one sums the same.
    EXPECT_EQ(SerialTextChecksum("PIN,1234*"), 0x7F);
}

TEST(SerialText, CommandBodies) {
    struct Case {
        std::string got, want;
    } cases[] = {
        {SerialGetBody('5', 40), "$GET540*"},
        {SerialGetBody('6', 7), "$GET607*"},
        {SerialSetBody('1', 5, "internet"), "$SET105,internet*"},
        {SerialSetBody('1', 3, ""), "$CLR103*"},
        {SerialSetBody('6', 15, ""), "$CLR615*"},
        {SerialDistanceBody("1500"), "$SET300,1500"},
        {SerialClearBody(), "$SET301"},
        {SerialTextMonitorBody(1), "$GET200*"},
        {SerialTextMonitorBody(17), "$GET216*"},
        {SerialTextMonitorBody(18), "$GET221*"},
        {SerialTextMonitorBody(19), "$GET222*"},
        {SerialFirmwareTextBody(7, B({0x00, 0xAB, 0x0F}), 0x1BA), "$FIRM7,00AB0F,1BA*"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
    EXPECT_EQ(SerialTextLine(SerialClearBody()), "$SET301*70\r\n");  // S^E^T^3^0^1
}

TEST(SerialText, FirmwareSumAddsTheLineTermForCpu2) {
    const Bytes bytes = B({1, 2, 3});
    EXPECT_EQ(SerialFirmwareTextSum(10, 4, bytes, false), 16u);
    EXPECT_EQ(SerialFirmwareTextSum(10, 4, bytes, true), 16u + 2);  // 4 / 4 + 1
    EXPECT_EQ(SerialFirmwareTextSum(10, 0, bytes, true), 16u + 1);
    EXPECT_EQ(SerialFirmwareTextSum(10, 5, bytes, true), 16u);
}

TEST(SerialReader, BinaryFramingAndResynchronisation) {
    const Bytes ok = kMonitorRequest;
    // L = 600 (0x258): dropped as soon as L is known; the next byte, which
    // is L's own 0x02, does not start a frame.
    const Bytes tooLong = B({0x02, 0x58, 0x02, 0x11, 0x22});
    const Bytes tooShort = B({0x02, 0x05, 0x00});
    Bytes noEnd = ok;
    noEnd.back() = 0x04;
    Bytes badXor = ok;
    badXor[10] ^= 0xFF;
    struct Case {
        const char* what;
        std::vector<Bytes> chunks;
        std::vector<Bytes> frames;
    } cases[] = {
        {"one frame", {ok}, {ok}},
        {"noise before", {B({0x00, 0xFF, 0x03}) + ok}, {ok}},
        {"L = 600", {tooLong + ok}, {ok}},
        {"L = 5", {tooShort + ok}, {ok}},
        {"no 0x03 at the end", {noEnd + ok}, {ok}},
        {"XOR left to the decoder", {badXor}, {badXor}},
        {"split in bytes", {B({0x02}), B({0x07, 0x00}), Bytes(ok.begin() + 3, ok.end())}, {ok}},
        {"two in one read", {ok + ok}, {ok, ok}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Feed(true, c.chunks).frames, c.frames) << c.what;
        EXPECT_TRUE(Feed(true, c.chunks).lines.empty()) << c.what;
    }
}

TEST(SerialReader, FrameSizeLimitIsTheBuffer) {
    FrameHeader h;
    const Bytes largest = SerialBuildFrame(h, Bytes(500, 0x55));  // 512 bytes
    const Bytes over = SerialBuildFrame(h, Bytes(501, 0x55));
    ASSERT_EQ(largest.size(), 512u);
    EXPECT_EQ(Feed(true, {largest}).frames, std::vector<Bytes>{largest});
    EXPECT_EQ(Feed(true, {over + kMonitorRequest}).frames, std::vector<Bytes>{kMonitorRequest});
}

TEST(SerialReader, TextLines) {
    struct Case {
        const char* what;
        std::string input;
        std::vector<std::string> lines;
    } cases[] = {
        {"CR LF", "$ANS100,abc*12\r\n", {"$ANS100,abc*12"}},
        {"bare LF and empty lines", "A\n\r\n\nB\n", {"A", "B"}},
        {"no LF yet", "$ANS1", {}},
        {"long line cut at 511", std::string(600, 'x') + "\n", {std::string(511, 'x')}},
    };
    for (const Case& c : cases) {
        Bytes bytes(c.input.begin(), c.input.end());
        EXPECT_EQ(Feed(false, {bytes}).lines, c.lines) << c.what;
    }
}

TEST(SerialReader, ChangingTheFramingEmptiesTheBuffer) {
    std::vector<Bytes> frames;
    std::vector<std::string> lines;
    SerialReader reader(
        [&](std::string_view l) { lines.emplace_back(l); },
        [&](std::span<const uint8_t> f) { frames.emplace_back(f.begin(), f.end()); });
    reader.SetFraming(false);
    reader.Feed(Text("half a line"));
    reader.SetFraming(true);
    reader.Feed(Bytes(kMonitorRequest.begin(), kMonitorRequest.begin() + 6));
    reader.SetFraming(false);
    reader.Feed(Text("B\n"));
    EXPECT_EQ(lines, std::vector<std::string>{"B"});
    EXPECT_TRUE(frames.empty());
}

TEST(SerialRequests, FrameSizesAndHeaders) {
    const std::string pin = "12";
    struct Case {
        const char* what;
        Bytes frame;
        size_t size;
        int command, item;
    } cases[] = {
        {"read block", SerialReadBlockFrame(1, 90, pin), 16, 40, 90},
        {"write Vimko-2", SerialWriteBlockFrame2(1, 50, pin, Bytes(256, 0xFF)), 272, 60, 50},
        {"write Vimko-3/4 Dallas",
         SerialWriteBlockFrame3(1, 96, pin, Bytes(8, 0x35), Bytes(481, 0)), 505, 60, 96},
        {"distance", SerialDistanceFrame(1, pin, 1500), 20, 30, 50},
        {"clear", SerialClearFrame(1, pin), 16, 30, 51},
        {"archive count", SerialArchiveCountFrame(1), 12, 80, 50},
        {"archive record", SerialArchiveRecordFrame(1, 7), 16, 80, 52},
        {"unread", SerialUnreadFrame(1), 12, 80, 51},
        {"IMEI", SerialMonitorFrame(1, 100), 12, 40, 100},
        {"firmware block 248", SerialFirmwareFrame(1, 248, Bytes(256, 1), 63488), 272, 65, 51},
        {"Dallas close", SerialDallasCloseFrame(1, 3, 2, 40), 16, 68, 50},
    };
    for (const Case& c : cases) {
        SerialFrame f;
        ASSERT_TRUE(SerialParseFrame(c.frame, f)) << c.what;
        EXPECT_EQ(c.frame.size(), c.size) << c.what;
        EXPECT_EQ(f.header.command, c.command) << c.what;
        EXPECT_EQ(f.header.item, c.item) << c.what;
        EXPECT_EQ(f.header.direction, 10) << c.what;
    }
    // PIN zero-filled, distance little-endian after it.
    SerialFrame d;
    SerialParseFrame(SerialDistanceFrame(9, "12", 0x01020304), d);
    EXPECT_EQ(d.data, B({'1', '2', 0, 0, 4, 3, 2, 1}));
    // Upload frames: byte 3 0xF8, byte 4 block % 248 + 1, the running sum last.
    SerialFrame fw;
    SerialParseFrame(SerialFirmwareFrame(0, 249, Bytes(256, 1), 0x00ABCDEF), fw);
    EXPECT_EQ(fw.header.mark, 0xF8);
    EXPECT_EQ(fw.header.block, 2);
    EXPECT_EQ(Bytes(fw.data.end() - 4, fw.data.end()), B({0xEF, 0xCD, 0xAB, 0x00}));
}

TEST(SerialRequests, BlockItemsPerGeneration) {
    EXPECT_EQ(SerialBlockItem(1, 0), 50);
    EXPECT_EQ(SerialBlockItem(1, 7), 57);
    EXPECT_EQ(SerialBlockItem(1, 1), -1);  // no Calibration on Vimko-2
    EXPECT_EQ(SerialBlockItem(1, 8), -1);
    EXPECT_EQ(SerialBlockItem(2, 1), 91);
    EXPECT_EQ(SerialBlockItem(2, 8), 98);
    EXPECT_EQ(SerialBlockItem(0, 0), -1);
}

TEST(SerialBlocks, TextBlockRoundTripAndEmptyFields) {
    const ParamSchema& general = ParamSchemaOf(ParamBlock::kGeneral);
    auto rows = general.rows.first(static_cast<size_t>(general.textRows));
    SerialValues values(rows.size());
    values[0] = "car 12";
    values[1] = "internet";
    values[13] = "4294967295";
    Bytes block = SerialEncodeTextBlock(rows, values);
    ASSERT_EQ(block.size(), 256u);
    // Shorter than its field: one NUL after it, the rest of the field stays 0xFF.
    const size_t at = static_cast<size_t>(rows[0].textOffset);
    EXPECT_EQ(block[at + 6], 0);
    ASSERT_GT(rows[0].textLength, 7);
    EXPECT_EQ(block[at + 7], 0xFF);
    SerialValues back = SerialDecodeTextBlock(rows, block);
    EXPECT_EQ(back, values);  // empty values come back empty
}

TEST(SerialBlocks, BinaryGeneralOf200BytesFills36Rows) {
    const ParamSchema& general = ParamSchemaOf(ParamBlock::kGeneral);
    ASSERT_EQ(general.rows.size(), 37u);
    EXPECT_EQ(SerialRowsPresent(0, 37, 196), 29u);
    EXPECT_EQ(SerialRowsPresent(0, 37, 197), 36u);
    EXPECT_EQ(SerialRowsPresent(0, 37, 200), 36u);
    EXPECT_EQ(SerialRowsPresent(0, 37, 209), 37u);
    EXPECT_EQ(SerialRowsPresent(1, 19, 54), 9u);
    EXPECT_EQ(SerialRowsPresent(1, 19, 62), 13u);
    EXPECT_EQ(SerialRowsPresent(1, 19, 63), 19u);
    EXPECT_EQ(SerialRowsPresent(3, 149, 10), 149u);

    SerialValues values(37);
    for (size_t i = 0; i < values.size(); ++i) {
        const ParamDescriptor& row = general.rows[i];
        values[i] = row.kind == kParamText     ? "T" + std::to_string(i)
                    : row.kind == kParamNumber ? std::to_string(i * 1000 + 1)
                                               : "0A";
    }
    Bytes block = SerialEncodeBinaryBlock(general.rows, values, 212);
    EXPECT_EQ(block[0], 1);
    // An answer's block starts with its item byte; 200 data bytes follow.
    block[0] = 90;
    block.resize(201);
    SerialValues back = SerialDecodeBinaryBlock(general.rows, block, SerialRowsPresent(0, 37, 200));
    for (size_t i = 0; i < 36; ++i) {
        const ParamDescriptor& row = general.rows[i];
        if (row.kind == kParamNumber && row.binarySize < 4) continue;  // cut to its width
        if (row.kind == kParamHex) continue;
        EXPECT_EQ(back[i], values[i]) << row.name;
    }
    EXPECT_EQ(back[36], "");  // MODE4
    EXPECT_STREQ(general.rows[36].name, "MODE4");
}

TEST(SerialBlocks, HexValuesCountOnlyUpperCaseDigits) {
    const ParamDescriptor row{"X", 0, 0, kParamHex, 1, 3};
    Bytes block = SerialEncodeBinaryBlock(std::span(&row, 1), {"1Fa9Z"}, 4);
    EXPECT_EQ(block, B({1, 0x1F, 0x09, 0x00}));  // 'a' and 'Z' count as 0
    EXPECT_EQ(SerialDecodeBinaryBlock(std::span(&row, 1), block, 1), SerialValues{"1F0900"});
}

TEST(SerialBlocks, ImeiFromPackedBcd) {
    EXPECT_EQ(SerialImeiText(B({0x35, 0x43, 0x30, 0x03, 0x12, 0x34, 0x56, 0x7F})),
              "354330031234567");
    EXPECT_EQ(SerialImeiText(B({0xF3, 0x54})), "354");
}

TEST(SerialAnswers, TextReadOfFmsPairsOddAndEvenNumbers) {
    TextReadCollector fms(2);
    EXPECT_EQ(fms.Expected(), 41);
    EXPECT_TRUE(fms.Take("$ANS500,7*11"));
    EXPECT_TRUE(fms.Take("$ANS501,65265*22"));
    EXPECT_TRUE(fms.Take("$ANS502,84*33"));
    EXPECT_TRUE(fms.Take("$ANS539,61444*"));
    EXPECT_TRUE(fms.Take("$ANS540,190*"));
    EXPECT_FALSE(fms.Take("$ANS100,x*"));
    EXPECT_FALSE(fms.Take("$ANS541,1*"));
    EXPECT_EQ(fms.Answers(), 5);
    EXPECT_EQ(fms.Values()[0], "7");
    EXPECT_EQ(fms.Values()[1], "65265,84");
    EXPECT_EQ(fms.Values()[20], "61444,190");
    EXPECT_FALSE(fms.Values()[2].has_value());

    TextReadCollector general(0);
    EXPECT_TRUE(general.Take("$ANS128,30*00"));
    EXPECT_TRUE(general.Take("$ANS101,*00"));
    EXPECT_EQ(general.Values()[28], "30");
    EXPECT_EQ(general.Values()[1], "");
}

TEST(SerialAnswers, DebugAndTerminalLogTexts) {
    EXPECT_EQ(SerialDebugLine("$GPDBG,gps ok*5A"), "gps ok");
    EXPECT_FALSE(SerialDebugLine("$ANS100,1*00"));
    FrameHeader debug;
    debug.direction = 20;
    debug.command = 50;
    debug.item = 'h';
    EXPECT_EQ(SerialFrameLogText(SerialBuildFrame(debug, Text("ello", 5))), " hello");
    FrameHeader kx;
    kx.address = 2;
    kx.command = 40;
    kx.item = 17;
    EXPECT_EQ(SerialFrameLogText(SerialBuildFrame(kx, {})), " KX05 Terminal: Request==17");
    kx.command = 30;
    kx.item = 60;
    EXPECT_EQ(SerialFrameLogText(SerialBuildFrame(kx, {})), " KX05 Terminal: SynchroClock");
    kx.mark = 0xF8;
    kx.block = 5;
    kx.command = 65;
    kx.item = 50;
    EXPECT_EQ(SerialFrameLogText(SerialBuildFrame(kx, {})), " KX05 Terminal: SendFirmware==4");
    FrameHeader vr;
    vr.address = 1;
    vr.command = 40;
    vr.item = 20;
    EXPECT_EQ(SerialFrameLogText(SerialBuildFrame(vr, {})), " VR20 Terminal");
    EXPECT_FALSE(SerialFrameLogText(kMonitorRequest));
}

}  // namespace
