#pragma once
// The row decoder: one locdata row in, the update that writes its decoded
// FMS values out. Pure: the caller runs the statement, writes the log
// entries and, once the statement has succeeded, keeps the unit's new memory.

#include <cstdint>
#include <string>
#include <vector>

#include "common/fms_decode.h"
#include "decoder/decoder_config.h"
#include "decoder/decoder_device.h"

// The six columns the batch selects, in select order; a NULL column is a
// null pointer.
inline constexpr int kDecoderRowColumns = 6;

struct DecoderRow {
    uint64_t id = 0;
    uint32_t unit = 0;  // device_id; 0 when NULL
    int frame = -1;     // -1 when NULL
    int config = -1;    // fmsconfig; -1 when NULL: the row is not decoded
    FmsArea area{};     // fmsdata in bytes 0..19, fmsdataex in 20..31
};

DecoderRow ParseDecoderRow(const char* const (&columns)[kDecoderRowColumns]);

// Fills `out` (`count` bytes) from hexadecimal text, two characters a byte.
// Bytes past the end of the text, or whose two characters are not both
// hexadecimal digits, are 0, as are all bytes of a NULL column.
void HexToBytes(const char* text, uint8_t* out, size_t count);

struct RowDecode {
    std::string statement;         // empty: no assignment, the row is not updated
    std::vector<std::string> log;  // entries to write, in order
    int device = -1;               // the unit's entry, -1 when the row had none
    DecoderDevice memory;          // the entry as it is after this row
};

// Decodes `row` with `rules`. Taking the unit's entry (a unit not seen
// before) happens at once; the changed memory is returned in `memory`,
// to be stored into the table only once the update succeeded, so a row
// that is tried again sees the memory it saw the first time.
RowDecode DecodeRow(const DecoderRow& row, const DecoderRules& rules, DecoderDeviceTable& devices);
