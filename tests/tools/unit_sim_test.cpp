#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <map>
#include <set>
#include <thread>

#include "common/base64_reader.h"
#include "common/base64_writer.h"
#include "tests/support/test_config.h"
#include "tools/unit_sim/fleet.h"
#include "tools/unit_sim/route.h"
#include "tools/unit_sim/server_frames.h"
#include "tools/unit_sim/sim_unit.h"
#include "tools/unit_sim/unit_frames.h"

namespace {

using namespace unit_sim;
using namespace std::chrono_literals;

std::string FromHex(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return out;
}

std::string Bytes(std::initializer_list<int> bytes) {
    std::string out;
    for (int b : bytes) out += static_cast<char>(b);
    return out;
}

uint8_t At(const std::string& s, size_t i) {
    return static_cast<uint8_t>(s.at(i));
}

uint32_t LE(const std::string& s, size_t offset, size_t size) {
    uint32_t v = 0;
    for (size_t i = 0; i < size; ++i) v |= static_cast<uint32_t>(At(s, offset + i)) << (8 * i);
    return v;
}

// The server's split of a packed coordinate back into degrees and minutes.
void Split(int32_t raw, int32_t& degrees, double& minutes) {
    degrees = raw / 10000000;
    minutes = (raw - degrees * 10000000) / 100000.0;
}

// A frame as the server would send it, as one line.
std::string ServerLine(std::string_view frame, char terminator = '\n') {
    return EncodeLine(frame, terminator);
}

std::string MessageFrame(std::string_view address, std::string_view text) {
    std::string f = Bytes({43, 0});
    f += std::string(address) + std::string(16 - address.size(), '\0');
    f += std::string(text) + std::string(150 - text.size(), '\0');
    return f;
}

// ---- coordinates ---------------------------------------------------------

TEST(CoordinatePacking, DegreesAndMinutesPack) {
    EXPECT_EQ(PackCoordinate(52, 12.34567), 521234567);
    EXPECT_EQ(PackCoordinate(-52, -12.34567), -521234567);
    EXPECT_EQ(PackCoordinate(-52, 12.34567), -521234567);  // the sign is the degrees'
    EXPECT_EQ(PackCoordinate(0, -30.5), -3050000);
    EXPECT_EQ(PackCoordinate(180, 0), 1800000000);
}

TEST(CoordinatePacking, DecimalDegreesBecomeDegreesAndMinutes) {
    EXPECT_EQ(PackDecimalDegrees(52.5), 523000000);
    EXPECT_EQ(PackDecimalDegrees(52 + 12.34567 / 60), 521234567);
    EXPECT_EQ(PackDecimalDegrees(-21.0020575), -210012345);
    // 59.9999994 minutes round to a whole degree instead of "60.00000".
    EXPECT_EQ(PackDecimalDegrees(52.99999999), 530000000);
    EXPECT_EQ(PackDecimalDegrees(-0.5), -3000000);
}

TEST(CoordinatePacking, ServerSplitGivesBackTheCoordinate) {
    for (double deg : {52.2297, -33.8688, 0.0001, -0.0001, 179.99, -179.99, 21.0122}) {
        int32_t d = 0;
        double m = 0;
        Split(PackDecimalDegrees(deg), d, m);
        EXPECT_NEAR(d + m / 60.0, deg, 1e-7) << deg;
        EXPECT_LT(std::fabs(m), 60.0);
    }
}

// ---- frame layouts --------------------------------------------------------

TEST(UnitFrames, IdentificationFieldsArePaddedAndAFullSerialFillsItsField) {
    Identity id{"123456789012345",   "Truck 7",  "89480000000000000001",
                "WVWZZZ1JZXW000001", "WX 12345", 0x01020304};
    std::string f = Identification(id);
    ASSERT_EQ(f.size(), 87u);
    EXPECT_EQ(At(f, 0), 0);
    EXPECT_EQ(At(f, 1), 85);
    EXPECT_EQ(f.substr(2, 15), "123456789012345");  // no NUL: the field is full
    EXPECT_EQ(f.substr(17, 16), std::string("Truck 7") + std::string(9, '\0'));
    EXPECT_EQ(f.substr(33, 20), "89480000000000000001");
    EXPECT_EQ(f.substr(53, 17), "WVWZZZ1JZXW000001");
    EXPECT_EQ(f.substr(70, 13), std::string("WX 12345") + std::string(5, '\0'));
    EXPECT_EQ(f.substr(83, 4), Bytes({4, 3, 2, 1}));

    id.description = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    id.serial = "17";
    f = Identification(id);
    ASSERT_EQ(f.size(), 87u);  // over-long text is cut, short text padded
    EXPECT_EQ(f.substr(2, 15), std::string("17") + std::string(13, '\0'));
    EXPECT_EQ(f.substr(17, 16), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(f.substr(33, 4), "8948");
}

TEST(UnitFrames, ReidentificationAndPicoFramesCarryTheirFields) {
    Identity id{"123", "Van", "8948", "VIN", "RN", 7};
    std::string re = Reidentification(id);
    ASSERT_EQ(re.size(), 72u);
    EXPECT_EQ(At(re, 0), 42);
    EXPECT_EQ(At(re, 1), 70);
    EXPECT_EQ(re.substr(2, 4), std::string("Van") + '\0');
    EXPECT_EQ(re.substr(18, 4), "8948");
    EXPECT_EQ(LE(re, 68, 4), 7u);

    std::string pico = PicoIdentification(id);
    ASSERT_EQ(pico.size(), 53u);
    EXPECT_EQ(At(pico, 0), 64);
    EXPECT_EQ(At(pico, 1), 51);
    EXPECT_EQ(pico.substr(2, 4), std::string("123") + '\0');
    EXPECT_EQ(pico.substr(33, 4), "8948");

    std::string pico_re = PicoReidentification(id);
    ASSERT_EQ(pico_re.size(), 38u);
    EXPECT_EQ(At(pico_re, 0), 65);
    EXPECT_EQ(At(pico_re, 1), 36);
    EXPECT_EQ(pico_re.substr(18, 4), "8948");
}

TEST(UnitFrames, EveryFrameHasItsIdentifierAndPayloadSize) {
    struct Case {
        std::string frame;
        int id;
        int length_byte;
        size_t payload;
    };
    std::array<uint8_t, 8> tag{};
    std::array<uint8_t, kFmsDataSize> fms{};
    std::vector<Case> cases = {
        {PositionFrame({}), 1, 31, 31},
        {InputsFrame({}), 2, 3, 3},
        {AnalogueFrame({}), 3, 8, 8},
        {CountersFrame({}), 4, 16, 16},
        {TagTextFrame(5, 1, "AB"), 5, 17, 17},
        {TagBinaryFrame(5, 1, tag), 5, 9, 9},
        {GsmFrame({}), 6, 5, 5},
        {SequenceFrame({}), 7, 9, 9},
        {AlarmFrame(1), 8, 1, 1},
        {EarlierPositionsFrame({}), 9, 33, 33},
        {LevelsFrame(1, 2, 3), 10, 6, 6},
        {CellFrame(1, 2), 11, 4, 4},
        {TerminalFrame({}), 12, 7, 7},
        {ServerTimeFrame(1), 13, 4, 4},
        {MagneticCourseFrame(1), 14, 2, 2},
        {FmsWithStatusFrame(1, fms), 15, 29, 29},
        {S300Frame({}), 16, 13, 13},
        {AccelerometerFrame({}), 17, 8, 8},
        {FmsExtraFrame({}), 18, 12, 12},
        {FmsFrame(1, 1, fms), 19, 22, 22},
        {RfidFrame({}), 20, 4, 4},
        {DrivingFrame({}), 21, 12, 12},
        {TagTextFrame(22, 1, "X"), 22, 17, 17},
        {RouteCountersFrame({}), 23, 26, 26},
        {TyresFrame({}), 24, 120, 120},
        {EventFrame(1), 25, 1, 1},
        {AdasFrame(1, 2, 3, 4), 26, 4, 4},
        {TelltaleFrame(1, 2), 27, 6, 6},
        {FrequenciesFrame({}), 28, 17, 17},
        {WheelSpeedsFrame({}), 29, 9, 9},
        {GpsDateFrame({}), 39, 8, 8},
        {PicoRecordFrame({}, kPicoLengthNoDistance), 66, 0, 45},
        {PicoRecordFrame({}, kPicoLengthWithDistance), 66, 49, 49},
        {PicoRecordFrame({}, kPicoLengthAlarmBit0), 66, 2, 49},
        {TextMessage("a", "b"), 45, 0, 166},
        {TextMessage("a", "b", MessagePosition{}), 45, 183, 183},
        {AckFrame(), 37, 0, 0},
        {NackFrame(), 44, 0, 0},
        {AckRequestFrame(), 40, 0, 0},
        {AgpsRequestFrame(), 160, 0, 0},
        {TunnelConnectFrame(true, {127, 0, 0, 1}, 80), 112, 7, 7},
        {TunnelDisconnectFrame(), 113, 0, 0},
        {TunnelDataFrame("abc"), 116, 5, 5},
        {TextBlockAnswer(33, "x"), 33, 0, 256},
        {BinaryBlockAnswer(82, std::string(68, '\0')), 82, 70, 70},
        {FirmwareStatusAnswer(1, 2, 3u), 35, 9, 9},
        {FirmwareStatusAnswer(1, 2, std::nullopt), 35, 5, 5},
        {TerminalFirmwareStatusAnswer(1, 2), 57, 5, 5},
        {PicoFirmwareVersionAnswer(2), 69, 4, 4},
        {AdapterFirmwareVersionAnswer("1.2"), 133, 8, 8},
    };
    for (const Case& c : cases) {
        ASSERT_GE(c.frame.size(), 2u);
        EXPECT_EQ(At(c.frame, 0), c.id);
        EXPECT_EQ(At(c.frame, 1), c.length_byte) << "frame " << c.id;
        EXPECT_EQ(c.frame.size() - 2, c.payload) << "frame " << c.id;
    }
}

TEST(UnitFrames, PositionFrameCarriesScaledValues) {
    Position p;
    p.fixstat = 3;
    p.satuse = 9;
    p.latitude = PackCoordinate(52, 12.34567);
    p.longitude = PackDecimalDegrees(-21.0020575);
    p.altitude = 123.4;
    p.altref = -5.5;
    p.cogt = 270.5;
    p.kph = 56.78;
    p.distance = 100000;
    p.time = 23595999;
    p.day = 31;
    p.month = 12;
    p.year = 2099;
    p.antstat = 1;
    EXPECT_EQ(PositionFrame(p),
              FromHex("011f03098768111f47777bf3d204c9ffaa692e16a0860100df0b68011f0c330801"));
}

TEST(UnitFrames, OutOfRangeValuesAreClampedNotWrapped) {
    Position p;
    p.kph = 1000;        // 100000 does not fit u16
    p.altitude = -5000;  // -50000 does not fit i16
    p.cogt = -1;         // below an unsigned field
    std::string f = PositionFrame(p);
    EXPECT_EQ(LE(f, 2 + 16, 2), 0xFFFFu);
    EXPECT_EQ(LE(f, 2 + 10, 2), 0x8000u);
    EXPECT_EQ(LE(f, 2 + 14, 2), 0u);

    EXPECT_EQ(AnalogueMillivolts(0.291), 0x8123);
    EXPECT_EQ(AnalogueMillivolts(40), 0xFFFF);  // 32.767 V at most, bit 15 kept
    PicoRecord r;
    r.val0 = 40;
    EXPECT_EQ(LE(PicoRecordFrame(r, 0), 2 + 25, 2), 0x7FFFu);  // 15-bit field
}

TEST(UnitFrames, FmsBytesFollowTheSampleDecodeRules) {
    auto data = FmsBytes(FmsSample{80, 1500, 1234.5, 50});
    EXPECT_EQ(std::string(data.begin(), data.begin() + 9), FromHex("0050e02ea50900007d"));
    for (size_t i = 9; i < data.size(); ++i) EXPECT_EQ(data[i], 0xFF) << i;
    // The rules of etc/VimkoSrv.cfg: speed u16 x 1/256, rpm u16 x 0.125,
    // fuel u32 x 0.5, level u8 x 0.4.
    EXPECT_DOUBLE_EQ((data[0] | data[1] << 8) * 0.00390625, 80.0);
    EXPECT_DOUBLE_EQ((data[2] | data[3] << 8) * 0.125, 1500.0);
    uint32_t fuel = data[4] | data[5] << 8 | data[6] << 16 | static_cast<uint32_t>(data[7]) << 24;
    EXPECT_DOUBLE_EQ(fuel * 0.5, 1234.5);
    EXPECT_NEAR(data[8] * 0.4, 50.0, 1e-9);

    std::string f = FmsFrame(1, 1, data);
    EXPECT_EQ(f.substr(0, 4), Bytes({19, 22, 1, 1}));
    EXPECT_EQ(f.substr(4), std::string(data.begin(), data.end()));
}

TEST(UnitFrames, FmsWithStatusPutsBytes18And19AfterTheFiller) {
    std::array<uint8_t, kFmsDataSize> data{};
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0xA0 + i);
    std::string f = FmsWithStatusFrame(0x01FF, data);
    ASSERT_EQ(f.size(), 31u);
    EXPECT_EQ(LE(f, 2, 2), 0x01FFu);
    EXPECT_EQ(At(f, 2 + 2), 0xA0);
    EXPECT_EQ(At(f, 2 + 19), 0xB1);  // data byte 17
    EXPECT_EQ(f.substr(2 + 20, 5), std::string(5, '\0'));
    EXPECT_EQ(At(f, 2 + 25), 0xB2);  // data byte 18
    EXPECT_EQ(At(f, 2 + 26), 0xB3);  // data byte 19
}

TEST(UnitFrames, TagsAsTextOrBinary) {
    EXPECT_EQ(TagTextFrame(5, 1, "AB-12"),
              Bytes({5, 17, 1, 'A', 'B', '-', '1', '2'}) + std::string(11, '\0'));
    EXPECT_EQ(TagBinaryFrame(22, 1, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}),
              FromHex("1609010123456789abcdef"));
}

