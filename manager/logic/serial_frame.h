#pragma once
// The two framings of the serial cable, as pure byte functions.
//
// Text line (Vimko-1): "$" body "*" checksum CR LF, the checksum being the
// XOR of every byte between "$" and "*" as two upper-case hex digits.
//
// Binary frame (Vimko-2, Vimko-3/4), numbers little-endian:
//
//   0     1..2   3      4      5     6     7    8    9     10 .. L+2  L+3  L+4
//   0x02  L      mark   block  addr  dir   seq  cmd  item  data       XOR  0x03
//
// L is the frame size minus 5; the XOR covers bytes 3 to L+2, so the XOR of
// bytes 3 to L+3 of a sound frame is 0. `mark` is 0x01 (0xF8 for firmware
// and data uploads) and `block` 0x01 (the upload block number otherwise).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr uint8_t kFrameStart = 0x02;
inline constexpr uint8_t kFrameEnd = 0x03;
inline constexpr int kFrameOverhead = 5;       // 0x02, L, XOR, 0x03
inline constexpr int kFrameHeaderSize = 10;    // up to and including the item
inline constexpr int kSerialBufferSize = 512;  // driver queue and reader buffer
inline constexpr uint8_t kMarkPlain = 0x01;
inline constexpr uint8_t kMarkUpload = 0xF8;

// Who a frame is from or for (byte 5).
inline constexpr uint8_t kAddressUnit = 0;
inline constexpr uint8_t kAddressVr20 = 1;
inline constexpr uint8_t kAddressKx05 = 2;
// Direction (byte 6).
inline constexpr uint8_t kDirectionRequest = 10;
inline constexpr uint8_t kDirectionAnswer = 20;

// Commands (byte 8).
inline constexpr uint8_t kCmdService = 30;
inline constexpr uint8_t kCmdRead = 40;
inline constexpr uint8_t kCmdWrite = 60;
inline constexpr uint8_t kCmdFirmware = 65;
inline constexpr uint8_t kCmdDallasData = 66;  // 67..69 close a data upload of type 1..3
inline constexpr uint8_t kCmdArchive = 80;
inline constexpr uint8_t kCmdAccepted = 11;
inline constexpr uint8_t kCmdRefused = 12;
inline constexpr uint8_t kCmdDebugText = 50;

// Items (byte 9) that are not configuration blocks or monitor codes.
inline constexpr uint8_t kItemImei = 100;
inline constexpr uint8_t kItemSysDump = 101;
inline constexpr uint8_t kItemDistance = 50;       // command 30
inline constexpr uint8_t kItemClearMemory = 51;    // command 30
inline constexpr uint8_t kItemArchiveCount = 50;   // command 80
inline constexpr uint8_t kItemUnreadRecord = 51;   // command 80
inline constexpr uint8_t kItemArchiveRecord = 52;  // command 80

// The header fields of one binary frame.
struct FrameHeader {
    uint8_t mark = kMarkPlain;
    uint8_t block = 1;
    uint8_t address = kAddressUnit;
    uint8_t direction = kDirectionRequest;
    uint8_t sequence = 0;
    uint8_t command = 0;
    uint8_t item = 0;
};

// One received binary frame that passed the length, end and XOR checks.
struct SerialFrame {
    FrameHeader header;
    int length = 0;             // L
    std::vector<uint8_t> data;  // bytes 10 .. L+2 (L - 7 bytes)
};

// XOR of the bytes in `bytes`.
uint8_t SerialXor(std::span<const uint8_t> bytes);

// The whole text line for a body that starts with "$"; a body without the
// closing "*" gets one. Result: body "*" XX CR LF.
std::string SerialTextLine(std::string_view body);

// The checksum of a text line's body (the bytes after the leading "$", up to
// the first "*").
uint8_t SerialTextChecksum(std::string_view body);

// A binary frame around `data`. The caller keeps the data short enough for
// the 512-byte reader of the peer (the largest frame sent is 505 bytes).
std::vector<uint8_t> SerialBuildFrame(const FrameHeader& header, std::span<const uint8_t> data);

// Checks a complete frame (0x02, L matching the size, 0x03 at the end, XOR)
// and splits it. False for anything else.
bool SerialParseFrame(std::span<const uint8_t> bytes, SerialFrame& frame);

// Little-endian helpers for frame data; reads past the end give 0.
void SerialPutLE(std::vector<uint8_t>& out, uint32_t value, int size);
uint32_t SerialGetLE(std::span<const uint8_t> data, size_t offset, int size);
