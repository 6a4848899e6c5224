#include "server/console/block_writers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/base64_writer.h"
#include "tests/support/frame_bytes.h"

namespace {

std::string Put(std::string block, size_t offset, const std::string& bytes) {
    return block.replace(offset, bytes.size(), bytes);
}

const BlockWriteCommand& Command(const char* word) {
    const BlockWriteCommand* command = FindBlockWriteCommand(word);
    if (command == nullptr) {
        ADD_FAILURE() << "no command " << word;
        return BlockWriteCommands().front();
    }
    return *command;
}

// Argument text: `head` then `values` fields, all empty except those given.
std::string Args(const std::string& head, size_t values,
                 const std::vector<std::pair<size_t, std::string>>& given = {}) {
    std::vector<std::string> fields(values);
    for (const auto& [index, value] : given) fields[index] = value;
    std::string args = head;
    for (const std::string& field : fields) args += "," + field;
    return args;
}

struct CommandCase {
    const char* word;
    size_t values;
    uint8_t frameId;
    std::string header;  // the frame bytes before the block
    size_t blockLength;
    char firstByte;  // block byte 0 as sent with every value empty
    int mask;
    int kind;
    int offlineType;
    int minStateOffline;  // FindDevice minimum state with the offline flag "1"
};

const CommandCase kCommandCases[] = {
    {"writecfg", 29, 0x22, std::string("\x22\x00", 2), 256, '\xFF', 0x00F, 2, 0, 1},
    {"writepcfg", 17, 0x44, std::string("\x44\x00", 2), 256, '\xFF', 0x030, 3, -1, 2},
    {"writefms", 41, 0x33, std::string("\x33\x00", 2), 256, '\xFF', 0x00F, 12, 2, 1},
    {"writecan", 95, 0x35, std::string("\x35\x00", 2), 256, '\xFF', 0x00C, 14, 3, 1},
    {"writestat", 10, 0x37, std::string("\x37\x00", 2), 256, '\xFF', 0x00C, 16, 4, 1},
    {"writecane", 15, 0x3C, std::string("\x3C\x00", 2), 256, '\xFF', 0x00C, 18, 5, 2},
    {"writemask", 16, 0x3E, std::string("\x3E\x00", 2), 256, '\xFF', 0x00F, 20, 6, 2},
    {"writentwk", 25, 0x4B, std::string("\x4B\x00", 2), 256, '\xFF', 0x00C, 22, 7, 2},
    {"writecfg3", 37, 0x51, std::string("\x51\x00\xD4\x00", 4), 212, 1, 0x300, 2, 0, 1},
    {"writecal3", 19, 0x53, std::string("\x53\x00\x44\x00", 4), 68, 1, 0x300, 10, 1, 1},
    {"writefms3", 65, 0x55, std::string("\x55\x00\x62\x00", 4), 98, 0, 0x300, 12, 2, 1},
    {"writecan3", 149, 0x57, std::string("\x57\x00\xD8\x00", 4), 216, 0, 0x300, 14, 3, 1},
    {"writestat3", 16, 0x59, std::string("\x59\x00\x6B\x01", 4), 363, 1, 0x300, 16, 4, 1},
    {"writecane3", 30, 0x5B, std::string("\x5B\x00\x5C\x00", 4), 92, 0, 0x300, 18, 5, 1},
    {"writebtn", 60, 0x5D, std::string("\x5D\x00\xE1\x01", 4), 481, 0, 0x300, 20, 6, 1},
    {"writentwk3", 60, 0x5F, std::string("\x5F\x00\xF4\x00", 4), 244, 0, 0x300, 22, 7, 1},
    {"writecan2", 145, 0x61, std::string("\x61\x00\xD4\x00", 4), 212, 0, 0x300, 24, 8, 1},
};

TEST(BlockWriters, EveryCommandBuildsItsFrameFromEmptyValues) {
    ASSERT_EQ(BlockWriteCommands().size(), std::size(kCommandCases));
    for (const CommandCase& c : kCommandCases) {
        SCOPED_TRACE(c.word);
        const BlockWriteCommand& command = Command(c.word);
        EXPECT_EQ(command.frameId, c.frameId);
        EXPECT_EQ(command.deviceMask, c.mask);
        EXPECT_EQ(command.requestKind, c.kind);
        EXPECT_EQ(command.offlineType, c.offlineType);
        EXPECT_EQ(BlockWriteMinState(command, true), c.minStateOffline);
        EXPECT_EQ(BlockWriteMinState(command, false), 2);

        // Text mode: serial and values.
        BlockWrite write = BuildBlockWrite(command, 0, false, Args("350", c.values));
        ASSERT_TRUE(write.ok);
        EXPECT_EQ(write.deviceId, "350");
        EXPECT_FALSE(write.offline);
        std::string block(c.blockLength, c.firstByte == '\xFF' ? '\xFF' : '\0');
        block[0] = c.firstByte;
        EXPECT_EQ(write.frame, c.header + block);
        EXPECT_EQ(write.log.size(), c.values + 1);

        // One value short, or one too many: a parameter error, nothing to send.
        write = BuildBlockWrite(command, 0, false, Args("350", c.values - 1));
        EXPECT_FALSE(write.ok);
        EXPECT_EQ(write.frame, "");
        write = BuildBlockWrite(command, 0, false, Args("350", c.values + 1));
        EXPECT_FALSE(write.ok);

        // Binary mode: the offline flag follows the serial (not for writepcfg).
        bool flag = c.offlineType >= 0;
        write = BuildBlockWrite(command, 0, true, Args(flag ? "350,1" : "350", c.values));
        ASSERT_TRUE(write.ok);
        EXPECT_EQ(write.offline, flag);
        EXPECT_EQ(write.frame, c.header + block);
    }
}

TEST(BlockWriters, TextBlockWriteCopiesValuesAndLeavesEmptyOnesNotGiven) {
    std::string args = Args("350123456789012", 29,
                            {{0, "350123456789012"},
                             {1, "internet.example"},
                             {4, "12345"},
                             {5, "10.0.0.1"},
                             {6, "5100"},
                             {24, "7"},
                             {28, "300"}});
    BlockWrite write = BuildBlockWrite(Command("writecfg"), 4, false, args);
    ASSERT_TRUE(write.ok);
    EXPECT_EQ(write.deviceId, "350123456789012");

    std::string block(256, '\xFF');
    block = Put(block, 0, Text("350123456789012", 16));
    block = Put(block, 16, Text("internet.example", 32));
    block = Put(block, 80, "1234");  // cut to the field: IP follows at once
    block = Put(block, 84, Text("10.0.0.1", 15));
    block = Put(block, 99, Text("5100", 5));
    block = Put(block, 217, Text("7", 5));
    block = Put(block, 253, "300");
    EXPECT_EQ(write.frame, "\x22" + std::string(1, '\0') + block);

    // 258 bytes make 344 Base64 characters, then the terminator.
    std::string line = EncodeLine(write.frame, '.');
    EXPECT_EQ(line.size(), 345u);
    EXPECT_EQ(line.back(), '.');

    ASSERT_EQ(write.log.size(), 30u);
    EXPECT_EQ(write.log[0], "T4: MYID=350123456789012 (0,16)\n");
    EXPECT_EQ(write.log[2], "T4: LOGIN= (48,16)\n");
    EXPECT_EQ(write.log[4], "T4: SIMPIN=12345 (80,4)\n");
    EXPECT_EQ(write.log[24], "T4: DIN7CONF=7 (217,5)\n");
    EXPECT_EQ(write.log[28], "T4: GPRSTIME=300 (253,3)\n");
    const std::string& hex = write.log[29];
    ASSERT_EQ(hex.size(), 4u + 512u + 1u);
    EXPECT_EQ(hex.substr(0, 4 + 8), "T4: 33353031");       // "3501"
    EXPECT_EQ(hex.substr(4 + 2 * 48, 4), "FFFF");          // LOGIN not given
    EXPECT_EQ(hex.substr(4 + 2 * 217, 10), "3700000000");  // "7" and its NULs
    EXPECT_EQ(hex.substr(hex.size() - 7), "333030\n");     // "300", the last bytes
}

TEST(BlockWriters, OfflineFlagIsTheExactTextOneInBinaryModeOnly) {
    const BlockWriteCommand& cfg = Command("writecfg");
    struct Case {
        const char* head;
        bool binary;
        bool ok;
        bool offline;
    };
    const Case cases[] = {
        {"350,1", true, true, true},    {"350,0", true, true, false},
        {"350,", true, true, false},    {"350,yes", true, true, false},
        {"350,1 ", true, true, false},  {"350,11", true, true, false},
        {"350", true, false, false},     // the flag field is missing: one field short
        {"350,1", false, false, false},  // text mode has no flag: one field too many
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.head << (c.binary ? " binary" : " text"));
        BlockWrite write = BuildBlockWrite(cfg, 0, c.binary, Args(c.head, 29));
        EXPECT_EQ(write.ok, c.ok);
        EXPECT_EQ(write.offline, c.offline);
    }
    // Commands that must reach a connected unit still store when asked to.
    BlockWrite cane = BuildBlockWrite(Command("writecane"), 0, true, Args("350,1", 15));
    ASSERT_TRUE(cane.ok);
    EXPECT_TRUE(cane.offline);
    EXPECT_EQ(BlockWriteMinState(Command("writecane"), cane.offline), 2);
}