TEST(UnitFrames, TextMessagePositionTailFollowsTheTexts) {
    MessagePosition pos{1, 12345600, 29, 2, 2024, 521234567, -210012345};
    std::string f = TextMessage("Dispatch", "Arrived", pos);
    ASSERT_EQ(f.size(), 185u);
    EXPECT_EQ(f.substr(2, 9), std::string("Dispatch") + '\0');
    EXPECT_EQ(f.substr(18, 8), std::string("Arrived") + '\0');
    EXPECT_EQ(At(f, 168), 1);
    EXPECT_EQ(LE(f, 169, 4), 12345600u);
    EXPECT_EQ(f.substr(173, 4), Bytes({29, 2, 0xE8, 0x07}));
    EXPECT_EQ(static_cast<int32_t>(LE(f, 177, 4)), 521234567);
    EXPECT_EQ(static_cast<int32_t>(LE(f, 181, 4)), -210012345);

    std::string plain = TextMessage("Dispatch", std::string(200, 'x'));
    ASSERT_EQ(plain.size(), 168u);  // text cut to its 150-byte field
    EXPECT_EQ(At(plain, 1), 0);
}

TEST(UnitFrames, PicoRecordDistanceDependsOnTheLengthByte) {
    PicoRecord r;
    r.distance = 0x11223344;
    r.seqno = 0x55667788;
    r.mem = 0x99AA;
    r.frame = 7;
    r.rawdin = 0x09;
    r.val1 = 1.5;
    std::string without = PicoRecordFrame(r, kPicoLengthNoDistance);
    EXPECT_EQ(At(without, 2 + 24), 0x09);
    EXPECT_EQ(LE(without, 2 + 27, 2), 1500u);
    EXPECT_EQ(LE(without, 2 + 38, 4), 0x55667788u);
    EXPECT_EQ(LE(without, 2 + 42, 2), 0x99AAu);
    EXPECT_EQ(At(without, 2 + 44), 7);
    std::string with = PicoRecordFrame(r, kPicoLengthAlarmBit0);
    EXPECT_EQ(LE(with, 2 + 38, 4), 0x11223344u);
    EXPECT_EQ(LE(with, 2 + 42, 4), 0x55667788u);
    EXPECT_EQ(At(with, 2 + 48), 7);
}

