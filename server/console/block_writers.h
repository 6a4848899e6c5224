#pragma once
// Building the write request frame of a console block write command
// (writecfg, writecfg3, ...) from its argument text, by the command's
// descriptor table. Pure: the caller answers a parameter error, finds the
// unit (only after the parameters were found good), then sends the frame or
// stores its line as the unit's offline configuration.
//
// Arguments: the unit's serial, in binary mode the offline flag (for every
// command that has one), then one value per table row, separated by ",".
//
// Text block (generations 1 and 2, PICO): 256 bytes of 0xFF; a non-empty
// value is copied into its field, cut to the field's length and padded with
// NUL bytes; an empty value leaves the field at 0xFF, so the unit keeps its
// setting. Frame: id, 0, block.
//
// Binary block (generation 3): the table's block length of zero bytes (byte
// 0 is 1 for the general configuration, calibration and statuses). Numbers
// are read as signed decimals (0 for empty or non-numeric text, negatives in
// two's complement) and stored least significant byte first; texts are cut
// to the field; hexadecimal fields take digit pairs, high nibble first, with
// every character but 0-9 and A-F counting as 0. Frame: id, 0, block length
// (u16, least significant byte first), block.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/param_blocks.h"

// A field of a command's arguments holds at most this many characters; a
// longer one is a parameter error.
inline constexpr size_t kArgumentFieldMax = 255;

struct BlockWriteCommand {
    const char* word;  // the console command word
    ParamBlock block;
    int values;               // leading rows of the table that take a value
    uint8_t frameId;          // the write request frame
    bool binaryBlock;         // generation 3 binary block; otherwise the text block
    bool firstByteOne;        // binary block whose byte 0 is 1
    bool offlineFlag;         // binary mode: the field after the serial is the offline flag
    bool offlineNeedsActive;  // the unit must be connected even when the block is stored
    int offlineType;          // block type of a stored offline configuration; -1: none
    int deviceMask;           // unit types the command accepts (FindDevice mask)
    int requestKind;          // the session's request kind while it waits
};

// The command `word` ("writecfg", "writecan3", ...), or null.
const BlockWriteCommand* FindBlockWriteCommand(std::string_view word);

// All seventeen block write commands.
std::span<const BlockWriteCommand> BlockWriteCommands();

struct BlockWrite {
    bool ok = false;       // false: a parameter error ("error" / "Podane parametry sa bledne")
    std::string deviceId;  // the first field
    bool offline = false;  // binary mode with the offline flag "1": store, do not send
    std::string frame;     // the write request frame (empty after a parameter error)
    std::vector<std::string> log;  // log entries in order, each "T%d: ..." with its "\n"
};

// Parses `args` of `command` for console session `session`. The log entries
// (one per table row with its value and place, then the block in
// hexadecimal) are made whether or not the parameters are good.
BlockWrite BuildBlockWrite(const BlockWriteCommand& command, int session, bool binaryMode,
                           std::string_view args);

// The minimum unit state for the command's FindDevice: 1 (held units too)
// when the block is stored offline and the command allows that, else 2.
int BlockWriteMinState(const BlockWriteCommand& command, bool offline);
