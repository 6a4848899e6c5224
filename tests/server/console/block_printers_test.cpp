#include "server/console/block_printers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/frame_bytes.h"

namespace {

const char kBorder[] = "+-----------+----------------------------------+\r\n";
const char kHead[] =
    "+-----------+----------------------------------+\r\n"
    "| parameter | value                            |\r\n"
    "+-----------+----------------------------------+\r\n";

const AnswerTarget kBinary{true, 0, ""};

// `block` with `bytes` written at `offset`.
std::string Put(std::string block, size_t offset, const std::string& bytes) {
    return block.replace(offset, bytes.size(), bytes);
}

// A binary block answer as the unit sends it: count u16, then the block.
std::string BinaryPayload(const std::string& block) {
    return Le(block.size(), 2) + block;
}

// The values of a binary-mode answer "answer v0,v1,...\r\ndone\r\n".
std::vector<std::string> AnswerValues(const std::string& text) {
    const std::string prefix = "answer ";
    const std::string suffix = "\r\ndone\r\n";
    std::vector<std::string> values;
    if (text.compare(0, prefix.size(), prefix) != 0 ||
        text.size() < prefix.size() + suffix.size() ||
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0) {
        ADD_FAILURE() << "not an answer: " << text;
        return values;
    }
    std::string body = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    size_t start = 0;
    for (;;) {
        size_t comma = body.find(',', start);
        values.push_back(body.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) return values;
        start = comma + 1;
    }
}

TEST(BlockPrinters, GeneralTextBlockPrintsTheWholeTableInTextMode) {
    std::string block(256, '\xFF');
    block = Put(block, 0, Text("350123456789012", 16));
    block = Put(block, 16, Text("internet.example", 32));
    block = Put(block, 48, std::string(16, '\0'));  // NUL first: empty, not "not given"
    block = Put(block, 80, "1234");                 // fills SIMPIN, IP follows at once
    block = Put(block, 84, Text("10.0.0.1", 15));
    block = Put(block, 99, Text("5100", 5));
    block = Put(block, 217, "12345");  // fills DIN7CONF; DALLAS after it not given
    block = Put(block, 253, "300");    // the block's last three bytes, no NUL after them
    ASSERT_EQ(block.size(), 256u);

    std::string expected = std::string(kHead) +
                           "| ID        | 7                                |\r\n"
                           "| DEVICE    | 350123456789012                  |\r\n"
                           "| MYID      | 350123456789012                  |\r\n"
                           "| APN       | internet.example                 |\r\n"
                           "| LOGIN     |                                  |\r\n"
                           "| PASSWD    |                                  |\r\n"
                           "| SIMPIN    | 1234                             |\r\n"
                           "| IP        | 10.0.0.1                         |\r\n"
                           "| PORT      | 5100                             |\r\n"
                           "| MINTIME   |                                  |\r\n"
                           "| MAXTIME   |                                  |\r\n"
                           "| MAXDIST   |                                  |\r\n"
                           "| MAXANGLE  |                                  |\r\n"
                           "| SMSNO     |                                  |\r\n"
                           "| AUTHPIN   |                                  |\r\n"
                           "| MODE      |                                  |\r\n"
                           "| MEASURE   |                                  |\r\n"
                           "| AUTOSMS   |                                  |\r\n"
                           "| NETWORK   |                                  |\r\n"
                           "| DIN0CONF  |                                  |\r\n"
                           "| DIN1CONF  |                                  |\r\n"
                           "| DIN2CONF  |                                  |\r\n"
                           "| DIN3CONF  |                                  |\r\n"
                           "| DIN4CONF  |                                  |\r\n"
                           "| DIN5CONF  |                                  |\r\n"
                           "| DIN6CONF  |                                  |\r\n"
                           "| DIN7CONF  | 12345                            |\r\n"
                           "| DALLAS    |                                  |\r\n"
                           "| MINTIME2  |                                  |\r\n"
                           "| MODE2     |                                  |\r\n"
                           "| GPRSTIME  | 300                              |\r\n" +
                           kBorder;
    EXPECT_EQ(PrintAnswer(33, block, {false, 7, "350123456789012"}), expected);

    EXPECT_EQ(PrintAnswer(33, block, kBinary),
              "answer 350123456789012,internet.example,,,1234,10.0.0.1,5100,,,,,,,,,,,,,,,,,,12345,"
              ",,,300\r\ndone\r\n");
}

TEST(BlockPrinters, ABlockOfNotGivenFieldsAnswersOnlyCommas) {
    std::string block(256, '\xFF');
    EXPECT_EQ(PrintAnswer(33, block, kBinary), "answer " + std::string(28, ',') + "\r\ndone\r\n");
    EXPECT_EQ(PrintAnswer(61, block, kBinary), "answer " + std::string(15, ',') + "\r\ndone\r\n");
}

// One value placed in an otherwise not-given text block must come out at
// its position in the answer and nowhere else.
struct TextCase {
    int frame;
    size_t offset;
    std::string bytes;
    size_t index;  // position among the answer's values
    std::string value;
    size_t rows;
};

const TextCase kTextCases[] = {
    {33, 253, "300", 28, "300", 29},
    {33, 119, std::string("45\0", 3), 10, "45", 29},
    {67, 172, "120", 16, "120", 17},
    {67, 164, Text("500", 5), 14, "500", 17},
    {67, 114, Text("+48600100200", 16), 9, "+48600100200", 17},
    {50, 155, "65265", 39, "65265", 41},
    {50, 160, "084", 40, "084", 41},
    {52, 251, "99", 94, "99", 95},
    {52, 13, Text("1234", 5), 5, "1234", 95},
    {52, 18, Text("7", 2), 6, "7", 95},
    {54, 225, Text("Przerwa", 25), 9, "Przerwa", 10},
    {59, 105, "4000000000", 14, "4000000000", 15},
    {59, 23, "002", 3, "002", 15},
    {61, 240, "FFFFFFFF00000000", 15, "FFFFFFFF00000000", 16},
    {74, 240, Text("26001", 10), 24, "26001", 25},
    {74, 0, Text("26002", 10), 0, "26002", 25},
};

TEST(BlockPrinters, TextBlockAnswersReadEachFieldFromItsPlace) {
    for (const TextCase& c : kTextCases) {
        SCOPED_TRACE(testing::Message() << "frame " << c.frame << " offset " << c.offset);
        std::string block = Put(std::string(256, '\xFF'), c.offset, c.bytes);
        std::vector<std::string> values = AnswerValues(PrintAnswer(c.frame, block, kBinary));
        ASSERT_EQ(values.size(), c.rows);
        for (size_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(values[i], i == c.index ? c.value : "") << "value " << i;
        }
        // Text mode: border, header, border, ID, DEVICE, the rows, border.
        std::string table = PrintAnswer(c.frame, block, {false, 1, "X"});
        size_t lines = 0;
        for (size_t at = table.find("\r\n"); at != std::string::npos;
             at = table.find("\r\n", at + 2)) {
            ++lines;
        }
        EXPECT_EQ(lines, c.rows + 6);
    }
}

TEST(BlockPrinters, TextModeRowsCarryTheSlotSerialAndNamesOfTheTable) {
    std::string block = Put(std::string(256, '\xFF'), 240, Text("26001", 10));
    std::string table = PrintAnswer(74, block, {false, 1999, "AB12"});
    EXPECT_EQ(table.substr(0, sizeof kHead - 1), kHead);
    EXPECT_NE(table.find("\r\n| ID        | 1999                             |\r\n"
                         "| DEVICE    | AB12                             |\r\n"
                         "| NETWORK00 |                                  |\r\n"),
              std::string::npos);
    EXPECT_NE(table.find("\r\n| NETWORK24 | 26001                            |\r\n" +
                         std::string(kBorder)),
              std::string::npos);
    EXPECT_EQ(table.size() - table.rfind("| NETWORK24"), 50u + sizeof kBorder - 1);

    // The CAN table names the rows after each group's first by letter alone.
    std::string can = PrintAnswer(52, std::string(256, '\xFF'), {false, 0, ""});
    EXPECT_NE(can.find("| CAN09A    |                                  |\r\n"
                       "| B         |                                  |\r\n"),
              std::string::npos);
}

// One value placed in a zero binary block of length `length`.
struct BinaryCase {
    int frame;
    size_t length;
    size_t offset;
    std::string bytes;
    size_t index;
    std::string value;
    size_t rows;
};

const BinaryCase kBinaryCases[] = {
    {80, 212, 1, Text("350123456789012", 16), 0, "350123456789012", 37},
    {80, 212, 106, Le(8080, 2), 6, "8080", 37},
    {80, 212, 110, Le(15, 2), 26, "15", 37},
    {80, 212, 116, Le(270, 1), 10, "14", 37},  // one byte: 270 & 0xFF
    {80, 212, 208, Le(0xFFFFFFFF, 4), 36, "4294967295", 37},
    {80, 212, 176, "1234567890123456", 25, "1234567890123456", 37},
    {82, 68, 67, Le(7, 1), 18, "7", 19},
    {82, 68, 4, Le(600, 2), 2, "600", 19},
    {84, 98, 97, Le(0xF0, 1), 64, "240", 65},
    {84, 98, 64, Le(0x1234, 2), 63, "4660", 65},
    {86, 216, 8, Le(0x01000001, 4), 5, "16777217", 149},
    {86, 216, 215, Le(5, 1), 148, "5", 149},
    {86, 216, 104, Le(500, 2), 8, "500", 149},
    {88, 363, 1, Text("Postoj", 25), 0, "Postoj", 16},
    {88, 363, 346, "Kierowca w pracy", 15, "Kierowca w pracy", 16},
    {90, 92, 88, Le(10000, 4), 29, "10000", 30},
    {90, 92, 10, Le(9, 1), 27, "9", 30},
    {92, 481, 1, "\x01\x02\x03\x04\x05\x06\x07\x08", 0, "0102030405060708", 60},
    {92, 481, 473, "\xAB\xCD\xEF", 59, "ABCDEF0000000000", 60},
    {94, 244, 240, Le(26001, 4), 59, "26001", 60},
    {94, 244, 4, Le(26002, 4), 0, "26002", 60},
    {96, 212, 1, Le(1, 1), 0, "1", 145},
    {96, 212, 211, Le(9, 1), 144, "9", 145},
    {96, 212, 4, Le(123456, 4), 1, "123456", 145},
};

TEST(BlockPrinters, BinaryBlockAnswersReadEachFieldByKind) {
    for (const BinaryCase& c : kBinaryCases) {
        SCOPED_TRACE(testing::Message() << "frame " << c.frame << " offset " << c.offset);
        std::string block = Put(std::string(c.length, '\0'), c.offset, c.bytes);
        std::vector<std::string> values =
            AnswerValues(PrintAnswer(c.frame, BinaryPayload(block), kBinary));
        ASSERT_EQ(values.size(), c.rows);
        EXPECT_EQ(values[c.index], c.value);
        for (size_t i = 0; i < values.size(); ++i) {
            if (i == c.index) continue;
            // Zero bytes: numbers 0, texts empty, keys sixteen zero digits.
            EXPECT_TRUE(values[i] == "0" || values[i] == "" || values[i] == std::string(16, '0'))
                << "value " << i << ": " << values[i];
        }
    }
}

TEST(BlockPrinters, BinaryAnswerRowsFollowTheBlockLength) {
    struct Case {
        int frame;
        size_t length;
        size_t rows;
        const char* last;
    };
    const Case cases[] = {
        {80, 196, 29, "GPRSTIME"},  {80, 197, 36, "DETCORNER"}, {80, 200, 36, "DETCORNER"},
        {80, 208, 36, "DETCORNER"}, {80, 209, 37, "MODE4"},     {80, 212, 37, "MODE4"},
        {82, 54, 9, "Y2LOSS"},      {82, 55, 13, "IGNVAL2"},    {82, 62, 13, "IGNVAL2"},
        {82, 63, 19, "SPN250LEN"},  {88, 261, 10, "STATUS9"},   {88, 262, 16, "STATDRV5"},
        {84, 10, 65, "SPN31"},      {92, 0, 60, "DALLAS59"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "frame " << c.frame << " length " << c.length);
        EXPECT_EQ(BinaryAnswerRows(c.frame, static_cast<int>(c.length)), static_cast<int>(c.rows));
        std::string payload = BinaryPayload(std::string(c.length, '\0'));
        EXPECT_EQ(AnswerValues(PrintAnswer(c.frame, payload, kBinary)).size(), c.rows);
        std::string table = PrintAnswer(c.frame, payload, {false, 0, ""});
        std::string lastRow = table.substr(table.size() - 50 - (sizeof kBorder - 1), 50);
        EXPECT_EQ(lastRow.substr(0, 2 + std::string(c.last).size()), std::string("| ") + c.last);
    }
}

TEST(BlockPrinters, TheCountBoundsTheBinaryBlock) {
    // The unit's count says 100 bytes although more follow: PORT (106..107)
    // lies past the block and reads as 0, and 29 rows are printed.
    std::string block = Put(std::string(212, '\0'), 106, Le(8080, 2));
    block = Put(block, 1, Text("A", 16));
    std::vector<std::string> values = AnswerValues(PrintAnswer(80, Le(100, 2) + block, kBinary));
    ASSERT_EQ(values.size(), 29u);
    EXPECT_EQ(values[0], "A");
    EXPECT_EQ(values[6], "0");

    // A count beyond the bytes received: the block is what arrived.
    values = AnswerValues(PrintAnswer(80, Le(212, 2) + block.substr(0, 150), kBinary));
    EXPECT_EQ(values.size(), 29u);
    // An empty payload prints zeros.
    values = AnswerValues(PrintAnswer(90, "", kBinary));
    ASSERT_EQ(values.size(), 30u);
    EXPECT_EQ(values[0], "0");
}

TEST(BlockPrinters, FirmwareAndVersionAnswersInBinaryMode) {
    struct Case {
        int frame;
        std::string payload;
        const char* answer;
    };
    const Case cases[] = {
        {35, "\x01" + Le(258, 4) + Le(0x12345678, 4), "answer 1,258,305419896\r\ndone\r\n"},
        {35, "\x01" + Le(258, 4), "answer 1,258,0\r\ndone\r\n"},  // short frame: no checksum
        {57, "\x02" + Le(1000, 4), "answer 2,1000\r\ndone\r\n"},
        {69, Le(70000, 4), "answer 70000\r\ndone\r\n"},
        {133, Text("KV1.23", 8), "answer KV1.23\r\ndone\r\n"},
        {133, "ABCDEFGH", "answer ABCDEFGH\r\ndone\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        EXPECT_EQ(PrintAnswer(c.frame, c.payload, kBinary), c.answer);
    }
}

TEST(BlockPrinters, FirmwareAndVersionAnswersInTextMode) {
    AnswerTarget text{false, 12, "350123456789012"};
    std::string frame = std::string(kHead) +
                        "| ID        | 12                               |\r\n"
                        "| DEVICE    | 350123456789012                  |\r\n";
    EXPECT_EQ(PrintAnswer(35, "\x01" + Le(258, 4) + Le(77, 4), text),
              frame +
                  "| STATUS    | 1                                |\r\n"
                  "| VERSION   | 258                              |\r\n"
                  "| CRCC      | 77                               |\r\n" +
                  kBorder);
    EXPECT_EQ(PrintAnswer(57, std::string(1, '\0') + Le(1000, 4), text),
              frame +
                  "| STATUS    | 0                                |\r\n"
                  "| VERSION   | 1000                             |\r\n" +
                  kBorder);
    EXPECT_EQ(PrintAnswer(69, Le(70000, 4), text),
              frame + "| VERSION   | 70000                            |\r\n" + kBorder);
    EXPECT_EQ(PrintAnswer(133, Text("KV1.23", 8), text),
              frame + "| VERSION   | KV1.23                           |\r\n" + kBorder);
}

TEST(BlockPrinters, CalibrationOfOlderUnitsIsShownInHexadecimal) {
    std::string block;
    for (int i = 0; i < 256; ++i) block += static_cast<char>(i);
    std::string answer = PrintAnswer(48, block, kBinary);
    ASSERT_EQ(answer.size(), 7u + 512u + 8u);
    EXPECT_EQ(answer.substr(0, 7 + 20), "answer 00010203040506070809");
    EXPECT_EQ(answer.substr(answer.size() - 16), "FCFDFEFF\r\ndone\r\n");

    std::string table = PrintAnswer(48, block, {false, 3, "Z"});
    EXPECT_EQ(table.substr(0, sizeof kHead - 1), kHead);
    size_t row = table.find("| CALIB     | 000102");
    ASSERT_NE(row, std::string::npos);
    EXPECT_EQ(table.substr(row + 14 + 512), " |\r\n" + std::string(kBorder));
}

TEST(BlockPrinters, OnlyAnswerFramesHavePrinters) {
    for (int frame : {33, 35, 48, 50, 52, 54, 57, 59, 61, 67, 69,
                      74, 80, 82, 84, 86, 88, 90, 92, 94, 96, 133}) {
        EXPECT_TRUE(HasAnswerPrinter(frame)) << frame;
    }
    for (int frame : {0, 34, 37, 44, 45, 56, 81, 97, 98, 116, 132}) {
        EXPECT_FALSE(HasAnswerPrinter(frame)) << frame;
        EXPECT_EQ(PrintAnswer(frame, std::string(256, '\0'), kBinary), "") << frame;
    }
}

TEST(BlockPrinters, AppendDecimalWritesPlainDigits) {
    struct Case {
        uint32_t value;
        const char* text;
    };
    for (Case c :
         {Case{0, "x0"}, Case{7, "x7"}, Case{10, "x10"}, Case{4294967295u, "x4294967295"}}) {
        std::string text = "x";
        AppendDecimal(text, c.value);
        EXPECT_EQ(text, c.text);
    }
}

}  // namespace
