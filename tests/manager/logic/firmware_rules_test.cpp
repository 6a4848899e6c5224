// The firmware and data rules without a window, a file or a socket: which
// ".bin" a device takes, the firmware XML step (choice of element, CPU bits,
// padding, refusals), the Long DALLAS data, and the console commands built
// from them.

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include "manager/logic/data_document.h"
#include "manager/logic/firmware_commands.h"
#include "manager/logic/firmware_document.h"
#include "manager/logic/firmware_image.h"
#include "manager/logic/manager_state.h"

namespace {

struct FirmwareElement {
    const char* device;
    const char* type;
    const char* cpu;
    QStringList records;
    QStringList descriptions = {};
};

QByteArray FirmwareXml(const QList<FirmwareElement>& elements, const char* root = "vimko") {
    QByteArray xml = QByteArray("<?xml version=\"1.0\"?><") + root + ">";
    for (const FirmwareElement& e : elements) {
        xml += QStringLiteral(
                   "<firmware device=\"%1\" type=\"%2\" cpu=\"%3\" release=\"2026-11-02\" "
                   "ver=\"4.%1%2\">")
                   .arg(e.device, e.type, e.cpu)
                   .toUtf8();
        for (const QString& r : e.records) xml += "<record>" + r.toUtf8() + "</record>";
        for (const QString& d : e.descriptions) {
            xml += "<description>" + d.toUtf8() + "</description>";
        }
        xml += "</firmware>";
    }
    return xml + "</" + root + ">";
}

QByteArray PatternOf(int size) {
    QByteArray bytes;
    for (int i = 0; i < size; ++i) bytes.append(static_cast<char>(i * 3));
    return bytes;
}

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values) bytes.append(static_cast<char>(v));
    return bytes;
}

}  // namespace

TEST(FirmwareImage, BinSizesAndCpuBits) {
    struct Case {
        qint64 size;
        int deviceType;
        int kind;
        bool fits;
        int cpuBit;  // of the taken image
    } cases[] = {
        {0x1E000, kVimko1, kFirmwareVimko, true, 2},
        {0x1E000, kVimko2, kFirmwareVimko, false, 0},  // small images are Vimko-1's only
        {0x1E000, kVimko3, kFirmwareTacho, false, 0},
        {0x3E000, kVimko1, kFirmwareVimko, true, 1},
        {0x3E000, kVimko2, kFirmwareTacho, true, 1},
        {0x3E000, kVimko3, kFirmwareVimko, true, 4},
        {0x3E000 - 1, kVimko1, kFirmwareVimko, false, 0},
        {0x3E000 + 1, kVimko3, kFirmwareVimko, false, 0},
        {0, kVimko1, kFirmwareVimko, false, 0},
        {1000, kVimko3, kFirmwareKorvalen, true, 4},
        {1, kVimko2, kFirmwareKorvalen, true, 1},
        {0x1E000, kVimko1, kFirmwareKorvalen, true, 2},
        {0x3E000, kVimko3, kFirmwareKorvalen, true, 4},  // the upload buffer, full
        {0x3E000 + 1, kVimko3, kFirmwareKorvalen, false, 0},
        {0, kVimko3, kFirmwareKorvalen, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.size << " type " << c.deviceType << " kind " << c.kind);
        EXPECT_EQ(BinSizeFits(c.size, c.deviceType, c.kind), c.fits);
        if (!c.fits) continue;
        QByteArray bytes(static_cast<qsizetype>(c.size), '\x5A');
        FirmwareTaken taken = FirmwareFromBin(bytes, "/tmp/x.bin", c.deviceType, c.kind);
        EXPECT_EQ(taken.flags, KindBit(c.kind) | c.cpuBit);
        EXPECT_EQ(taken.image, bytes);
        EXPECT_EQ(taken.description,
                  (FirmwareDescription{{"File: /tmp/x.bin", true},
                                       {"Size: " + QString::number(c.size), true}}));
    }
}

