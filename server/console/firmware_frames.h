#pragma once
// The frames of a firmware upload, built from image bytes. Pure: the upload
// commands read the image (a file or the session's upload buffer), send the
// frames and report progress.
//
// Module and terminal firmware go in blocks of 256 image bytes:
//
//   +----+---+----------+------------------+-------------------+
//   | id | 0 | block LE | 256 image bytes  | running sum, LE32 |
//   +----+---+----------+------------------+-------------------+
//     1    1      2             256                  4
//
// id 0x24 for the module, 0x3A for the terminal. The running sum starts at 0
// for the upload and adds every image byte sent; for a 480-block image it
// also adds (block number + 1) after each block. It wraps at 32 bits.
//
// Adapter firmware goes in records of frame 0x86, whose second byte counts
// the bytes after it; each starts with its record number (LE16):
//   1 start:      86 02 01 00
//   2 file name:  86 L+6 02 00 name(L) size(LE32)
//   3..N+2 data:  86 D+2 k+3 bytes(D)     D = 240, the last one the rest
//   N+3 activate: 86 02 N+3
//
// Raw records (wrfirmex): 3F 00 index(LE16) flag(u8) items(LE16) items.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr uint8_t kModuleFirmwareId = 0x24;
inline constexpr uint8_t kTerminalFirmwareId = 0x3A;
inline constexpr uint8_t kAdapterRecordId = 0x86;
inline constexpr uint8_t kRawRecordId = 0x3F;

inline constexpr size_t kFirmwareBlockBytes = 256;
inline constexpr size_t kShortImageBytes = 122880;  // exactly this long: 480 blocks
inline constexpr int kShortImageBlocks = 480;
inline constexpr int kLongImageBlocks = 992;  // the upload buffer's capacity

inline constexpr size_t kAdapterDataBytes = 240;
// The name's record counts its bytes in one byte: L + 6 <= 255.
inline constexpr size_t kAdapterNameMax = 249;
inline constexpr size_t kRawRecordItems = 256;

// ---- module and terminal blocks -------------------------------------------

// 480 for an image of exactly 122880 bytes, otherwise 992.
int FirmwareBlockCount(size_t imageSize);

// The running sum after block `block` of an image of `blockCount` blocks,
// whose image bytes are `bytes` (fewer than 256 when the image ended in it).
uint32_t AddBlockToChecksum(uint32_t sum, int block, int blockCount, std::string_view bytes);

// The block frame. `bytes` shorter than 256 are padded with zero bytes (such
// a block is logged, never sent).
std::string FirmwareBlockFrame(uint8_t commandId, int block, std::string_view bytes,
                               uint32_t checksum);

// The log text of a block: its frame from the block number on, upper-case
// hexadecimal.
std::string FirmwareBlockLogText(const std::string& frame);

// ---- adapter records -------------------------------------------------------

// Data records of an image of `size` bytes (size >= 1): (size - 1) / 240 + 1.
int AdapterDataRecordCount(uint32_t size);
// The largest image whose record numbers (up to N + 3) fit in 16 bits.
inline constexpr uint32_t kAdapterImageMax = (0xFFFF - 3) * kAdapterDataBytes;

std::string AdapterStartRecord();
// `name` holds at most kAdapterNameMax characters.
std::string AdapterNameRecord(std::string_view name, uint32_t size);
// Data record k (from 0) with its bytes (at most 240).
std::string AdapterDataRecord(int k, std::string_view bytes);
// Bytes of data record k of an image of `size` bytes.
size_t AdapterDataRecordBytes(int k, uint32_t size);
std::string AdapterActivateRecord(int dataRecords);
// Record bytes for the log: printable characters (32..126) as they are,
// others as "[" two hexadecimal digits "]".
std::string AdapterRecordLogText(std::string_view bytes);

// ---- raw records -----------------------------------------------------------

struct RawRecord {
    int index;  // record index sent (16 bits)
    int flag;   // flag sent (8 bits)
    int items;
    std::string frame;
};

// The records of `bytes` (at least one byte): up to 256 items each, numbered
// from `index`; every record carries `flag`, the last one `flag` + 1.
std::vector<RawRecord> RawRecords(int index, int flag, std::string_view bytes);

// ---- argument text ---------------------------------------------------------

// Splits at ",": true when there are exactly `count` fields. Unlike the
// block writers' fields these have no length limit (data fields are long;
// the console line bounds them).
bool SplitArguments(std::string_view args, size_t count, std::vector<std::string>& fields);

// Digit pairs to bytes, high nibble first; a pair that is not hexadecimal
// gives 0; an odd last digit is ignored.
std::string HexPairsOrZero(std::string_view digits);

// `writedata index,data`: the index (decimal, 0 to `capacity`) becomes the
// length, then each digit pair is stored at the length and counts it, while
// the pair is hexadecimal and the buffer has room; an odd last digit is
// ignored. True when every pair was stored. False for fields that are not
// "index,data", an index that is empty, not decimal or beyond the capacity
// (buffer and length then untouched), or a pair not stored (what came
// before it is kept).
bool ApplyWriteData(std::string_view args, uint8_t* buffer, size_t capacity, int32_t& length);

// The binary-mode adapter upload buffer: a file name of 1 to 256 characters
// ended by a NUL within the first `length` bytes, then the image. False when
// the name is empty or not terminated in time.
bool SplitUploadName(const uint8_t* buffer, size_t length, std::string& name, size_t& imageOffset);