TEST(BlockWriters, MalformedArgumentsAreParameterErrors) {
    const BlockWriteCommand& cfg = Command("writecfg");
    struct Case {
        std::string args;
        bool ok;
    };
    const Case cases[] = {
        {"", false},
        {"350", false},
        {Args("350", 28), false},
        {Args("350", 30), false},
        {Args("350", 29) + ",", false},
        {Args("350", 29, {{1, std::string(255, 'a')}}), true},
        {Args("350", 29, {{1, std::string(256, 'a')}}), false},
        {Args(std::string(256, '3'), 29), false},
        {Args("", 29), true},  // an empty serial is for the unit lookup to refuse
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.substr(0, 40));
        BlockWrite write = BuildBlockWrite(cfg, 1, false, c.args);
        EXPECT_EQ(write.ok, c.ok);
        EXPECT_EQ(write.frame.empty(), !c.ok);
        // The rows and the block are logged before the parameters are judged.
        EXPECT_EQ(write.log.size(), 30u);
    }
}

// writecfg3 with one value given: the whole frame, every other byte zero.
struct ConversionCase {
    size_t row;
    std::string value;
    size_t offset;
    std::string bytes;
};

const ConversionCase kGeneralConversions[] = {
    {6, "8080", 106, "\x90\x1F"},
    {10, "-1", 116, "\xFF"},
    {13, "-2", 140, "\xFE\xFF\xFF\xFF"},
    {27, "4294967295", 144, "\xFF\xFF\xFF\xFF"},
    {7, "12abc", 108, std::string("\x0C\x00", 2)},
    {8, "abc", 112, std::string("\x00\x00", 2)},
    {9, " 7", 114, std::string("\x07\x00", 2)},
    {17, "+5", 160, std::string("\x05\x00", 2)},
    {28, "300", 193, "\x2C"},  // one byte: 300 - 256
    {26, "65536", 110, std::string("\x00\x00", 2)},
    {36, "305419896", 208, "\x78\x56\x34\x12"},
    {0, "350123456789012345", 1, "3501234567890123"},  // cut to 16; byte 17 stays 0
    {1, "abc", 18, "abc"},
    {25, "0123456789ABCDEF", 176, "0123456789ABCDEF"},
};