TEST(FirmwareDocument, TakesTheFirstElementOfDeviceAndKindWithItsCpuAndPadding) {
    struct Case {
        const char* name;
        int deviceType;
        int kind;
        int cpuBit;         // 0: nothing taken
        qsizetype size;     // of the image taken
        QByteArray prefix;  // its first bytes
    } cases[] = {
        {"cpu 3 is bit 4, padded to the large size", kVimko3, kFirmwareVimko, 4, 0x3E000,
         Bytes({0x01, 0xAB, 0xCD, 0xEF})},
        {"cpu 2 is bit 2, padded to the small size", kVimko1, kFirmwareVimko, 2, 0x1E000,
         Bytes({0x10, 0x20})},
        {"cpu 1 is bit 1", kVimko2, kFirmwareTacho, 1, 0x3E000, Bytes({0x7F})},
        {"Korvalen is not padded", kVimko3, kFirmwareKorvalen, 4, 3, Bytes({0x4B, 0x00, 0xFE})},
        {"another kind of the device: nothing", kVimko1, kFirmwareTacho, 0, 0, {}},
        {"another device: nothing", kVimko2, kFirmwareVimko, 0, 0, {}},
    };
    QByteArray xml = FirmwareXml({
        {"3", "2", "3", {"AA"}},                               // Vimko-3/4, KX-05/Tacho
        {"3", "1", "3", {"01ab", "CD ef"}, {"Fixes", "CAN"}},  // Vimko-3/4, Vimko
        {"3", "1", "1", {"02"}},                               // a second one: not taken
        {"1", "1", "2", {"1020"}},                             // Vimko-1, Vimko
        {"2", "2", "1", {"7F"}},                               // Vimko-2, KX-05/Tacho
        {"3", "3", "3", {"4B00", "FE"}},                       // Vimko-3/4, Korvalen
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<FirmwareTaken> taken = TakeFirmwareDocument(xml, c.deviceType, c.kind);
        ASSERT_EQ(taken.has_value(), c.cpuBit != 0);
        if (!taken) continue;
        EXPECT_EQ(taken->flags, KindBit(c.kind) | c.cpuBit);
        ASSERT_EQ(taken->image.size(), c.size);
        EXPECT_TRUE(taken->image.startsWith(c.prefix));
        QByteArray padding = taken->image.mid(c.prefix.size());
        EXPECT_EQ(padding, QByteArray(padding.size(), '\xFF'));
    }
    std::optional<FirmwareTaken> taken = TakeFirmwareDocument(xml, kVimko3, kFirmwareVimko);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->records, 2);
    EXPECT_EQ(taken->description,
              (FirmwareDescription{
                  {"Version: 4.31 Date: 2026-11-02", true}, {"Fixes", false}, {"CAN", false}}));
}

TEST(FirmwareDocument, RefusesWhatCannotBeASoundImage) {
    struct Case {
        const char* name;
        QByteArray xml;
        int kind;
    } cases[] = {
        {"unknown cpu", FirmwareXml({{"3", "1", "4", {"00"}}}), kFirmwareVimko},
        {"odd digit count", FirmwareXml({{"3", "1", "3", {"001"}}}), kFirmwareVimko},
        {"not hexadecimal", FirmwareXml({{"3", "1", "3", {"0G"}}}), kFirmwareVimko},
        {"no record", FirmwareXml({{"3", "1", "3", {}}}), kFirmwareVimko},
        {"empty records", FirmwareXml({{"3", "3", "3", {"", ""}}}), kFirmwareKorvalen},
        {"larger than the padded size",
         FirmwareXml({{"3", "1", "3", {QString(2 * 0x3E000 + 2, '0')}}}), kFirmwareVimko},
        {"Korvalen larger than the upload buffer",
         FirmwareXml({{"3", "3", "3", {QString(2 * 0x3E000 + 2, '0')}}}), kFirmwareKorvalen},
        {"another root", FirmwareXml({{"3", "1", "3", {"00"}}}, "config"), kFirmwareVimko},
        {"not XML", "<vimko><firmware", kFirmwareVimko},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(TakeFirmwareDocument(c.xml, kVimko3, c.kind)) << c.name;
    }
    // Exactly the padded size is whole already.
    std::optional<FirmwareTaken> full = TakeFirmwareDocument(
        FirmwareXml({{"1", "1", "2", {QString(2 * 0x1E000, 'e')}}}), kVimko1, kFirmwareVimko);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->image, QByteArray(0x1E000, '\xEE'));
}

