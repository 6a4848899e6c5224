#pragma once
// Configuration blocks on the serial cable, one value per schema row (a
// multi-value list row is several schema rows here; the list joins them).
//
// Vimko-2 carries the 256-byte text layout: each value's characters at
// textOffset, at most textLength of them, NUL-ended when shorter; a field
// whose first byte is 0xFF holds no value.
// Vimko-3/4 carries the binary layout whose byte 0 is the item byte of the
// answer frame (1 in a written block): text values as characters, numbers
// unsigned little-endian in binarySize bytes, hexadecimal values as raw
// bytes shown two upper-case digits each.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/param_blocks.h"

using SerialValues = std::vector<std::string>;

// Vimko-2 block from a read answer's data (offset 0 = the byte after the item).
SerialValues SerialDecodeTextBlock(std::span<const ParamDescriptor> rows,
                                   std::span<const uint8_t> data);
// The 256-byte block of a Vimko-2 write.
std::vector<uint8_t> SerialEncodeTextBlock(std::span<const ParamDescriptor> rows,
                                           const SerialValues& values);

// Vimko-3/4 block: `block` begins with the answer's item byte. Rows from
// `rowCount` on are left empty.
SerialValues SerialDecodeBinaryBlock(std::span<const ParamDescriptor> rows,
                                     std::span<const uint8_t> block, size_t rowCount);
// The block of a Vimko-3/4 write, `size` bytes, byte 0 set to 1.
std::vector<uint8_t> SerialEncodeBinaryBlock(std::span<const ParamDescriptor> rows,
                                             const SerialValues& values, size_t size);

// Rows present in a Vimko-3/4 answer of tab `tab` with D data bytes (the
// frame's L minus 7): General and Calibration come in three lengths, the
// other tabs whole.
size_t SerialRowsPresent(int tab, size_t rowCount, size_t dataLength);

// The written block size of a Vimko-3/4 tab (General 212 ... CAN2 212).
size_t SerialBinaryBlockSize(int tab);

// IMEI text from 8 bytes of packed BCD, high nibble first, 0xF nibbles skipped.
std::string SerialImeiText(std::span<const uint8_t> bcd);