TEST(UnitFrames, ScaledElementFields) {
    RouteCounters rc;
    rc.dist = {12340, 0, 0, 0};
    EXPECT_EQ(LE(RouteCountersFrame(rc), 2 + 18, 2), 1234u);  // sent in tens
    EXPECT_EQ(TerminalFrame({1, 12.345, 0.5, -70, -1}), FromHex("0c07013930f401baff"));
    EXPECT_EQ(AccelerometerFrame({-2.5, 1.0, -0.5, 0}), FromHex("1108e7ff8000c0ff0000"));
    EXPECT_EQ(FrequenciesFrame({3, {50.5, 0, 0, 0}}).substr(2, 5), FromHex("03f9010000"));
    EXPECT_EQ(WheelSpeedsFrame({1, {12.34, 0, 0, 0}}).substr(2, 3), FromHex("01d204"));
    EXPECT_EQ(CountersFrame({1, 2, 0.5, 10}).substr(10), FromHex("0500000064000000"));
}

TEST(UnitFrames, TunnelFrames) {
    EXPECT_EQ(TunnelConnectFrame(true, {10, 1, 2, 3}, 8080), FromHex("7007010a010203901f"));
    EXPECT_EQ(At(TunnelConnectFrame(false, {10, 1, 2, 3}, 1), 2), 0);
    std::string data = TunnelDataFrame(std::string(300, 'z'));
    ASSERT_EQ(data.size(), 2u + 2 + 256);  // cut to the 256 bytes the server holds
    EXPECT_EQ(At(data, 1), 0);             // 258 does not fit the length byte
    EXPECT_EQ(LE(data, 2, 2), 256u);
}

TEST(UnitFrames, AnswerBlocksAreSizedAndCut) {
    std::string text = TextBlockAnswer(67, std::string(300, 'q'));
    ASSERT_EQ(text.size(), 258u);
    EXPECT_EQ(text.substr(2), std::string(256, 'q'));
    std::string bin = BinaryBlockAnswer(92, std::string(600, '\x01'));
    ASSERT_EQ(bin.size(), 2u + 2 + 512);
    EXPECT_EQ(LE(bin, 2, 2), 512u);
    EXPECT_EQ(AdapterFirmwareVersionAnswer("v1.2.3"),
              Bytes({133, 8, 'v', '1', '.', '2', '.', '3', 0, 0}));
}

// ---- lines ---------------------------------------------------------------

