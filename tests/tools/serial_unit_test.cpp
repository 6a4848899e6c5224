// The serial unit simulator's engine driven in-process with the manager's
// own request builders and answer parsers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/param_blocks.h"
#include "manager/logic/monitor_cycle.h"
#include "manager/logic/monitor_text.h"
#include "manager/logic/serial_answers.h"
#include "manager/logic/serial_blocks.h"
#include "manager/logic/serial_reader.h"
#include "manager/logic/serial_requests.h"
#include "tools/serial_unit/serial_unit.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A unit and the manager's reader on the other end of the cable.
struct Cable {
    serial_unit::SerialUnit unit;
    SerialReader reader;
    std::vector<SerialFrame> frames;
    std::vector<std::string> lines;
    uint8_t sequence = 0;

    explicit Cable(int generation, std::string pin = "1234")
        : unit(serial_unit::Settings{generation, pin}),
          reader([this](std::string_view l) { lines.emplace_back(l); },
                 [this](std::span<const uint8_t> f) {
                     SerialFrame frame;
                     if (SerialParseFrame(f, frame)) frames.push_back(frame);
                 }) {
        reader.SetFraming(generation != 1);
    }

    // Sends a frame and returns the answers it drew.
    std::vector<SerialFrame> Ask(const Bytes& request) {
        ++sequence;
        frames.clear();
        reader.Feed(unit.Feed(request));
        return frames;
    }
    std::vector<std::string> Say(const std::string& body) {
        lines.clear();
        std::string line = SerialTextLine(body);
        reader.Feed(unit.Feed(Bytes(line.begin(), line.end())));
        return lines;
    }
};

int Command(const std::vector<SerialFrame>& answers) {
    return answers.size() == 1 ? answers[0].header.command : -1;
}

TEST(SerialUnit, Vimko3BlockWriteNeedsPinAndImeiAndReadsBack) {
    Cable cable(3);
    auto imei = cable.Ask(SerialMonitorFrame(cable.sequence, kItemImei));
    ASSERT_EQ(imei.size(), 1u);
    EXPECT_EQ(SerialImeiText(imei[0].data), "354330031234567");

    const ParamSchema& general = ParamSchemaOf(ParamBlock::kGeneral);
    SerialValues values(general.rows.size());
    values[0] = "truck 7";
    values[13] = "123456";  // MODE
    Bytes block = SerialEncodeBinaryBlock(general.rows, values, SerialBinaryBlockSize(0));
    EXPECT_EQ(
        Command(cable.Ask(SerialWriteBlockFrame3(cable.sequence, 90, "9999", imei[0].data, block))),
        12);
    EXPECT_EQ(
        Command(cable.Ask(SerialWriteBlockFrame3(cable.sequence, 90, "1234", Bytes(8, 0), block))),
        12);
    auto written =
        cable.Ask(SerialWriteBlockFrame3(cable.sequence, 90, "1234", imei[0].data, block));
    EXPECT_EQ(Command(written), 11);
    EXPECT_EQ(written[0].header.sequence, cable.sequence - 1);

    EXPECT_EQ(Command(cable.Ask(SerialReadBlockFrame(cable.sequence, 90, "12"))), 12);
    auto read = cable.Ask(SerialReadBlockFrame(cable.sequence, 90, "1234"));
    ASSERT_EQ(Command(read), 40);
    Bytes answer{read[0].header.item};
    answer.insert(answer.end(), read[0].data.begin(), read[0].data.end());
    size_t rows = SerialRowsPresent(0, general.rows.size(), read[0].data.size());
    EXPECT_EQ(rows, 37u);
    SerialValues back = SerialDecodeBinaryBlock(general.rows, answer, rows);
    EXPECT_EQ(back[0], "truck 7");
    EXPECT_EQ(back[13], "123456");
}

