// The frames of firmware uploads and the upload buffer's loading, against
// bytes worked out by hand.

#include "server/console/firmware_frames.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

TEST(FirmwareBlocks, CountFollowsTheImageSize) {
    EXPECT_EQ(FirmwareBlockCount(122880), 480);
    EXPECT_EQ(FirmwareBlockCount(122879), 992);
    EXPECT_EQ(FirmwareBlockCount(122881), 992);
    EXPECT_EQ(FirmwareBlockCount(0), 992);
    EXPECT_EQ(FirmwareBlockCount(253952), 992);
}

TEST(FirmwareBlocks, RunningSumAddsBlockNumbersOnlyForThe480BlockImage) {
    const std::string ones(256, '\x01');
    const std::string ffs(256, '\xFF');
    const struct {
        uint32_t before;
        int block;
        int count;
        const std::string& bytes;
        uint32_t after;
    } cases[] = {
        {0, 0, 480, ones, 256 + 1},
        {257, 1, 480, ffs, 257 + 255 * 256 + 2},
        {0, 0, 992, ones, 256},
        {256, 1, 992, ffs, 256 + 255 * 256},
        {0, 479, 480, ones, 256 + 480},
        {0xFFFFFFF0u, 3, 992, ones, 0xF0},  // wraps at 32 bits
        {10, 7, 480, std::string(), 10 + 8},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AddBlockToChecksum(c.before, c.block, c.count, c.bytes), c.after)
            << c.block << "/" << c.count;
    }
}

TEST(FirmwareBlocks, FrameCarriesIdBlockNumberBytesAndSum) {
    std::string frame =
        FirmwareBlockFrame(kModuleFirmwareId, 0x0102, std::string(256, '\x5A'), 0x11223344);
    ASSERT_EQ(frame.size(), 264u);
    EXPECT_EQ(frame.substr(0, 4), Bytes({0x24, 0, 0x02, 0x01}));
    EXPECT_EQ(frame.substr(4, 256), std::string(256, '\x5A'));
    EXPECT_EQ(frame.substr(260), Bytes({0x44, 0x33, 0x22, 0x11}));
    std::string hex;
    for (int i = 0; i < 256; ++i) hex += "5A";
    EXPECT_EQ(FirmwareBlockLogText(frame), "0201" + hex + "44332211");

    // A block where the image ended is padded with zero bytes.
    std::string shortBlock = FirmwareBlockFrame(kTerminalFirmwareId, 3, "\x07\x08", 0x0F);
    ASSERT_EQ(shortBlock.size(), 264u);
    EXPECT_EQ(shortBlock.substr(0, 6), Bytes({0x3A, 0, 3, 0, 7, 8}));
    EXPECT_EQ(shortBlock.substr(6, 254), std::string(254, '\0'));
    EXPECT_EQ(shortBlock.substr(260), Bytes({0x0F, 0, 0, 0}));
}

TEST(AdapterRecords, An241ByteImageGivesTwoDataRecordsAndActivationFive) {
    EXPECT_EQ(AdapterStartRecord(), Bytes({0x86, 2, 1, 0}));
    EXPECT_EQ(AdapterNameRecord("ab", 241), Bytes({0x86, 8, 2, 0, 'a', 'b', 0xF1, 0, 0, 0}));
    ASSERT_EQ(AdapterDataRecordCount(241), 2);
    EXPECT_EQ(AdapterDataRecordBytes(0, 241), 240u);
    EXPECT_EQ(AdapterDataRecordBytes(1, 241), 1u);
    std::string first = AdapterDataRecord(0, std::string(240, 'x'));
    EXPECT_EQ(first.substr(0, 4), Bytes({0x86, 242, 3, 0}));
    EXPECT_EQ(first.size(), 244u);
    EXPECT_EQ(AdapterDataRecord(1, "z"), Bytes({0x86, 3, 4, 0, 'z'}));
    EXPECT_EQ(AdapterActivateRecord(2), Bytes({0x86, 2, 5, 0}));
    // Record numbers past 255 take both bytes.
    EXPECT_EQ(AdapterActivateRecord(300), Bytes({0x86, 2, 0x2F, 0x01}));
}

TEST(AdapterRecords, RecordCountsAndSizesAtTheEdges) {
    const struct {
        uint32_t size;
        int records;
        size_t lastBytes;
    } cases[] = {{1, 1, 1}, {240, 1, 240}, {241, 2, 1}, {480, 2, 240}, {481, 3, 1}};
    for (const auto& c : cases) {
        ASSERT_EQ(AdapterDataRecordCount(c.size), c.records) << c.size;
        EXPECT_EQ(AdapterDataRecordBytes(c.records - 1, c.size), c.lastBytes) << c.size;
        EXPECT_EQ(AdapterDataRecordBytes(c.records, c.size), 0u) << c.size;
    }
    // The largest image still numbers its activation within 16 bits.
    EXPECT_EQ(AdapterDataRecordCount(kAdapterImageMax) + 3, 0xFFFF);
}