TEST(UnitLines, UdpIdentifierIsPackedBcdPaddedWithF) {
    auto bytes = [](std::string_view serial) {
        auto id = UdpIdentifier(serial);
        return std::string(id.begin(), id.end());
    };
    EXPECT_EQ(bytes("12345"), FromHex("12345fffffffffff"));
    EXPECT_EQ(bytes("123456789012345"), FromHex("123456789012345f"));
    EXPECT_EQ(bytes("1234567890123456"), FromHex("1234567890123456"));
    EXPECT_EQ(bytes("12345678901234567"), FromHex("1234567890123456"));  // 16 at most
    EXPECT_EQ(bytes("12X4"), FromHex("12ffffffffffffff"));  // no nibble for 'X': ends there
    EXPECT_EQ(bytes(""), FromHex("ffffffffffffffff"));
}

TEST(UnitLines, UdpDatagramIsHeaderAndFramesInOneBase64Text) {
    EXPECT_EQ(UdpDatagram("12345", {AckRequestFrame()}, '\n'), "EjRf//////8oAA==\n");
    EXPECT_EQ(UdpDatagram("12345", {AckFrame()}, ';'), "EjRf//////8lAA==;");
}

TEST(UnitLines, LineRoundTripsThroughTheServerReader) {
    EXPECT_EQ(UnitLine({AckFrame()}, ';'), "JQA=;");
    Identity id{"867530900000001", "Bus", "", "", "", 5};
    Position p;
    p.fixstat = 2;
    p.satuse = 7;
    p.latitude = PackDecimalDegrees(-33.8688);
    p.longitude = PackDecimalDegrees(151.2093);
    p.kph = 88.5;
    p.time = 12000000;
    std::string line =
        UnitLine({Identification(id), PositionFrame(p), InputsFrame({5, 6, 7})}, '.');
    ASSERT_EQ(line.back(), '.');

    Base64Reader r(line.c_str());
    EXPECT_EQ(ReadByte(r), 0);
    EXPECT_EQ(ReadByte(r), 85);
    uint8_t serial[15];
    ReadBytes(r, serial, sizeof serial);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(serial), 15), "867530900000001");
    SkipBytes(r, 85 - 15 - 4);
    EXPECT_EQ(ReadLE(r, 4), 5u);
    EXPECT_EQ(ReadByte(r), 1);
    EXPECT_EQ(ReadByte(r), 31);
    EXPECT_EQ(ReadByte(r), 2);
    EXPECT_EQ(ReadByte(r), 7);
    int32_t d = 0;
    double m = 0;
    Split(static_cast<int32_t>(ReadLE(r, 4)), d, m);
    EXPECT_EQ(d, -33);
    EXPECT_NEAR(m, -52.128, 1e-5);
    Split(static_cast<int32_t>(ReadLE(r, 4)), d, m);
    EXPECT_EQ(d, 151);
    EXPECT_NEAR(m, 12.558, 1e-5);
    SkipBytes(r, 4);                 // altitude, altref
    EXPECT_EQ(ReadLE(r, 2), 0u);     // cogt
    EXPECT_EQ(ReadLE(r, 2), 8850u);  // kph x100
    EXPECT_EQ(ReadLE(r, 4), 0u);     // distance
    EXPECT_EQ(ReadLE(r, 4), 12000000u);
    SkipBytes(r, 5);
    EXPECT_EQ(ReadByte(r), 2);
    EXPECT_EQ(ReadByte(r), 3);
    EXPECT_EQ(ReadByte(r), 5);
    EXPECT_EQ(ReadByte(r), 6);
    EXPECT_EQ(ReadByte(r), 7);
    EXPECT_EQ(ReadByte(r), -1);  // the terminator ends the data
}

// ---- server lines --------------------------------------------------------

TEST(ServerLines, AcknowledgementWithAndWithoutServerTime) {
    auto plain = ParseServerLine("JgA=;");
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].id, 38);
    EXPECT_EQ(plain[0].length_byte, 0);
    EXPECT_TRUE(plain[0].payload.empty());
    EXPECT_FALSE(AckServerTime(plain[0]));

    for (int length_byte : {0, 4}) {
        auto timed = ParseServerLine(ServerLine(Bytes({38, length_byte, 0x78, 0x56, 0x34, 0x12})));
        ASSERT_EQ(timed.size(), 1u);
        ASSERT_TRUE(AckServerTime(timed[0]));
        EXPECT_EQ(*AckServerTime(timed[0]), 0x12345678u);
    }
}

TEST(ServerLines, VehicleMessageAndDownloadRequests) {
    auto msg = ParseServerLine(ServerLine(MessageFrame("Office", "Go to depot 4")));
    ASSERT_EQ(msg.size(), 1u);
    EXPECT_FALSE(msg[0].truncated);
    auto m = ParseVehicleMessage(msg[0]);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->address, "Office");
    EXPECT_EQ(m->text, "Go to depot 4");

    auto shortreq = ParseServerLine("gAEF\n");
    ASSERT_EQ(shortreq.size(), 1u);
    auto d = ParseDownloadRequest(shortreq[0]);
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->long_form);
    EXPECT_EQ(d->code, 5u);

    auto longreq = ParseServerLine("kAZNAAAALAE=\n");
    ASSERT_EQ(longreq.size(), 1u);
    d = ParseDownloadRequest(longreq[0]);
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->long_form);
    EXPECT_EQ(d->row_id, 77u);
    EXPECT_EQ(d->code, 300u);
}

TEST(ServerLines, PayloadSizesComeFromTheIdentifier) {
    // Tunnel data: length byte 0, count u16, bytes.
    auto tunnel = ParseServerLine(ServerLine(Bytes({115, 0, 3, 0, 'a', 'b', 'c'})));
    ASSERT_EQ(tunnel.size(), 1u);
    EXPECT_EQ(CountedData(tunnel[0]), "abc");

    // Text-block write: length byte 0 and 256 bytes.
    auto write = ParseServerLine(ServerLine(Bytes({34, 0}) + std::string(256, '\xFF')));
    ASSERT_EQ(write.size(), 1u);
    EXPECT_EQ(write[0].payload.size(), 256u);

    // Frames packed together are still told apart: read request, block
    // write, recovery, nack.
    std::string packed =
        Bytes({33, 0}) + Bytes({81, 0, 2, 0, 9, 8}) + Bytes({46, 0, 0x70, 0x11}) + Bytes({41, 0});
    auto frames = ParseServerLine(ServerLine(packed, ';'));
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].id, 33);
    EXPECT_TRUE(frames[0].payload.empty());
    EXPECT_EQ(frames[1].id, 81);
    EXPECT_EQ(CountedData(frames[1]), Bytes({9, 8}));
    EXPECT_EQ(frames[2].payload, Bytes({0x70, 0x11}));
    EXPECT_EQ(frames[3].id, 41);
}

