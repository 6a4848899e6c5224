#pragma once
// Turning a unit's answer frame into the console answer for the session that
// waits for it. Pure: the caller checks that a session waits (the unit's
// `owner` is a session in use), sends the text in one piece and releases the
// unit's `owner` afterwards, whether or not anything was printed.
//
// Text mode: a table framed by borders, with the unit's slot ("ID") and
// serial ("DEVICE") first, then one row per parameter. Binary mode: one
// "answer " line with the values in table order separated by ",", then
// "done\r\n".
//
// Answer frames and what they print:
//   33 67 50 52 54 59 61 74   256-byte text blocks (general, PICO, FMS, CAN,
//                             statuses, CAN events, key masks, networks)
//   80 82 84 86 88 90 92 94 96  binary blocks of generation 3 (general,
//                             calibration, FMS, CAN, statuses, CAN events,
//                             1-Wire keys, networks, second CAN block)
//   35 57 69 133              firmware status and versions (fixed rows)
//   48                        calibration of generations 1 and 2: no known
//                             layout, printed as one hexadecimal value

#include <cstdint>
#include <string>
#include <string_view>

#include "common/param_blocks.h"

// The session an answer is printed for.
struct AnswerTarget {
    bool binaryMode = false;
    int slot = 0;            // the unit's slot number, the text table's "ID" row
    std::string_view devId;  // the unit's serial, the "DEVICE" row
};

// True for the answer frames listed above.
bool HasAnswerPrinter(int frameId);

// The whole console text for answer frame `frameId`, whose payload is as the
// line parser keeps it: 256 bytes for a text block; the count (u16, least
// significant byte first) and then the data for a binary block; status u8,
// version u32 and, when the payload has 9 bytes, checksum u32 for 35; status
// u8 and version u32 for 57; version u32 for 69; 8 bytes of text for 133.
// Bytes a short payload lacks read as 0. Empty for a frame without a printer.
std::string PrintAnswer(int frameId, std::string_view payload, const AnswerTarget& target);

// Rows a binary block answer prints for a block of `length` bytes: the
// general configuration (80), calibration (82) and statuses (88) grew over
// firmware versions and print only the rows an older unit's shorter block
// holds; every other block prints its whole table.
int BinaryAnswerRows(int frameId, int length);

// A parameter's value in a text block: empty when the row has no text place
// or the field starts with 0xFF; otherwise its characters up to textLength
// or the first NUL.
std::string TextBlockValue(const ParamDescriptor& row, std::string_view block);

// A parameter's value in a binary block, by kind: characters up to
// binarySize or the first NUL; a little-endian unsigned number in decimal;
// every byte as two upper-case hexadecimal digits. Bytes past the end of
// `block` read as 0.
std::string BinaryBlockValue(const ParamDescriptor& row, std::string_view block);

// Appends the decimal digits of `value` ("0" for zero).
void AppendDecimal(std::string& text, uint32_t value);
