#include "common/location_decode.h"

#include <gtest/gtest.h>

#include "tests/support/frame_bytes.h"

namespace {

// Decodes one frame given as identifier, length byte and payload.
GpsDateError Decode(int id, int length, const std::string& payload, LocationRecord& record) {
    std::string text = B64(payload);
    Base64Reader reader(text.c_str());
    return DecodeLocationFrame(id, length, reader, record);
}

constexpr int32_t kLat = 521234567;  // 52 degrees 12.34567 minutes

std::string PositionPayload(int32_t lat, int32_t lon, uint32_t time, int day, int month, int year) {
    return Le(3, 1) + Le(9, 1) + Le(static_cast<uint32_t>(lat), 4) +
           Le(static_cast<uint32_t>(lon), 4) + Le(static_cast<uint16_t>(-125), 2) + Le(1234, 2) +
           Le(27050, 2) + Le(8876, 2) + Le(123456, 4) + Le(time, 4) + Le(day, 1) + Le(month, 1) +
           Le(year, 2) + Le(1, 1);
}

TEST(LocationDecode, CoordinatesSplitIntoDegreesAndMinutes) {
    int32_t degrees = 0;
    float minutes = 0;
    SplitCoordinate(kLat, degrees, minutes);
    EXPECT_EQ(degrees, 52);
    EXPECT_FLOAT_EQ(minutes, 12.34567f);
    SplitCoordinate(-kLat, degrees, minutes);
    EXPECT_EQ(degrees, -52);
    EXPECT_FLOAT_EQ(minutes, -12.34567f);
    SplitCoordinate(5999999, degrees, minutes);  // under one degree
    EXPECT_EQ(degrees, 0);
    EXPECT_FLOAT_EQ(minutes, 59.99999f);
}

TEST(LocationDecode, GpsDateCheck) {
    const struct {
        uint32_t time;
        int day, month, year;
        bool valid;
    } cases[] = {
        {23595999, 31, 12, 2099, true}, {23595999, 29, 2, 2100, false},
        {12000000, 29, 2, 2024, true},  {12000000, 29, 2, 2023, false},
        {12000000, 0, 5, 2024, false},  {12000000, 31, 4, 2024, false},
        {24000000, 1, 1, 2024, false},  {12600000, 1, 1, 2024, false},
        {12006000, 1, 1, 2024, false},  {0, 1, 1, 2000, true},
        {12000000, 1, 13, 2024, false}, {12000000, 1, 0, 2024, false},
        {12000000, 1, 1, 1999, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GpsDateValid(c.time, c.day, c.month, c.year), c.valid)
            << c.time << " " << c.day << "." << c.month << "." << c.year;
    }
}

TEST(LocationDecode, PositionFrameFillsTheGroup) {
    LocationRecord rec{};
    GpsDateError error = Decode(1, 31, PositionPayload(kLat, -kLat, 12345678, 7, 3, 2024), rec);
    EXPECT_FALSE(error.bad);
    EXPECT_EQ(rec.present, 1u);
    EXPECT_EQ(rec.fixstat, 3);
    EXPECT_EQ(rec.satuse, 9);
    EXPECT_EQ(rec.latituded, 52);
    EXPECT_FLOAT_EQ(rec.latitudem, 12.34567f);
    EXPECT_EQ(rec.longituded, -52);
    EXPECT_FLOAT_EQ(rec.altitude, -12.5f);
    EXPECT_FLOAT_EQ(rec.altref, 123.4f);
    EXPECT_FLOAT_EQ(rec.cogt, 270.5f);
    EXPECT_FLOAT_EQ(rec.kph, 88.76f);
    EXPECT_EQ(rec.distance, 123456);
    EXPECT_EQ(rec.time, 12345678);
    EXPECT_EQ(rec.day, 7);
    EXPECT_EQ(rec.month, 3);
    EXPECT_EQ(rec.year, 2024);
    EXPECT_EQ(rec.antstat, 1);
}

TEST(LocationDecode, BadGpsDateClearsOnlyTheYear) {
    LocationRecord rec{};
    GpsDateError error = Decode(1, 31, PositionPayload(kLat, kLat, 23595999, 29, 2, 2023), rec);
    ASSERT_TRUE(error.bad);
    EXPECT_EQ(error.year, 2023);
    EXPECT_EQ(error.month, 2);
    EXPECT_EQ(error.day, 29);
    EXPECT_EQ(error.hour, 23);
    EXPECT_EQ(error.minute, 59);
    EXPECT_EQ(error.second, 59);
    EXPECT_EQ(rec.year, 0);
    EXPECT_EQ(rec.latituded, 52);
    // A year that arrives as 0 is not checked.
    EXPECT_FALSE(Decode(1, 31, PositionPayload(kLat, kLat, 99999999, 0, 0, 0), rec).bad);
}

TEST(LocationDecode, ShortFrameGivesZerosFromItsLastByteOn) {
    LocationRecord rec{};
    rec.distance = 77;
    rec.antstat = 5;
    // fixstat, satuse, a whole latitude and three bytes of the longitude.
    Decode(1, 31, Le(2, 1) + Le(4, 1) + Le(kLat, 4) + Le(0x112233, 3), rec);
    EXPECT_EQ(rec.latituded, 52);
    EXPECT_EQ(rec.longituded, 0);
    EXPECT_FLOAT_EQ(rec.longitudem, 0);
    EXPECT_EQ(rec.distance, 0);
    EXPECT_EQ(rec.antstat, 0);
}

TEST(LocationDecode, AnalogueInputsByTheirRangeBits) {
    LocationRecord rec{};
    Decode(3, 8, Le(0x8123, 2) + Le(0x0123, 2) + Le(0x1123, 2) + Le(0x9123, 2), rec);
    EXPECT_EQ(rec.present, 1u << 2);
    EXPECT_FLOAT_EQ(rec.val0, 0.291f);
    EXPECT_FLOAT_EQ(rec.val1, static_cast<float>(0x123 * 0.029677));
    EXPECT_FLOAT_EQ(rec.val2, static_cast<float>(0x123 * 0.0098923));
    EXPECT_FLOAT_EQ(rec.val3, static_cast<float>(0x1123 / 1000.0));
}

TEST(LocationDecode, TagAsTextOrAsBinary) {
    LocationRecord rec{};
    Decode(5, 17, Le(1, 1) + Text("AB-12", 16), rec);
    EXPECT_EQ(rec.valid, 1);
    EXPECT_STREQ(rec.tagid, "AB?12");
    Decode(5, 9, Le(1, 1) + "\x01\x23\x45\x67\x89\xAB\xCD\xEF", rec);
    EXPECT_STREQ(rec.tagid, "0123456789ABCDEF");
    // A text tag stops at its first NUL; quotes never reach the statement.
    Decode(22, 17, Le(2, 1) + std::string("x'y\\z\0zz", 8) + std::string(8, 'Q'), rec);
    EXPECT_EQ(rec.present, (1u << 4) | (1u << 21));
    EXPECT_STREQ(rec.tagid2, "x?y?z");
}

TEST(LocationDecode, StandardFmsFrameMasksBytesByStatus) {
    LocationRecord rec{};
    std::string data;
    for (int i = 0; i < 18; ++i) data += static_cast<char>(i + 1);
    Decode(15, 29, Le(0x0001, 2) + data + std::string(5, '\x55') + "\x13\x14" + "\x66\x66", rec);
    EXPECT_EQ(rec.present, 1u << 18);
    EXPECT_EQ(rec.fmsconfig, 256);
    EXPECT_EQ(rec.fmsstatus, 1);
    EXPECT_EQ(rec.fmsdata[0], 1);
    EXPECT_EQ(rec.fmsdata[1], 2);
    for (int i = 2; i < 20; ++i) EXPECT_EQ(rec.fmsdata[i], 0xFF) << i;

    Decode(15, 29, Le(0x01FF, 2) + data + std::string(5, '\x55') + "\x13\x14" + "\x66\x66", rec);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(rec.fmsdata[i], i + 1) << i;
    EXPECT_EQ(rec.fmsdata[18], 0x13);
    EXPECT_EQ(rec.fmsdata[19], 0x14);
}

TEST(LocationDecode, TyreBlocksBecomeHexText) {
    LocationRecord rec{};
    std::string payload;
    for (int b = 0; b < 5; ++b) payload += std::string(23, static_cast<char>(0xA0 + b)) + "\x0f";
    Decode(24, 120, payload, rec);
    std::string first;
    for (int i = 0; i < 23; ++i) first += "A0";
    EXPECT_EQ(std::string(rec.pressures), first + "0F");
    EXPECT_EQ(std::string(rec.positions).substr(0, 4), "A4A4");
    EXPECT_EQ(std::string(rec.positions).size(), 48u);
}

TEST(LocationDecode, GpsDateFrameSetsNoPresenceBit) {
    LocationRecord rec{};
    GpsDateError error = Decode(39, 8, Le(10203040, 4) + Le(9, 1) + Le(10, 1) + Le(2025, 2), rec);
    EXPECT_FALSE(error.bad);
    EXPECT_EQ(rec.present, 0u);
    EXPECT_EQ(rec.time, 10203040);
    EXPECT_EQ(rec.year, 2025);
    EXPECT_TRUE(Decode(39, 8, Le(10203040, 4) + Le(31, 1) + Le(9, 1) + Le(2025, 2), rec).bad);
    EXPECT_EQ(rec.year, 0);
}

std::string PicoPayload(bool withDistance, uint8_t rawdin) {
    std::string p = Le(1, 1) + Le(6, 1) + Le(kLat, 4) + Le(kLat, 4) + Le(100, 2) + Le(50, 2) +
                    Le(5000, 2) + Le(8000000, 4) + Le(1, 1) + Le(1, 1) + Le(2026, 2) +
                    Le(rawdin, 1) + Le(0x8000 | 1500, 2) + Le(250, 2) + Le(17, 1) + Le(26001, 4) +
                    Le(300, 2) + Le(400, 2);
    if (withDistance) p += Le(99000, 4);
    return p + Le(555, 4) + Le(12, 2) + Le(2, 1);
}

TEST(LocationDecode, PicoRecordVariantsByLengthByte) {
    LocationRecord rec{};
    rec.distance = 1;
    rec.cogt = 90;
    Decode(66, 0, PicoPayload(false, 0x08), rec);
    const uint32_t bits =
        (1u << 0) | (1u << 1) | (1u << 2) | (1u << 5) | (1u << 6) | (1u << 7) | (1u << 10);
    EXPECT_EQ(rec.present, bits);
    EXPECT_EQ(rec.distance, 0);
    EXPECT_FLOAT_EQ(rec.cogt, 0);
    EXPECT_FLOAT_EQ(rec.kph, 50.0f);
    EXPECT_FLOAT_EQ(rec.val0, 1.5f);
    EXPECT_FLOAT_EQ(rec.val1, 0.25f);
    EXPECT_EQ(rec.sig, 17);
    EXPECT_EQ(rec.lac, 300);
    EXPECT_EQ(rec.ci, 400);
    EXPECT_EQ(rec.seqno, 555);
    EXPECT_EQ(rec.mem, 12);
    EXPECT_EQ(rec.frame, 2);
    EXPECT_EQ(rec.alarm, 0x08 >> 3 & 2);  // input 4 is the alarm
    EXPECT_EQ(rec.alarm, 0);

    Decode(66, 48, PicoPayload(true, 0x10), rec);
    EXPECT_EQ(rec.distance, 99000);
    EXPECT_EQ(rec.seqno, 555);
    EXPECT_EQ(rec.alarm, 2);

    Decode(66, 2, PicoPayload(true, 0x01), rec);  // variant 2: input 1 is the alarm
    EXPECT_EQ(rec.alarm, 2);
}

TEST(LocationDecode, CountersAndScaledGroups) {
    LocationRecord rec{};
    Decode(4, 16, Le(7, 4) + Le(0xFFFFFFFF, 4) + Le(125, 4) + Le(1, 4), rec);
    EXPECT_EQ(rec.imp0, 7);
    EXPECT_EQ(rec.imp1, -1);
    EXPECT_FLOAT_EQ(rec.imp2, 12.5f);
    Decode(12, 7, Le(1, 1) + Le(3700, 2) + Le(12500, 2) + "\xF6\x05", rec);
    EXPECT_FLOAT_EQ(rec.bat, 3.7f);
    EXPECT_FLOAT_EQ(rec.pwr, 12.5f);
    EXPECT_EQ(rec.remrssi, -10);
    EXPECT_EQ(rec.locrssi, 5);
    Decode(23, 26,
           Le(3, 2) + Le(1, 2) + Le(2, 2) + Le(3, 2) + Le(4, 2) + std::string(8, '\0') +
               Le(65535, 2) + Le(1, 2) + Le(0, 2) + Le(0, 2),
           rec);
    EXPECT_EQ(rec.route, 3);
    EXPECT_EQ(rec.count3, 4);
    EXPECT_EQ(rec.dist0, 655350);
    EXPECT_EQ(rec.present, (1u << 3) | (1u << 11) | (1u << 22));
}

}  // namespace