TEST(ServerLines, ShortAndBrokenLines) {
    auto cut = ParseServerLine(ServerLine(Bytes({43, 0, 'H', 'i'})));
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_TRUE(cut[0].truncated);
    EXPECT_EQ(cut[0].payload, "Hi");
    EXPECT_TRUE(ParseServerLine("").empty());
    EXPECT_TRUE(ParseServerLine("\n").empty());
    EXPECT_TRUE(ParseServerLine("!!!!").empty());
    // "=" ends the data: the frame after it is not seen.
    auto stop = ParseServerLine("KQA=JgA=\n");
    ASSERT_EQ(stop.size(), 1u);
    EXPECT_EQ(stop[0].id, 41);
}

TEST(ServerLines, RequestKinds) {
    for (int id : {33, 35, 48, 50, 52, 54, 57, 59, 61, 67, 69,
                   74, 80, 82, 84, 86, 88, 90, 92, 94, 96, 133}) {
        EXPECT_EQ(ClassifyServerFrame(static_cast<uint8_t>(id)), RequestKind::kRead) << id;
    }
    for (int id : {34, 46, 47, 51, 53, 55, 60, 62, 63, 68, 75, 81,
                   83, 85, 87, 89, 91, 93, 95, 97, 36, 58, 134}) {
        EXPECT_EQ(ClassifyServerFrame(static_cast<uint8_t>(id)), RequestKind::kWrite) << id;
    }
    EXPECT_EQ(ClassifyServerFrame(43), RequestKind::kMessage);
    EXPECT_EQ(ClassifyServerFrame(128), RequestKind::kDownload);
    EXPECT_EQ(ClassifyServerFrame(144), RequestKind::kDownload);
    EXPECT_EQ(ClassifyServerFrame(114), RequestKind::kTunnel);
    EXPECT_EQ(ClassifyServerFrame(115), RequestKind::kTunnel);
    for (int id : {38, 41, 131, 147, 149, 0, 255}) {
        EXPECT_EQ(ClassifyServerFrame(static_cast<uint8_t>(id)), RequestKind::kNone) << id;
    }
}

// ---- routes --------------------------------------------------------------

TEST(Route, ParsesStepsAndNamesTheBadLine) {
    std::string error;
    auto steps = ParseRoute(
        "# depot loop\n"
        "52.1 21.0 50 90 0x03\n"
        "\n"
        "-33.5 151.25 0 359.5 1 tag=AB12 fms=0050e02ea50900007dffffffffffffffffffffff\n",
        error);
    ASSERT_TRUE(steps) << error;
    ASSERT_EQ(steps->size(), 2u);
    EXPECT_DOUBLE_EQ((*steps)[0].lat, 52.1);
    EXPECT_EQ((*steps)[0].inputs, 3);
    EXPECT_FALSE((*steps)[0].fms);
    EXPECT_EQ((*steps)[1].tag, "AB12");
    ASSERT_TRUE((*steps)[1].fms);
    EXPECT_EQ((*(*steps)[1].fms)[2], 0xE0);

    for (auto [text, reason] : std::vector<std::pair<std::string, std::string>>{
             {"52 21 50 90 1\n91 21 50 90 1\n", "line 2: bad latitude"},
             {"52 21 50\n", "line 1: expected"},
             {"52 21 50 90 256\n", "line 1: bad inputs byte"},
             {"52 21 50 90 1 fms=00\n", "line 1: fms="},
             {"52 21 50 90 1 tag=A-1\n", "line 1: tag="},
             {"52 21 50 90 1 colour=red\n", "line 1: unknown field"},
             {"# nothing\n", "the route has no steps"}}) {
        error.clear();
        EXPECT_FALSE(ParseRoute(text, error)) << text;
        EXPECT_EQ(error.rfind(reason, 0), 0u) << error;
    }
}

TEST(Route, CircleStaysOnItsRadiusAndDrivesClockwise) {
    auto steps = CircleRoute(52.2297, 21.0122, 500, 36, 40);
    ASSERT_EQ(steps.size(), 36u);
    for (const RouteStep& s : steps) {
        EXPECT_NEAR(DistanceMetres(52.2297, 21.0122, s.lat, s.lon), 500, 2);
        EXPECT_DOUBLE_EQ(s.speed_kmh, 40);
    }
    EXPECT_GT(steps[0].lat, 52.2297);  // starts north of the centre
    EXPECT_GT(steps[9].lon, 21.0122);  // a quarter later it is east
    EXPECT_DOUBLE_EQ(steps[0].course, 90);
}

TEST(Route, PlayerLineCarriesTheElementFramesAndCounters) {
    std::string error;
    auto steps = ParseRoute(
        "52.0 21.0 36 0 1 tag=K9\n"
        "52.001 21.0 72 0 1 fms=112233445566778899aabbccddeeff0011223344\n",
        error);
    ASSERT_TRUE(steps) << error;
    RoutePlayer player(*steps);
    UtcTime t{2024, 2, 29, 23, 59, 58, 50};

    auto first = player.NextFrames(t);
    std::vector<int> ids;
    for (const std::string& f : first) ids.push_back(At(f, 0));
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 5, 6, 7, 19}));
    EXPECT_EQ(LE(first[0], 2 + 16, 2), 3600u);      // 36 km/h
    EXPECT_EQ(LE(first[0], 2 + 22, 4), 23595850u);  // hhmmsscc
    EXPECT_EQ(first[0].substr(2 + 26, 4), Bytes({29, 2, 0xE8, 0x07}));
    EXPECT_EQ(LE(first[5], 2, 4), 1u);             // sequence number
    EXPECT_EQ(LE(first[6], 2 + 2, 2), 36u * 256);  // FMS speed from the step's speed

    auto second = player.NextFrames(t);
    EXPECT_EQ(second.size(), 6u);  // no tag on this step
    EXPECT_EQ(LE(second[4], 2, 4), 2u);
    EXPECT_NEAR(player.odometer_m(), 111.2, 0.5);  // 0.001 degree of latitude
    EXPECT_EQ(LE(second[0], 2 + 18, 4), 111u);
    EXPECT_EQ(second[5].substr(4), FromHex("112233445566778899aabbccddeeff0011223344"));

    auto third = player.NextFrames(t);  // wraps to the first step
    EXPECT_EQ(third.size(), 7u);
    EXPECT_NEAR(player.odometer_m(), 222.4, 1);

    RoutePlayer pico(*steps, 1, true);
    auto pico_line = pico.NextFrames(t);
    ASSERT_EQ(pico_line.size(), 1u);
    EXPECT_EQ(At(pico_line[0], 0), 66);
    EXPECT_EQ(At(pico_line[0], 1), kPicoLengthWithDistance);
    EXPECT_EQ(LE(pico_line[0], 2 + 14, 2), 7200u);
}

