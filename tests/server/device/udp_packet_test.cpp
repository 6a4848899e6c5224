#include "server/device/udp_packet.h"

#include <gtest/gtest.h>

#include "tests/support/frame_bytes.h"

namespace {

TEST(UdpPacket, PackedIdentifierAndTheFramesAfterIt) {
    std::string header("\x12\x34\x5F\xFF\xFF\xFF\xFF\xFF", 8);
    std::string frames = Frame(40, 0, "") + Frame(2, 3, "\x01\x02\x03");
    std::string identifier;
    std::string line;
    ASSERT_TRUE(DecodeUdpDatagram(B64(header + frames).c_str(), identifier, line));
    EXPECT_EQ(identifier, "12345");
    EXPECT_EQ(line, B64(frames));
}

TEST(UdpPacket, SixteenDigitsAndDigitsAboveNine) {
    std::string identifier;
    std::string line;
    ASSERT_TRUE(DecodeUdpDatagram(B64(std::string("\x35\x60\x00\x11\x12\x22\x33\x3A", 8)).c_str(),
                                  identifier, line));
    EXPECT_EQ(identifier, "356000111222333:");
    EXPECT_EQ(line, "");
    // A nibble 15 ends the text even when digits follow it.
    ASSERT_TRUE(
        DecodeUdpDatagram(B64("\x1F\x23\x45\x67\x89\x01\x23\x45").c_str(), identifier, line));
    EXPECT_EQ(identifier, "1");
}

TEST(UdpPacket, FewerThanEightBytesIsUnknown) {
    std::string identifier;
    std::string line;
    EXPECT_FALSE(DecodeUdpDatagram(B64("\x12\x34\x5F\xFF\xFF\xFF\xFF").c_str(), identifier, line));
    EXPECT_FALSE(DecodeUdpDatagram("not base64 at all!", identifier, line));
}

}  // namespace
