// The pure parts of the local record readers and uploads, and the values
// between the configuration lists and the serial blocks.

#include "manager/logic/local_records.h"

#include <gtest/gtest.h>

#include "manager/logic/local_values.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/param_schema.h"
#include "manager/logic/serial_blocks.h"
#include "tests/manager/qt_printers.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(LocalRecords, ArchiveRangeTakesTheLastRecordsAndNeverWraps) {
    struct Case {
        uint32_t total;
        long long count;
        uint32_t first, records;
    } const kCases[] = {
        {300, 100, 200, 100}, {300, 300, 0, 300}, {300, 301, 0, 300}, {0, 100, 0, 0},
        {300, 0, 0, 0},       {300, -5, 0, 0},    {300, 1, 299, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.total << " " << c.count);
        ArchiveRange r = LocalArchiveRange(c.total, c.count);
        EXPECT_EQ(r.first, c.first);
        EXPECT_EQ(r.records, c.records);
    }
}

TEST(LocalRecords, RecordLineIs512HexDigitsAndCrLf) {
    Bytes record(256);
    for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(i ^ 0xA5);
    std::string line = LocalRecordLine(record);
    ASSERT_EQ(line.size(), 514u);
    EXPECT_EQ(line.substr(0, 6), "A5A4A7");
    EXPECT_EQ(line.substr(508), "5B5A\r\n");
    // A longer answer is cut at the record's 256 bytes.
    record.resize(300, 0x11);
    EXPECT_EQ(LocalRecordLine(record).size(), 514u);
}

TEST(LocalRecords, ProgressValues) {
    const int unread[] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 0, 10};
    for (int n = 1; n <= 12; ++n) EXPECT_EQ(LocalUnreadProgress(n), unread[n - 1]) << n;
    struct Case {
        int block, count;
        const char* text;
    } const kCases[] = {
        {0, 992, "0.100806451612903"},
        {495, 992, "50"},
        {991, 992, "100"},
        {2, 992, "0.30241935483871"},
    };
    for (const Case& c : kCases) EXPECT_EQ(LocalUploadProgress(c.block, c.count), c.text);
}

TEST(LocalRecords, ImageSliceAndDallasBlocksStayInsideTheData) {
    const Bytes image{1, 2, 3};
    EXPECT_EQ(LocalImageSlice(image, 0, 2), (Bytes{1, 2}));
    EXPECT_EQ(LocalImageSlice(image, 2, 3), (Bytes{3, 0xFF, 0xFF}));
    EXPECT_EQ(LocalImageSlice(image, 10, 2), (Bytes{0xFF, 0xFF}));

    struct Case {
        size_t size;
        int blocks;
        size_t lastBlock;
    } const kCases[] = {{0, 0, 0}, {1, 1, 1}, {256, 1, 256}, {257, 2, 1}, {640, 3, 128}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.size);
        Bytes data(c.size, 7);
        ASSERT_EQ(LocalDallasBlockCount(data.size()), c.blocks);
        if (c.blocks > 0) {
            EXPECT_EQ(LocalDallasBlock(data, c.blocks - 1).size(), c.lastBlock);
        }
        EXPECT_TRUE(LocalDallasBlock(data, c.blocks).empty());
    }
}

// A text value with a comma in it stays one value on its way to a block and
// back, where the console's comma-separated answers would split it.
TEST(LocalValues, ValuesRoundTripThroughTheBlocksWithCommasInTexts) {
    for (int type : {kVimko2, kVimko3}) {
        SCOPED_TRACE(type);
        ParamList list = DefaultList(kTabGeneral, type);
        const QString key = list.rows[0].key;
        list.SetValue(key, QStringLiteral("A,B"));
        SerialValues values = LocalValuesOf(list, kTabGeneral, type);
        ASSERT_EQ(values.size(), static_cast<size_t>(ValueCountFor(kTabGeneral, type)));
        EXPECT_EQ(values[0], "A,B");
        std::vector<ParamDescriptor> rows = LocalDescriptors(kTabGeneral, type);
        SerialValues back =
            type == kVimko2
                ? SerialDecodeTextBlock(rows, SerialEncodeTextBlock(rows, values))
                : SerialDecodeBinaryBlock(
                      rows, SerialEncodeBinaryBlock(rows, values, SerialBinaryBlockSize(0)),
                      rows.size());
        ParamList read = DefaultList(kTabGeneral, type);
        LocalApplyValues(read, kTabGeneral, type, back);
        EXPECT_EQ(read.Lines(), list.Lines());
    }
}

}  // namespace