TEST(Route, SerialsCountUpKeepingTheirWidth) {
    EXPECT_EQ(NthSerial("350000000000001", 0), "350000000000001");
    EXPECT_EQ(NthSerial("350000000000001", 1999), "350000000002000");
    EXPECT_EQ(NthSerial("000999", 1), "001000");
    EXPECT_EQ(NthSerial("A99", 1), "A100");
    EXPECT_EQ(NthSerial("999999999999999", 1), "1000000000000000");  // no overflow
    EXPECT_EQ(NthSerial("unit", 3), "unit3");
}

// ---- the simulated unit against in-test peers ------------------------------

// Waits for `events` on `fd`; false on time-out.
bool WaitFor(int fd, short events, std::chrono::milliseconds timeout) {
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, static_cast<int>(timeout.count())) > 0;
}

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

uint16_t PortOf(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
}

// The server end of one or more unit connections.
class TcpPeer {
  public:
    TcpPeer() : m_listen(ListenOnLoopback(FreePort(), 16)) {}
    uint16_t port() const { return PortOf(m_listen.get()); }
    int listen_fd() const { return m_listen.get(); }

    bool Accept(std::chrono::milliseconds timeout = 2s) {
        if (!WaitFor(m_listen.get(), POLLIN, timeout)) return false;
        m_conn.Reset(::accept(m_listen.get(), nullptr, nullptr));
        m_buffer.clear();
        return m_conn.valid();
    }
    void Send(std::string_view text) {
        ASSERT_EQ(::send(m_conn.get(), text.data(), text.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(text.size()));
    }
    std::optional<std::string> ReceiveLine(std::chrono::milliseconds timeout = 2s) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            size_t end = m_buffer.find_first_of("\n.;");
            if (end != std::string::npos) {
                std::string line = m_buffer.substr(0, end + 1);
                m_buffer.erase(0, end + 1);
                return line;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !WaitFor(m_conn.get(), POLLIN, left)) return std::nullopt;
            char buf[1024];
            ssize_t n = ::recv(m_conn.get(), buf, sizeof buf, 0);
            if (n <= 0) return std::nullopt;
            m_buffer.append(buf, static_cast<size_t>(n));
        }
    }
    void CloseConnection() { m_conn.Reset(); }

  private:
    UniqueFd m_listen;
    UniqueFd m_conn;
    std::string m_buffer;
};

UnitConfig ConfigFor(uint16_t port, char terminator = '\n') {
    UnitConfig c;
    c.port = port;
    c.terminator = terminator;
    c.identity = Identity{"12345", "Sim", "8948", "", "", 7};
    return c;
}

// A unit connected to `peer`, with the peer's end accepted.
struct Connected {
    TcpPeer peer;
    SimUnit unit;
    explicit Connected(char terminator = '\n') : unit(ConfigFor(peer.port(), terminator)) {
        EXPECT_TRUE(unit.Connect());
        EXPECT_TRUE(peer.Accept());
    }
    // Server sends `line`; the unit takes it in (and answers by its policy).
    void Deliver(const std::string& line) {
        peer.Send(line);
        auto got = unit.ReceiveLine(2s);
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, line);
    }
};

TEST(SimUnitTcp, MessagesAreAcknowledgedAndEveryNthRefused) {
    Connected c;
    c.unit.SetRefuseEvery(RequestKind::kMessage, 2);
    std::string msg = ServerLine(MessageFrame("Office", "Hello"));
    for (int i = 1; i <= 4; ++i) {
        c.Deliver(msg);
        EXPECT_EQ(c.peer.ReceiveLine(), i % 2 == 0 ? "LAA=\n" : "JQA=\n") << "message " << i;
    }
    auto log = c.unit.Received();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].frame.id, 43);
    EXPECT_EQ(ParseVehicleMessage(log[0].frame)->text, "Hello");
    EXPECT_EQ(log[0].answer, 37);
    EXPECT_EQ(log[1].answer, 44);
    UnitStats st = c.unit.Stats();
    EXPECT_EQ(st.answered, 2u);
    EXPECT_EQ(st.refused, 2u);
    EXPECT_EQ(st.lines_sent, 0u);  // answers are not the caller's lines
}