TEST(AdapterRecords, LogShowsPrintableBytesAndHexForTheRest) {
    EXPECT_EQ(AdapterRecordLogText(Bytes({'A', 1, '~', 0x7F, ' ', 0xFF})), "A[01]~[7F] [FF]");
}

TEST(RawRecords, SixHundredBytesGiveThreeRecordsTheLastFlagged) {
    std::string bytes;
    for (int i = 0; i < 600; ++i) bytes += static_cast<char>(i * 7);
    std::vector<RawRecord> records = RawRecords(10, 0, bytes);
    ASSERT_EQ(records.size(), 3u);
    const int items[] = {256, 256, 88};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(records[r].index, 10 + r);
        EXPECT_EQ(records[r].flag, r == 2 ? 1 : 0);
        EXPECT_EQ(records[r].items, items[r]);
    }
    EXPECT_EQ(records[2].frame.substr(0, 7), Bytes({0x3F, 0, 12, 0, 1, 88, 0}));
    EXPECT_EQ(records[2].frame.substr(7), bytes.substr(512));
    EXPECT_EQ(records[0].frame.substr(0, 7), Bytes({0x3F, 0, 10, 0, 0, 0, 1}));

    // One byte: one record, flagged; index and flag kept to their sizes.
    std::vector<RawRecord> one = RawRecords(0xFFFF, 0xFF, "\x42");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].frame, Bytes({0x3F, 0, 0xFF, 0xFF, 0, 1, 0, 0x42}));
}

TEST(FirmwareArguments, HexPairsOrZero) {
    EXPECT_EQ(HexPairsOrZero("0AzzFf1"), Bytes({0x0A, 0, 0xFF}));
    EXPECT_EQ(HexPairsOrZero("7"), "");
}

TEST(WriteData, IndexRulesAndWhatFits) {
    constexpr size_t kCapacity = 16;
    const struct {
        const char* args;
        bool ok;
        int32_t length;    // after the call (starts at 5)
        const char* tail;  // expected bytes from index 0, as hex pairs
    } cases[] = {
        {"0,A1b2", true, 2, "A1B2"},
        {"0,ABC", true, 1, "AB"},      // an odd last digit is ignored
        {"3,", true, 3, ""},           // no data: the index is the length
        {"14,010203", false, 16, ""},  // what fitted is kept
        {"16,", true, 16, ""},
        {"17,00", false, 5, ""},  // beyond the buffer: refused,
                                  // nothing changed
        {"-1,00", false, 5, ""},
        {",00", false, 5, ""},
        {"x,00", false, 5, ""},
        {"1", false, 5, ""},
        {"1,2,3", false, 5, ""},
        {"99999999999,00", false, 5, ""},
        {"4,0G11", false, 4, ""},  // a pair that is not hexadecimal stops the loading
    };
    for (const auto& c : cases) {
        uint8_t buffer[kCapacity] = {};
        int32_t length = 5;
        EXPECT_EQ(ApplyWriteData(c.args, buffer, kCapacity, length), c.ok) << c.args;
        EXPECT_EQ(length, c.length) << c.args;
        std::string want = HexPairsOrZero(c.tail);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), want.size()), want) << c.args;
    }
    // Consecutive lines append; the last one that fits fills the buffer.
    uint8_t buffer[kCapacity] = {};
    int32_t length = 0;
    ASSERT_TRUE(ApplyWriteData("0,0102", buffer, kCapacity, length));
    ASSERT_TRUE(ApplyWriteData("2,03", buffer, kCapacity, length));
    EXPECT_EQ(length, 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), Bytes({1, 2, 3}));
    EXPECT_FALSE(ApplyWriteData("14,AABBCC", buffer, kCapacity, length));
    EXPECT_EQ(length, 16);
    EXPECT_EQ(buffer[14], 0xAA);
    EXPECT_EQ(buffer[15], 0xBB);
}

TEST(WriteData, UploadNameEndsAtItsNulWithinTheBuffer) {
    const struct {
        std::string buffer;
        size_t length;
        bool ok;
        const char* name;
        size_t offset;
    } cases[] = {
        {std::string("fw.bin\0DATA", 11), 11, true, "fw.bin", 7},
        {std::string("fw.bin\0", 7), 7, true, "fw.bin", 7},  // an empty image is the caller's
        {std::string("\0DATA", 5), 5, false, "", 0},
        {std::string("abc\0", 4), 3, false, "", 0},  // the NUL lies past the length
        {std::string(256, 'n') + '\0', 257, true, "", 257},
        {std::string(257, 'n') + '\0', 258, false, "", 0},
    };
    for (const auto& c : cases) {
        std::string name;
        size_t offset = 0;
        bool ok = SplitUploadName(reinterpret_cast<const uint8_t*>(c.buffer.data()), c.length, name,
                                  offset);
        EXPECT_EQ(ok, c.ok) << c.buffer.size();
        if (!ok) continue;
        EXPECT_EQ(offset, c.offset);
        if (*c.name != '\0') {
            EXPECT_EQ(name, c.name);
        }
        EXPECT_EQ(name.size() + 1, offset);
    }
}

}  // namespace
