#include <gtest/gtest.h>

#include "common/base64_reader.h"
#include "common/base64_writer.h"
#include "tests/support/frame_bytes.h"

namespace {

TEST(Base64, AcknowledgementForASemicolonUnit) {
    EXPECT_EQ(EncodeLine(std::string{38, 0}, ';'), "JgA=;");
    EXPECT_EQ(EncodeLine(std::string{41, 0}, '\n'), "KQA=\n");
    EXPECT_EQ(EncodeLine(std::string("\x26\x00\x01", 3), '.'), "JgAB.");
    EXPECT_EQ(EncodeLine(std::string("\x26", 1), '.'), "Jg==.");
}

TEST(Base64, EveryByteValueRoundTrips) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    for (size_t length = 0; length <= bytes.size(); length += 37) {
        std::string part = bytes.substr(0, length);
        EXPECT_EQ(DecodeBase64(B64(part).c_str()), part) << length;
    }
}

TEST(Base64Reader, MissingByteMakesTheWholeNumberZero) {
    // Three bytes of a four-byte number, then the text ends.
    std::string text = B64("\x11\x22\x33");
    Base64Reader reader(text.c_str());
    EXPECT_EQ(ReadLE(reader, 4), 0u);
    EXPECT_EQ(ReadByte(reader), -1);

    std::string whole = B64("\x11\x22\x33\x44\x55");
    Base64Reader complete(whole.c_str());
    EXPECT_EQ(ReadLE(complete, 4), 0x44332211u);
    EXPECT_EQ(ReadLE(complete, 1), 0x55u);
    EXPECT_EQ(ReadLE(complete, 2), 0u);
}

TEST(Base64Reader, PaddingOrAForeignCharacterEndsTheDataForGood) {
    // "AQI=" is 01 02; what follows the "=" is never read.
    Base64Reader padded("AQI=AQID");
    EXPECT_EQ(ReadByte(padded), 1);
    EXPECT_EQ(ReadByte(padded), 2);
    EXPECT_EQ(ReadByte(padded), -1);
    EXPECT_EQ(ReadByte(padded), -1);

    Base64Reader foreign("AQID*AQID");
    EXPECT_EQ(ReadLE(foreign, 3), 0x030201u);
    EXPECT_EQ(ReadByte(foreign), -1);

    // A line may end after any character; no padding is required.
    Base64Reader unpadded("AQ");
    EXPECT_EQ(ReadByte(unpadded), 1);
    EXPECT_EQ(ReadByte(unpadded), -1);
}

TEST(Base64Reader, ByteArraysFillMissingBytesWithZero) {
    std::string text = B64("\x07\x08");
    Base64Reader reader(text.c_str());
    uint8_t bytes[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(ReadBytes(reader, bytes, 4), 2u);
    EXPECT_EQ(bytes[0], 7);
    EXPECT_EQ(bytes[1], 8);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[3], 0);
}

}  // namespace