TEST(SimUnitTcp, ReadRequestsAreAnsweredWithABlockOfTheSameId) {
    Connected c(';');
    c.unit.SetBlock(33, "MYID-7");
    c.Deliver("IQA=;");  // read request 33
    auto line = c.peer.ReceiveLine();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->back(), ';');
    std::string block = DecodeBase64(line->c_str());
    ASSERT_EQ(block.size(), 258u);
    EXPECT_EQ(block.substr(0, 2), Bytes({33, 0}));
    EXPECT_EQ(block.substr(2, 7), std::string("MYID-7") + '\0');

    c.Deliver(ServerLine(Bytes({80, 0}), ';'));  // binary general configuration, default
    std::string bin = DecodeBase64(c.peer.ReceiveLine()->c_str());
    ASSERT_EQ(bin.size(), 2u + 2 + 212);
    EXPECT_EQ(At(bin, 0), 80);
    EXPECT_EQ(LE(bin, 2, 2), 212u);
    EXPECT_EQ(bin.substr(5, 6), std::string("12345") + '\0');  // MYID

    c.Deliver(ServerLine(Bytes({35, 0}), ';'));  // firmware status
    EXPECT_EQ(DecodeBase64(c.peer.ReceiveLine()->c_str()),
              Bytes({35, 9, 0, 7, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c.unit.Stats().blocks, 3u);
}

TEST(SimUnitTcp, WritesDownloadsAndTunnelFramesAreAcknowledged) {
    Connected c;
    c.unit.SetRefuseEvery(RequestKind::kWrite, 2);
    c.Deliver(ServerLine(Bytes({34, 0}) + std::string(256, '\xFF')));
    EXPECT_EQ(c.peer.ReceiveLine(), "JQA=\n");
    c.Deliver(ServerLine(Bytes({81, 0, 1, 0, 1})));
    EXPECT_EQ(c.peer.ReceiveLine(), "LAA=\n");  // second write refused
    c.Deliver("gAEF\n");                        // download request, code 5
    EXPECT_EQ(c.peer.ReceiveLine(), "JQA=\n");
    c.Deliver(ServerLine(Bytes({115, 0, 1, 0, 'x'})));
    EXPECT_EQ(c.peer.ReceiveLine(), "JQA=\n");
    c.Deliver("JgA=\n");  // an acknowledgement is never answered
    EXPECT_FALSE(c.peer.ReceiveLine(100ms));
}

TEST(SimUnitTcp, SilentUnitRecordsButDoesNotAnswer) {
    Connected c;
    c.unit.AnswerRequests(false);
    c.Deliver(ServerLine(MessageFrame("a", "b")));
    c.Deliver("IQA=\n");
    EXPECT_FALSE(c.peer.ReceiveLine(200ms));
    auto log = c.unit.Received();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].answer, -1);
    EXPECT_EQ(log[1].frame.id, 33);

    c.unit.AnswerRequests(true);
    c.Deliver("IQA=\n");
    EXPECT_TRUE(c.peer.ReceiveLine());
}

TEST(SimUnitTcp, LinesAreReassembledAcrossReadsAndSplitAtTerminators) {
    Connected c;
    c.peer.Send("Jg");
    EXPECT_FALSE(c.unit.ReceiveLine(50ms));  // half a line is not a line
    c.peer.Send("A=\nKQA=\nJgB4VjQS\n");
    EXPECT_EQ(c.unit.ReceiveLine(1s), "JgA=\n");
    EXPECT_EQ(c.unit.ReceiveLine(1s), "KQA=\n");
    EXPECT_EQ(c.unit.ReceiveLine(1s), "JgB4VjQS\n");
    UnitStats st = c.unit.Stats();
    EXPECT_EQ(st.acks, 2u);
    EXPECT_EQ(st.acks_with_time, 1u);
    EXPECT_EQ(st.nacks, 1u);
    EXPECT_EQ(st.lines_received, 3u);
}

TEST(SimUnitTcp, SentLinesArriveWholeAndAClosedPeerIsNoticed) {
    Connected c('.');
    EXPECT_TRUE(c.unit.SendLine({AckRequestFrame()}));
    EXPECT_EQ(c.peer.ReceiveLine(), "KAA=.");
    EXPECT_TRUE(c.unit.SendLine({c.unit.IdentificationFrame(), AgpsRequestFrame()}));
    auto ident = c.peer.ReceiveLine();
    ASSERT_TRUE(ident);
    EXPECT_EQ(DecodeBase64(ident->c_str()),
              Identification(ConfigFor(0).identity) + AgpsRequestFrame());
    EXPECT_TRUE(c.unit.SendRaw("JQA=."));
    EXPECT_EQ(c.peer.ReceiveLine(), "JQA=.");
    EXPECT_EQ(c.unit.Stats().lines_sent, 3u);

    c.peer.CloseConnection();
    EXPECT_FALSE(c.unit.ReceiveLine(2s));
    EXPECT_TRUE(c.unit.Closed());
    EXPECT_FALSE(c.unit.SendLine({AckRequestFrame()}));
}

TEST(SimUnitTcp, LogIsReadableWhileAnotherThreadPumpsTheSocket) {
    Connected c;
    std::atomic<bool> done{false};
    std::thread pump([&] {
        while (!done) c.unit.ReceiveLine(20ms);
    });
    std::string msg = ServerLine(MessageFrame("a", "b"));
    for (int i = 1; i <= 20; ++i) {
        c.peer.Send(msg);
        EXPECT_EQ(c.peer.ReceiveLine(), "JQA=\n");
        EXPECT_GE(c.unit.Received().size(), static_cast<size_t>(i));
        // Sends from this thread interleave with the pump's answers, whole.
        EXPECT_TRUE(c.unit.SendLine({AckRequestFrame()}));
        EXPECT_EQ(c.peer.ReceiveLine(), "KAA=\n");
    }
    done = true;
    pump.join();
    EXPECT_EQ(c.unit.Stats().answered, 20u);
    EXPECT_EQ(c.unit.Stats().lines_sent, 20u);
}

