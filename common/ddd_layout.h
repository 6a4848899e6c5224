#pragma once
// The ".ddd" tachograph download format where the server and VimkoInfo meet:
// the card record header both of them handle, and the assembly of a driver
// card file from the blocks a unit uploads.
//
// Card record in a ".ddd" file (big-endian):
//
//   +--------+--------+----------+--------+--------+---------------+
//   | FileID | FileID | appendix | length | length | length bytes  |
//   |  high  |  low   | (flag)   |  high  |  low   | of content    |
//   +--------+--------+----------+--------+--------+---------------+
//      0        1         2         3        4        5 ...
//
// Driver file as the unit uploads it (112 blocks of 256 bytes, 28672 bytes):
// block 0 holds 27 directory entries of 7 bytes from offset 0 (FileID u16
// little-endian, FileFlag u8, FileSize u16 LE, FileCrcc u16 LE); from offset
// 256 the 27 contents follow each other without gaps, in directory order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t kCardRecordHeaderSize = 5;
inline constexpr size_t kDriverFileBytes = 112 * 256;  // upload and ".ddd" size limit
inline constexpr size_t kDriverDirectoryEntries = 27;
inline constexpr size_t kDriverDirectoryEntrySize = 7;
inline constexpr size_t kDriverContentOffset = 256;

struct CardRecordHeader {
    uint16_t fileId = 0;
    uint8_t appendix = 0;  // 0 data, 1 signature (the directory's FileFlag)
    uint16_t length = 0;
};

// Appends the 5 header bytes.
void PutCardRecordHeader(std::string& out, const CardRecordHeader& header);
// Reads a header from the first 5 bytes of `bytes`; false when fewer are there.
bool ReadCardRecordHeader(std::string_view bytes, CardRecordHeader& header);

// The 16-bit sum of a driver file entry: FileID (inverted bit by bit when the
// FileFlag is not 0) plus every content byte, modulo 2^16.
uint16_t DriverEntrySum(uint16_t fileId, uint8_t fileFlag, const uint8_t* content, size_t size);

struct DriverFileResult {
    bool ok = false;
    std::string file;              // the ".ddd" bytes when ok
    std::vector<std::string> log;  // "FileID=..." and "ESM_FILE=ERR#..." entries, with line ends
};

// Builds the ".ddd" file from a complete upload of kDriverFileBytes bytes.
// Stops at the first entry that would make the output longer than
// kDriverFileBytes or whose sum differs from its FileCrcc; no file then.
DriverFileResult AssembleDriverFile(const uint8_t* upload);
