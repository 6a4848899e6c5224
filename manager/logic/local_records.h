#pragma once
// The pure parts of the local record readers ("Read data archives:" and
// "Read the data unread:") and of the uploads: which records to ask for,
// how a record becomes a line of the text file, and the progress values.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The record numbers of an archive read of the last `count` of `total`
// records: [first, first + records). A count beyond the archive starts at
// record 0 rather than at a number that wraps to 4 billion; a count that is
// not positive reads nothing.
struct ArchiveRange {
    uint32_t first = 0;
    uint32_t records = 0;
};
ArchiveRange LocalArchiveRange(uint32_t total, long long count);

// One line of an archive or unread file: the record's bytes (256) as 512
// upper-case hexadecimal characters and CR LF, as the files have always been
// written for the office's tools.
std::string LocalRecordLine(std::span<const uint8_t> record);

// The unread reader's progress after `records` records: 10, 20, ..., 100, 0, 10, ...
int LocalUnreadProgress(int records);

// The binary firmware upload's progress after block `block` (0-based) of
// `count`: the real number (block + 1) * 100 / count in its shortest
// decimal form with up to 15 significant digits ("0.100806451612903", "100").
std::string LocalUploadProgress(int block, int count);

// `size` image bytes from `offset`; bytes beyond the image's end are 0xFF,
// so a short image is sent padded as an erased flash reads.
std::vector<uint8_t> LocalImageSlice(std::span<const uint8_t> image, size_t offset, size_t size);

// Long DALLAS list: the number of 256-byte blocks of `size` data bytes
// ((size - 1) / 256 + 1; 0 for no data) and block k.
int LocalDallasBlockCount(size_t size);
std::span<const uint8_t> LocalDallasBlock(std::span<const uint8_t> data, int k);
