// The manager's serial framing against the vimko-serial-unit program over a
// real socat pseudo-terminal pair.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/param_blocks.h"
#include "common/unique_fd.h"
#include "manager/logic/monitor_text.h"
#include "manager/logic/serial_answers.h"
#include "manager/logic/serial_blocks.h"
#include "manager/logic/serial_reader.h"
#include "manager/logic/serial_requests.h"
#include "tests/support/server_process.h"
#include "tests/tools/socat_pair.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The manager's end of the cable with a unit of `generation` on the other.
class SerialLink {
  public:
    explicit SerialLink(int generation)
        : m_unit({.workDir = m_dir.path(),
                  .args = {"--generation", std::to_string(generation), m_pair.second()},
                  .program = "vimko-serial-unit"}),
          m_reader([this](std::string_view l) { m_lines.emplace_back(l); },
                   [this](std::span<const uint8_t> f) {
                       SerialFrame frame;
                       if (SerialParseFrame(f, frame)) m_frames.push_back(frame);
                   }) {
        m_reader.SetFraming(generation != 1);
        m_fd.Reset(OpenRawTerminal(m_pair.first()));
    }

    bool Ready() {
        return m_pair.ok() && m_fd.valid() &&
               WaitUntil([&] { return m_unit.Stdout().find("ready") != std::string::npos; },
                         std::chrono::seconds(10));
    }

    void Write(const Bytes& bytes) {
        ASSERT_EQ(write(m_fd.get(), bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }
    void WriteText(const std::string& body) {
        std::string line = SerialTextLine(body);
        Write(Bytes(line.begin(), line.end()));
    }

    // Reads until `count` frames (or lines) arrived or a second passed.
    std::vector<SerialFrame> Frames(size_t count) {
        Pump([&] { return m_frames.size() >= count; });
        return std::exchange(m_frames, {});
    }
    std::vector<std::string> Lines(size_t count) {
        Pump([&] { return m_lines.size() >= count; });
        return std::exchange(m_lines, {});
    }

    std::string UnitLog() { return m_unit.Stderr(); }
    uint8_t sequence = 0;

  private:
    template <typename Done>
    void Pump(Done done) {
        WaitUntil(
            [&] {
                uint8_t buffer[kSerialBufferSize];
                ssize_t n;
                while ((n = read(m_fd.get(), buffer, sizeof buffer)) > 0) {
                    m_reader.Feed(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
                }
                return done();
            },
            std::chrono::seconds(2));
    }

    TempDir m_dir;
    SocatPair m_pair;
    ServerProcess m_unit;
    SerialReader m_reader;
    UniqueFd m_fd;
    std::vector<SerialFrame> m_frames;
    std::vector<std::string> m_lines;
};

TEST(SerialLink, Vimko3MonitorAndBlockRoundTrip) {
    SerialLink link(3);
    ASSERT_TRUE(link.Ready());
    link.Write(SerialMonitorFrame(link.sequence++, 61));
    auto gps = link.Frames(1);
    ASSERT_EQ(gps.size(), 1u);
    EXPECT_EQ(gps[0].header.sequence, 0);
    EXPECT_TRUE(MonitorValueText(61, gps[0].length, gps[0].data)
                    .starts_with("Fixstat:1 Satuse:9 Latitude:52.3456789"));

    link.Write(SerialMonitorFrame(link.sequence++, kItemImei));
    auto imei = link.Frames(1);
    ASSERT_EQ(imei.size(), 1u);
    const ParamSchema& dallas = ParamSchemaOf(ParamBlock::kDallas);
    SerialValues values(dallas.rows.size());
    for (size_t i = 0; i < values.size(); ++i) {
        if (dallas.rows[i].kind == kParamHex) values[i] = "0123456789ABCDEF";
    }
    // The largest frame of all (505 bytes) crosses the pty whole.
    Bytes frame = SerialWriteBlockFrame3(
        link.sequence++, 96, "1234", imei[0].data,
        SerialEncodeBinaryBlock(dallas.rows, values, SerialBinaryBlockSize(6)));
    EXPECT_EQ(frame.size(), 505u);
    link.Write(frame);
    auto written = link.Frames(1);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].header.command, 11);

    link.Write(SerialReadBlockFrame(link.sequence++, 96, "1234"));
    auto read = link.Frames(1);
    ASSERT_EQ(read.size(), 1u);
    Bytes block{read[0].header.item};
    block.insert(block.end(), read[0].data.begin(), read[0].data.end());
    EXPECT_EQ(SerialDecodeBinaryBlock(dallas.rows, block, dallas.rows.size()), values);

    link.Write(SerialReadBlockFrame(link.sequence++, 96, "4321"));
    auto refused = link.Frames(1);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].header.command, 12);
    EXPECT_TRUE(WaitUntil([&] { return link.UnitLog().find("wrong PIN") != std::string::npos; },
                          std::chrono::seconds(2)));
}

TEST(SerialLink, Vimko1TextReadOverThePty) {
    SerialLink link(1);
    ASSERT_TRUE(link.Ready());
    link.WriteText(SerialPinBody("1234"));
    for (int nn = 0; nn < 16; ++nn) link.WriteText(SerialGetBody('6', nn));
    TextReadCollector masks(6);
    for (const std::string& line : link.Lines(16)) masks.Take(line);
    EXPECT_EQ(masks.Answers(), 16);
    link.WriteText(SerialTextMonitorBody(4));  // $GET203*
    MonitorTextState state;
    auto lines = link.Lines(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(MonitorDecodeTextAnswer(lines[0], state).item, 1);
}

TEST(SerialLink, NoiseAndTooLongFrameBeforeARequest) {
    SerialLink link(2);
    ASSERT_TRUE(link.Ready());
    link.Write(Bytes{0x55, 0x02, 0x58, 0x02, 0x00, 0x13});  // L = 600, dropped
    link.Write(SerialMonitorFrame(link.sequence++, 66));
    auto gsm = link.Frames(1);
    ASSERT_EQ(gsm.size(), 1u);
    EXPECT_EQ(MonitorValueText(66, gsm[0].length, gsm[0].data), "Sig:21\nNework:26001\nIcon=0");
}

}  // namespace