TEST(SerialUnit, Vimko2TextBlockRoundTrip) {
    Cable cable(2);
    const ParamSchema& fms = ParamSchemaOf(ParamBlock::kFms);
    auto rows = fms.rows.first(static_cast<size_t>(fms.textRows));
    SerialValues values(rows.size());
    values[0] = "5";
    values[1] = "65265";
    Bytes block = SerialEncodeTextBlock(rows, values);
    Bytes frame = SerialWriteBlockFrame2(cable.sequence, 52, "1234", block);
    EXPECT_EQ(frame.size(), 272u);
    EXPECT_EQ(Command(cable.Ask(frame)), 11);
    auto read = cable.Ask(SerialReadBlockFrame(cable.sequence, 52, "1234"));
    ASSERT_EQ(Command(read), 40);
    EXPECT_EQ(SerialDecodeTextBlock(rows, read[0].data), values);
}

TEST(SerialUnit, Vimko1TextConfigurationWantsThePin) {
    Cable cable(1);
    EXPECT_TRUE(cable.Say(SerialGetBody('1', 0)).empty());  // no PIN given yet
    cable.Say(SerialPinBody("0000"));
    EXPECT_TRUE(cable.Say(SerialGetBody('1', 0)).empty());  // wrong PIN: silence
    cable.Say(SerialPinBody("1234"));
    cable.Say(SerialSetBody('1', 5, "internet"));
    cable.Say(SerialSetBody('1', 0, ""));
    TextReadCollector general(0);
    for (int nn = 0; nn < 29; ++nn) {
        for (const std::string& line : cable.Say(SerialGetBody('1', nn))) general.Take(line);
    }
    EXPECT_EQ(general.Answers(), 29);
    EXPECT_EQ(general.Values()[5], "internet");
    EXPECT_EQ(general.Values()[0], "");
    cable.Say(SerialDistanceBody("1500"));
    EXPECT_EQ(cable.unit.Distance(), 1500u);
}

TEST(SerialUnit, MonitorCyclesFillEveryRow) {
    for (int generation : {1, 2, 3}) {
        Cable cable(generation);
        MonitorBoard board;
        board.Reset(generation - 1);
        MonitorTextState textState;
        board.Start();
        while (true) {
            MonitorBoard::Step step = board.PollStep();
            if (step.ended) break;
            if (generation == 1) {
                for (const std::string& line : cable.Say(step.textBody)) {
                    MonitorTextResult r = MonitorDecodeTextAnswer(line, textState);
                    if (r.item >= 0) board.Fill(r.item, r.text);
                }
            } else {
                for (const SerialFrame& f :
                     cable.Ask(SerialMonitorFrame(cable.sequence, step.code))) {
                    board.Fill(MonitorItemOfCode(generation - 1, f.header.item),
                               MonitorValueText(f.header.item, f.length, f.data));
                }
            }
        }
        for (int row = 0; row < board.RowCount(); ++row) {
            EXPECT_FALSE(board.Value(row).empty()) << generation << " row " << row;
        }
        EXPECT_NE(board.Value(0).find("Imei:354330031234567"), std::string::npos) << generation;
        EXPECT_NE(board.Value(1).find("Latitude:52.3456789"), std::string::npos) << generation;
    }
}

TEST(SerialUnit, ArchiveUnreadAndClear) {
    Cable cable(2);
    auto count = cable.Ask(SerialArchiveCountFrame(cable.sequence));
    ASSERT_EQ(Command(count), 80);
    EXPECT_EQ(SerialGetLE(count[0].data, 0, 4), 300u);
    auto record = cable.Ask(SerialArchiveRecordFrame(cable.sequence, 299));
    ASSERT_EQ(Command(record), 80);
    ASSERT_EQ(record[0].data.size(), 256u);
    EXPECT_EQ(SerialRecordHex(record[0].data).size(), 512u);
    EXPECT_EQ(Command(cable.Ask(SerialArchiveRecordFrame(cable.sequence, 300))), 12);
    int unread = 0;
    while (Command(cable.Ask(SerialUnreadFrame(cable.sequence))) == 80) ++unread;
    EXPECT_EQ(unread, 3);
    EXPECT_EQ(Command(cable.Ask(SerialClearFrame(cable.sequence, "1111"))), 12);
    EXPECT_EQ(Command(cable.Ask(SerialClearFrame(cable.sequence, "1234"))), 11);
    auto after = cable.Ask(SerialArchiveCountFrame(cable.sequence));
    EXPECT_EQ(SerialGetLE(after[0].data, 0, 4), 0u);
    EXPECT_EQ(Command(cable.Ask(SerialDistanceFrame(cable.sequence, "1234", 777))), 11);
    EXPECT_EQ(cable.unit.Distance(), 777u);
}