TEST(SimUnitUdp, DatagramsCarryTheIdentifierAndRepliesAreAnswered) {
    UniqueFd server(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in a = Loopback(static_cast<uint16_t>(FreePort()));
    ASSERT_EQ(::bind(server.get(), reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    UnitConfig config = ConfigFor(PortOf(server.get()), ';');
    config.transport = Transport::kUdp;
    SimUnit unit(config);
    ASSERT_TRUE(unit.Connect());

    auto receive = [&](sockaddr_in& from) -> std::string {
        if (!WaitFor(server.get(), POLLIN, 2000ms)) return {};
        char buf[2048];
        socklen_t len = sizeof from;
        ssize_t n =
            ::recvfrom(server.get(), buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
        return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
    };
    sockaddr_in from{};
    ASSERT_TRUE(unit.SendLine({AckRequestFrame()}));
    EXPECT_EQ(receive(from), "EjRf//////8oAA==;");

    std::string ack = "JgA=;";
    ::sendto(server.get(), ack.data(), ack.size(), 0, reinterpret_cast<sockaddr*>(&from),
             sizeof from);
    EXPECT_EQ(unit.ReceiveLine(2s), ack);

    std::string msg = ServerLine(MessageFrame("a", "b"), ';');
    ::sendto(server.get(), msg.data(), msg.size(), 0, reinterpret_cast<sockaddr*>(&from),
             sizeof from);
    EXPECT_EQ(unit.ReceiveLine(2s), msg);
    EXPECT_EQ(receive(from), "EjRf//////8lAA==;");  // 37 with the identifier
}

TEST(SimUnitConnect, NoServerMeansNoConnection) {
    uint16_t port;
    {
        TcpPeer gone;  // take a free port, then give it back
        port = gone.port();
    }
    SimUnit unit(ConfigFor(port));
    EXPECT_FALSE(unit.Connect(1s));
    EXPECT_TRUE(unit.Closed());
    EXPECT_FALSE(unit.SendLine({AckRequestFrame()}));
    EXPECT_FALSE(unit.ReceiveLine(10ms));
}

// ---- many units in one loop -------------------------------------------------

// A stand-in server: accepts every connection and answers each line with 38
// (unless told to stay quiet); with each of a unit's first two lines it also
// sends a message for the vehicle. Remembers the serials that identified
// themselves and the unit answers (37, 44) it received.
class AckServer {
  public:
    explicit AckServer(bool answer) : m_answer(answer), m_thread([this] { Run(); }) {}
    ~AckServer() {
        m_stop = true;
        m_thread.join();
    }
    uint16_t port() const { return m_peer.port(); }
    std::set<std::string> serials() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_serials;
    }
    std::map<int, int> answers() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_answers;
    }

  private:
    struct Conn {
        UniqueFd fd;
        std::string buffer;
        int lines = 0;
    };

    void Run() {
        std::vector<Conn> conns;
        while (!m_stop) {
            std::vector<pollfd> fds{{m_peer.listen_fd(), POLLIN, 0}};
            for (auto& c : conns) fds.push_back({c.fd.get(), POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 20) <= 0) continue;  // 20 ms: notices m_stop
            if (fds[0].revents & POLLIN) {
                conns.push_back(
                    Conn{UniqueFd(::accept(m_peer.listen_fd(), nullptr, nullptr)), "", 0});
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
                Conn& c = conns[i - 1];
                char buf[4096];
                ssize_t n = ::recv(c.fd.get(), buf, sizeof buf, 0);
                if (n <= 0) {
                    c.fd.Reset();
                    continue;
                }
                c.buffer.append(buf, static_cast<size_t>(n));
                for (size_t end; (end = c.buffer.find('\n')) != std::string::npos;) {
                    Handle(c, DecodeBase64(c.buffer.substr(0, end).c_str()));
                    c.buffer.erase(0, end + 1);
                }
            }
            std::erase_if(conns, [](const Conn& c) { return !c.fd.valid(); });
        }
    }
    void Handle(Conn& c, const std::string& frames) {
        if (frames.empty()) return;
        int id = At(frames, 0);
        bool answer = id == 37 || id == 44;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (id == 0) m_serials.insert(frames.substr(2, 15));
            if (answer) ++m_answers[id];
        }
        if (answer) return;
        std::string reply;
        if (++c.lines <= 2) reply += ServerLine(MessageFrame("Office", "Welcome"));
        if (m_answer) reply += "JgA=\n";
        ::send(c.fd.get(), reply.data(), reply.size(), MSG_NOSIGNAL);
    }

    TcpPeer m_peer;
    bool m_answer;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::set<std::string> m_serials;
    std::map<int, int> m_answers;
    std::thread m_thread;
};

FleetOptions FleetFor(uint16_t port, int count) {
    FleetOptions o;
    o.unit = ConfigFor(port);
    o.unit.identity.serial = "000000000000098";
    o.count = count;
    o.closed_loop = true;
    o.lines = 4;
    return o;
}

TEST(Fleet, ClosedLoopUnitsSendTheirLinesAndAnswerTheServer) {
    AckServer server(true);
    std::atomic<bool> stop{false};
    auto steps = CircleRoute(52, 21, 300, 8, 30);
    std::vector<RoutePlayer> players(3, RoutePlayer(steps));
    std::mutex sink_mutex;
    std::map<std::string, int> frames_per_serial;
    FleetOptions options = FleetFor(server.port(), 3);
    options.refuse_every_messages = 2;  // each unit gets two messages: refuses the second
    FleetSummary s = RunFleet(
        options, [&](int i) { return players[static_cast<size_t>(i)].NextFrames(UtcNow()); },
        [&](const std::string& serial, const ServerFrame&) {
            std::lock_guard<std::mutex> lock(sink_mutex);
            ++frames_per_serial[serial];
        },
        stop);
    EXPECT_EQ(s.connected, 3);
    EXPECT_TRUE(s.failed.empty());
    EXPECT_EQ(s.lines_sent, 15u);  // identification + 4 location lines each
    EXPECT_EQ(s.acks, 15u);
    EXPECT_EQ(s.nacks, 0u);
    EXPECT_EQ(s.unanswered, 0u);
    EXPECT_EQ(s.answered, 3u);
    EXPECT_EQ(s.refused, 3u);
    EXPECT_EQ(server.serials(),
              (std::set<std::string>{"000000000000098", "000000000000099", "000000000000100"}));
    // A unit answers a message before its next line, and the server handles
    // a connection in order, so all answers are in before the last 38.
    EXPECT_EQ(server.answers(), (std::map<int, int>{{37, 3}, {44, 3}}));
    EXPECT_EQ(frames_per_serial["000000000000099"], 7);  // two messages and five 38s
}

TEST(Fleet, LinesWithoutAnswerTimeOutAndTheLoopMovesOn) {
    AckServer server(false);
    std::atomic<bool> stop{false};
    FleetOptions options = FleetFor(server.port(), 2);
    options.lines = 2;
    options.ack_timeout = 100ms;
    FleetSummary s = RunFleet(
        options, [](int) { return std::vector<std::string>{AlarmFrame(1)}; }, {}, stop);
    EXPECT_EQ(s.lines_sent, 6u);
    EXPECT_EQ(s.acks, 0u);
    EXPECT_EQ(s.unanswered, 6u);
}

TEST(Fleet, UnitsThatCannotConnectAreListed) {
    uint16_t port;
    {
        TcpPeer gone;
        port = gone.port();
    }
    std::atomic<bool> stop{false};
    FleetSummary s = RunFleet(
        FleetFor(port, 2), [](int) { return std::vector<std::string>{}; }, {}, stop);
    EXPECT_EQ(s.connected, 0);
    EXPECT_EQ(s.failed, (std::vector<std::string>{"000000000000098", "000000000000099"}));
    EXPECT_EQ(s.lines_sent, 0u);
}

}  // namespace