TEST(DataDocument, XmlAndBinLists) {
    struct Case {
        const char* name;
        QByteArray xml;
        int type;  // 0: nothing
        uint32_t closing;
        QByteArray bytes;
    } cases[] = {
        {"pieces in document order",
         "<vimko><data type=\"3\" crcc=\"4000000000\"><text>AB</text><binary>00ff</binary>"
         "<text>C</text></data></vimko>",
         3, 4000000000u,
         QByteArray("AB\x00\xFF"
                    "C",
                    5)},
        {"type outside 1..3 still parses",
         "<vimko><data type=\"4\" crcc=\"1\"><text>x</text>"
         "</data></vimko>",
         4, 1, "x"},
        {"crcc missing", "<vimko><data type=\"1\"><text>x</text></data></vimko>", 0, 0, {}},
        {"crcc not a number",
         "<vimko><data type=\"1\" crcc=\"0x10\"><text>x</text></data></vimko>",
         0,
         0,
         {}},
        {"crcc beyond 32 bits",
         "<vimko><data type=\"1\" crcc=\"4294967296\"><text>x</text></data></vimko>",
         0,
         0,
         {}},
        {"bad hexadecimal",
         "<vimko><data type=\"1\" crcc=\"1\"><binary>0</binary></data></vimko>",
         0,
         0,
         {}},
        {"no bytes", "<vimko><data type=\"1\" crcc=\"1\"></data></vimko>", 0, 0, {}},
        {"no data element", "<vimko><firmware/></vimko>", 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<DataUpload> data = ParseDataDocument(c.xml);
        ASSERT_EQ(data.has_value(), c.type != 0);
        if (!data) continue;
        EXPECT_EQ(data->type, c.type);
        EXPECT_EQ(data->closing, c.closing);
        EXPECT_EQ(data->bytes, c.bytes);
    }
    for (int size : {0, 15, 17, 250}) EXPECT_FALSE(DataFromBin(QByteArray(size, 'q'))) << size;
    for (int size : {16, 256, 4096}) {
        std::optional<DataUpload> data = DataFromBin(QByteArray(size, 'q'));
        ASSERT_TRUE(data) << size;
        EXPECT_EQ(data->type, 2);
        EXPECT_EQ(data->closing, static_cast<uint32_t>(size / 16));
    }
    EXPECT_FALSE(DataTypeFits(0));
    EXPECT_TRUE(DataTypeFits(1));
    EXPECT_TRUE(DataTypeFits(3));
    EXPECT_FALSE(DataTypeFits(4));
    QList<QByteArray> blocks = DataBlocks(PatternOf(257));
    ASSERT_EQ(blocks.size(), 2);
    EXPECT_EQ(blocks[1], PatternOf(257).mid(256));
}

TEST(FirmwareCommands, LinesAndTexts) {
    EXPECT_EQ(WritedataLine(3, Bytes({0x0A, 0xFF, 0x00})), "writedata 768,0AFF00");

    // Thirteen blocks: commands from blocks 0, 6 and 12; the bytes in
    // upper-case hexadecimal, block after block.
    QList<QByteArray> blocks;
    for (int k = 0; k < 13; ++k)
        blocks.append(QByteArray(k == 12 ? 3 : 256, static_cast<char>(0xA0 + k)));
    QList<WrfirmexCommand> commands = WrfirmexCommands("356000000000001", blocks);
    ASSERT_EQ(commands.size(), 3);
    EXPECT_EQ(commands[0].lastBlock, 5);
    EXPECT_EQ(commands[1].lastBlock, 11);
    EXPECT_EQ(commands[2].lastBlock, 12);
    EXPECT_TRUE(commands[1].text.startsWith("wrfirmex 356000000000001,6,1,A6A6"));
    EXPECT_EQ(commands[0].text.size(), QString("wrfirmex 356000000000001,0,1,").size() + 6 * 512);
    EXPECT_LT(commands[0].text.size(), 4095);  // one console line
    EXPECT_EQ(commands[2].text, "wrfirmex 356000000000001,12,1,ACACAC");

    struct Closing {
        int type;
        uint32_t value;
        const char* text;
    } closings[] = {{1, 0x01020304, "wrfirmex 7,13,3,04030201"},
                    {2, 113, "wrfirmex 7,13,5,71000000"},
                    {3, 0xFFFFFFFF, "wrfirmex 7,13,7,FFFFFFFF"}};
    for (const Closing& c : closings) EXPECT_EQ(WrfirmexClosing("7", 13, c.type, c.value), c.text);

    struct Version {
        int kind;
        const char* answer;
        const char* line;
        const char* member;
    } versions[] = {
        {kFirmwareVimko, "1,417,-5", "Status:1 Version:417 Crcc:-5", "S:1 V:417 C:-5"},
        {kFirmwareTacho, "0,9", "Status:0 Version:9", "S:0 V:9"},
        {kFirmwareKorvalen, "K1.02", "Version:K1.02", "V:K1.02"},
        {kFirmwareVimko, "", "Status: Version: Crcc:", "S: V: C:"},
    };
    for (const Version& v : versions) {
        EXPECT_EQ(VersionText(v.kind, v.answer, false), v.line);
        EXPECT_EQ(VersionText(v.kind, v.answer, true), v.member);
    }
}