// A firmware image sent as the manager sends it; `damage` flips one byte of
// the running sum of that block (-1: none).
void SendFirmware(Cable& cable, int damage) {
    uint32_t sum = 0;
    for (int block = 0; block < kFirmwareBlocks; ++block) {
        Bytes bytes(kUploadBlockSize);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(block * 7 + i);
        for (uint8_t b : bytes) sum += b;
        EXPECT_TRUE(cable
                        .Ask(SerialFirmwareFrame(cable.sequence, block, bytes,
                                                 block == damage ? sum ^ 1 : sum))
                        .empty());
    }
}

TEST(SerialUnit, FirmwareUploadCheckedBySum) {
    Cable good(3);
    SendFirmware(good, -1);
    EXPECT_EQ(good.unit.FirmwareBlocks(), kFirmwareBlocks);
    EXPECT_FALSE(good.unit.FirmwareCorrupt());
    Cable bad(3);
    SendFirmware(bad, 300);
    EXPECT_TRUE(bad.unit.FirmwareCorrupt());
    std::vector<std::string> reports = bad.unit.TakeReports();
    EXPECT_NE(std::find(reports.begin(), reports.end(), "firmware upload corrupt at block 300"),
              reports.end());
}

TEST(SerialUnit, Vimko1FirmwareLinesCheckedBySum) {
    Cable cable(1);
    uint32_t sum = 0;
    for (int line = 0; line < 8; ++line) {
        Bytes bytes(kFirmwareTextBytes, static_cast<uint8_t>(line));
        sum = SerialFirmwareTextSum(sum, line, bytes, true);
        cable.Say(SerialFirmwareTextBody(line, bytes, line == 6 ? sum + 1 : sum));
    }
    EXPECT_EQ(cable.unit.FirmwareBlocks(), 8);
    EXPECT_TRUE(cable.unit.FirmwareCorrupt());
}

TEST(SerialUnit, LongDallasListCountsEntries) {
    for (uint32_t closing : {40u, 41u}) {
        Cable cable(3);
        Bytes data(640);
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
        const int n = static_cast<int>((data.size() - 1) / 256 + 1);
        for (int k = 0; k < n; ++k) {
            size_t from = static_cast<size_t>(k) * 256;
            Bytes block(data.begin() + static_cast<long>(from),
                        data.begin() + static_cast<long>(std::min(from + 256, data.size())));
            EXPECT_EQ(Command(cable.Ask(SerialDallasBlockFrame(cable.sequence, k, block))), 11);
        }
        int judged = Command(cable.Ask(SerialDallasCloseFrame(cable.sequence, n, 2, closing)));
        EXPECT_EQ(judged, closing == 40 ? 11 : 12);
        EXPECT_EQ(cable.unit.DallasData(), data);
        EXPECT_EQ(cable.unit.DallasComplete(), closing == 40);
    }
}

TEST(SerialUnit, SysDumpComesAsDebugFrames) {
    Cable cable(3);
    std::vector<std::string> log;
    for (const SerialFrame& f : cable.Ask(SerialMonitorFrame(cable.sequence, kItemSysDump))) {
        Bytes whole = SerialBuildFrame(f.header, f.data);
        if (auto text = SerialFrameLogText(whole)) log.push_back(*text);
    }
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log.front(), " SYSDUMP begin");
}

}  // namespace
