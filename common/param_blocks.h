#pragma once
// The schema of a unit's parameter blocks: one descriptor table per block,
// whose rows name every parameter and give its place in the 256-byte text
// block (generations 1 and 2, PICO) and in the binary block (generation 3).
// The server's console fills blocks from these tables and prints the blocks
// units send back; the desktop manager edits the same parameters.
//
// A table's row order is the order of a write command's values and of the
// values in a binary-mode "answer" line. Rows with a text place always come
// first, so a text block uses the leading `textRows` rows of its table.
//
// Text block: values as characters (numbers in decimal digits), left-aligned
// in their field and padded with NUL bytes; a field whose first byte is 0xFF
// is "not given". Binary block: kParamNumber values are unsigned integers of
// binarySize bytes, least significant first; kParamText values NUL-padded
// characters; kParamHex values raw bytes.

#include <span>

enum ParamKind : int {
    kParamText = 0,    // characters
    kParamNumber = 1,  // unsigned number (decimal digits in a text block)
    kParamHex = 2,     // byte string, shown and written as hexadecimal digits
};

struct ParamDescriptor {
    const char* name;  // as printed in text-mode answers
    int textOffset;    // first byte in the 256-byte text block
    int textLength;    // characters in the text block; 0: no text place
    int kind;          // ParamKind
    int binaryOffset;  // first byte in the binary block
    int binarySize;    // bytes in the binary block; 0: no binary place
};

inline constexpr int kTextBlockSize = 256;

enum class ParamBlock {
    kGeneral,
    kCalibration,
    kPico,
    kFms,
    kCan,
    kCan2,
    kCanEvent,
    kMask,
    kStatus,
    kNetwork,
    kDallas,
};
inline constexpr int kParamBlockCount = 11;

extern const ParamDescriptor GeneralTable[37];
extern const ParamDescriptor CalibrationTable[19];
extern const ParamDescriptor PicoTable[17];
extern const ParamDescriptor FmsTable[65];
extern const ParamDescriptor CanTable[149];
extern const ParamDescriptor Can2Table[145];
extern const ParamDescriptor CanEventTable[30];
extern const ParamDescriptor MaskTable[16];
extern const ParamDescriptor StatusTable[16];
extern const ParamDescriptor NetworkTable[60];
extern const ParamDescriptor DallasTable[60];

struct ParamSchema {
    std::span<const ParamDescriptor> rows;  // the whole table, in argument order
    int textRows;                           // leading rows with a text place; 0: no text layout
    int binaryLength;                       // bytes of the binary block; 0: no binary layout
};

// The table of `block` with the sizes of its two layouts.
const ParamSchema& ParamSchemaOf(ParamBlock block);