TEST(BlockWriters, BinaryBlockConvertsValuesByKind) {
    const BlockWriteCommand& cfg3 = Command("writecfg3");
    for (const ConversionCase& c : kGeneralConversions) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " value " << c.value);
        BlockWrite write = BuildBlockWrite(cfg3, 0, true, Args("350,0", 37, {{c.row, c.value}}));
        ASSERT_TRUE(write.ok);
        std::string block(212, '\0');
        block[0] = 1;
        block = Put(block, c.offset, c.bytes);
        EXPECT_EQ(write.frame, std::string("\x51\x00\xD4\x00", 4) + block);
    }
}

const ConversionCase kKeyConversions[] = {
    {0, "0102030405060708", 1, "\x01\x02\x03\x04\x05\x06\x07\x08"},
    {0, "abcdef0123456789", 1, std::string("\x00\x00\x00\x01\x23\x45\x67\x89", 8)},
    {0, "A1b2", 1, std::string("\xA1\x02", 2)},
    {0, "ABC", 1, "\xAB\xC0"},
    {0, "0102030405060708FF", 1, std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x00", 9)},
    {1, "FEDCBA9876543210", 9, "\xFE\xDC\xBA\x98\x76\x54\x32\x10"},
    {59, "FFFFFFFFFFFFFFFF", 473, std::string(8, '\xFF')},
};

TEST(BlockWriters, KeysAreHexadecimalPairsWithOnlyUpperCaseLetters) {
    const BlockWriteCommand& btn = Command("writebtn");
    for (const ConversionCase& c : kKeyConversions) {
        SCOPED_TRACE(testing::Message() << "key " << c.row << " value " << c.value);
        BlockWrite write = BuildBlockWrite(btn, 0, true, Args("350,0", 60, {{c.row, c.value}}));
        ASSERT_TRUE(write.ok);
        std::string block = Put(std::string(481, '\0'), c.offset, c.bytes);
        EXPECT_EQ(write.frame, std::string("\x5D\x00\xE1\x01", 4) + block);
    }
}

TEST(BlockWriters, StatusTextsGoToTheirPlacesInBothLayouts) {
    BlockWrite text = BuildBlockWrite(Command("writestat"), 0, false,
                                      Args("350", 10, {{0, "Postoj"}, {9, std::string(30, 'x')}}));
    ASSERT_TRUE(text.ok);
    std::string block = Put(std::string(256, '\xFF'), 0, Text("Postoj", 25));
    block = Put(block, 225, std::string(25, 'x'));
    EXPECT_EQ(text.frame, "\x37" + std::string(1, '\0') + block);

    BlockWrite binary =
        BuildBlockWrite(Command("writestat3"), 0, true,
                        Args("350,0", 16, {{9, "Przerwa"}, {10, "Kierowca"}, {15, "Koniec"}}));
    ASSERT_TRUE(binary.ok);
    block = std::string(363, '\0');
    block[0] = 1;
    block = Put(block, 235, "Przerwa");
    block = Put(block, 261, "Kierowca");
    block = Put(block, 346, "Koniec");
    EXPECT_EQ(binary.frame, std::string("\x59\x00\x6B\x01", 4) + block);
}

TEST(BlockWriters, BinaryLogLinesNameKindPlaceAndEveryByte) {
    BlockWrite write = BuildBlockWrite(Command("writecfg3"), 2, true,
                                       Args("350,0", 37, {{0, "ABC"}, {6, "8080"}}));
    ASSERT_TRUE(write.ok);
    ASSERT_EQ(write.log.size(), 38u);
    EXPECT_EQ(write.log[0], "T2: MYID=ABC (0,1,16)\n");
    EXPECT_EQ(write.log[6], "T2: PORT=8080 (1,106,2)\n");
    EXPECT_EQ(write.log[36], "T2: MODE4= (1,208,4)\n");
    const std::string& hex = write.log[37];
    ASSERT_EQ(hex.size(), 4u + 2u * 212u + 1u);
    EXPECT_EQ(hex.substr(0, 4 + 10), "T2: 0141424300");
    EXPECT_EQ(hex.substr(4 + 2 * 106, 4), "901F");

    BlockWrite keys = BuildBlockWrite(Command("writebtn"), 9, true, Args("350,0", 60, {{0, "ab"}}));
    EXPECT_EQ(keys.log[0], "T9: DALLAS00=ab (2,1,8)\n");
    EXPECT_EQ(keys.log.back().size(), 4u + 2u * 481u + 1u);
}

TEST(BlockWriters, CommandsAreFoundByTheirExactWord) {
    EXPECT_NE(FindBlockWriteCommand("writecfg3"), nullptr);
    EXPECT_EQ(FindBlockWriteCommand("writecfg3")->block, ParamBlock::kGeneral);
    EXPECT_EQ(FindBlockWriteCommand("writecan2")->block, ParamBlock::kCan2);
    EXPECT_EQ(FindBlockWriteCommand("writebtn")->block, ParamBlock::kDallas);
    EXPECT_EQ(FindBlockWriteCommand("writemask")->block, ParamBlock::kMask);
    EXPECT_EQ(FindBlockWriteCommand("writecal"), nullptr);
    EXPECT_EQ(FindBlockWriteCommand("readcfg"), nullptr);
    EXPECT_EQ(FindBlockWriteCommand("writecfg "), nullptr);
}

}  // namespace
