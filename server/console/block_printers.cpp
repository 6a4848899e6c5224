#include "server/console/block_printers.h"

#include <cstddef>
#include <vector>

#include "common/text_format.h"

namespace {

constexpr char kBorder[] = "+-----------+----------------------------------+\r\n";
constexpr char kHeader[] = "| parameter | value                            |\r\n";
constexpr char kDone[] = "done\r\n";

// Which table a block answer frame prints, and in which layout.
struct BlockLayout {
    int frameId;
    ParamBlock block;
    bool binary;  // count and binary block; otherwise a 256-byte text block
};

constexpr BlockLayout kBlockLayouts[] = {
    {33, ParamBlock::kGeneral, false}, {67, ParamBlock::kPico, false},
    {50, ParamBlock::kFms, false},     {52, ParamBlock::kCan, false},
    {54, ParamBlock::kStatus, false},  {59, ParamBlock::kCanEvent, false},
    {61, ParamBlock::kMask, false},    {74, ParamBlock::kNetwork, false},
    {80, ParamBlock::kGeneral, true},  {82, ParamBlock::kCalibration, true},
    {84, ParamBlock::kFms, true},      {86, ParamBlock::kCan, true},
    {88, ParamBlock::kStatus, true},   {90, ParamBlock::kCanEvent, true},
    {92, ParamBlock::kDallas, true},   {94, ParamBlock::kNetwork, true},
    {96, ParamBlock::kCan2, true},
};

// Calibration of generations 1 and 2 has no known layout; its block is
// shown whole, in hexadecimal, under this name.
constexpr int kRawCalibrationFrame = 48;
constexpr char kRawCalibrationName[] = "CALIB";

const BlockLayout* FindBlockLayout(int frameId) {
    for (const BlockLayout& layout : kBlockLayouts) {
        if (layout.frameId == frameId) return &layout;
    }
    return nullptr;
}

uint8_t ByteAt(std::string_view bytes, size_t index) {
    return index < bytes.size() ? static_cast<uint8_t>(bytes[index]) : 0;
}

// Little-endian number of `size` bytes at `offset`; 0 as a whole when any
// byte is missing, as a unit's short frame reads.
uint32_t NumberAt(std::string_view bytes, size_t offset, int size) {
    if (offset + static_cast<size_t>(size) > bytes.size()) return 0;
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | ByteAt(bytes, offset + i);
    return value;
}

// Characters from `offset`, at most `size`, up to the first NUL.
std::string CharactersAt(std::string_view bytes, size_t offset, size_t size) {
    std::string out;
    for (size_t i = 0; i < size && offset + i < bytes.size(); ++i) {
        char c = bytes[offset + i];
        if (c == '\0') break;
        out += c;
    }
    return out;
}

void AppendHex(std::string& out, uint8_t byte) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

// One printed parameter: its row name and its value.
struct Entry {
    const char* name;
    std::string value;
};

// The common frame of every answer around `entries`.
std::string Frame(const Entry* entries, int count, const AnswerTarget& target) {
    std::string out;
    if (target.binaryMode) {
        out = "answer ";
        for (int i = 0; i < count; ++i) {
            if (i > 0) out += ',';
            out += entries[i].value;
        }
        out += "\r\n";
        out += kDone;
        return out;
    }
    out += kBorder;
    out += kHeader;
    out += kBorder;
    StringAppendF(out, "| %-9s | %-32d |\r\n", "ID", target.slot);
    std::string devId(target.devId);
    StringAppendF(out, "| %-9s | %-32s |\r\n", "DEVICE", devId.c_str());
    for (int i = 0; i < count; ++i) {
        StringAppendF(out, "| %-9s | %-32s |\r\n", entries[i].name, entries[i].value.c_str());
    }
    out += kBorder;
    return out;
}

std::string PrintBlock(const BlockLayout& layout, std::string_view payload,
                       const AnswerTarget& target) {
    const ParamSchema& schema = ParamSchemaOf(layout.block);
    std::string_view block = payload;
    int rows = schema.textRows;
    if (layout.binary) {
        size_t count = NumberAt(payload, 0, 2);
        block = payload.size() >= 2 ? payload.substr(2) : std::string_view();
        if (block.size() > count) block = block.substr(0, count);
        rows = BinaryAnswerRows(layout.frameId, static_cast<int>(block.size()));
    }
    std::vector<Entry> entries;
    entries.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        const ParamDescriptor& row = schema.rows[i];
        entries.push_back(
            {row.name, layout.binary ? BinaryBlockValue(row, block) : TextBlockValue(row, block)});
    }
    return Frame(entries.data(), rows, target);
}

// Numbers of the fixed answers are printed as signed 32-bit values.
std::string Signed(uint32_t value) {
    return StringPrintf("%d", static_cast<int32_t>(value));
}

std::string PrintFixed(int frameId, std::string_view payload, const AnswerTarget& target) {
    switch (frameId) {
        case 35: {  // firmware status
            uint32_t checksum = payload.size() >= 9 ? NumberAt(payload, 5, 4) : 0;
            Entry entries[] = {{"STATUS", Signed(ByteAt(payload, 0))},
                               {"VERSION", Signed(NumberAt(payload, 1, 4))},
                               {"CRCC", Signed(checksum)}};
            return Frame(entries, 3, target);
        }
        case 57: {  // terminal firmware status
            Entry entries[] = {{"STATUS", Signed(ByteAt(payload, 0))},
                               {"VERSION", Signed(NumberAt(payload, 1, 4))}};
            return Frame(entries, 2, target);
        }
        case 69: {  // PICO firmware version
            Entry entries[] = {{"VERSION", Signed(NumberAt(payload, 0, 4))}};
            return Frame(entries, 1, target);
        }
        case 133: {  // adapter firmware version
            Entry entries[] = {{"VERSION", CharactersAt(payload, 0, 8)}};
            return Frame(entries, 1, target);
        }
        case kRawCalibrationFrame: {
            Entry entries[] = {{kRawCalibrationName, ""}};
            for (size_t i = 0; i < kTextBlockSize; ++i)
                AppendHex(entries[0].value, ByteAt(payload, i));
            return Frame(entries, 1, target);
        }
    }
    return std::string();
}

}  // namespace

bool HasAnswerPrinter(int frameId) {
    if (FindBlockLayout(frameId) != nullptr) return true;
    return frameId == 35 || frameId == 57 || frameId == 69 || frameId == 133 ||
           frameId == kRawCalibrationFrame;
}

std::string PrintAnswer(int frameId, std::string_view payload, const AnswerTarget& target) {
    const BlockLayout* layout = FindBlockLayout(frameId);
    if (layout != nullptr) return PrintBlock(*layout, payload, target);
    return PrintFixed(frameId, payload, target);
}

int BinaryAnswerRows(int frameId, int length) {
    switch (frameId) {
        case 80:  // general: up to GPRSTIME, up to DETCORNER, or all
            return length < 197 ? 29 : length < 209 ? 36 : 37;
        case 82:  // calibration: up to Y2LOSS, up to IGNVAL2, or all
            return length < 55 ? 9 : length < 63 ? 13 : 19;
        case 88:  // statuses: STATUS0-9, or with the driver statuses
            return length <= 261 ? 10 : 16;
    }
    const BlockLayout* layout = FindBlockLayout(frameId);
    if (layout == nullptr || !layout->binary) return 0;
    return static_cast<int>(ParamSchemaOf(layout->block).rows.size());
}

std::string TextBlockValue(const ParamDescriptor& row, std::string_view block) {
    if (row.textLength <= 0 || row.textOffset < 0) return std::string();
    size_t offset = static_cast<size_t>(row.textOffset);
    if (offset >= block.size() || static_cast<uint8_t>(block[offset]) == 0xFF) return std::string();
    return CharactersAt(block, offset, static_cast<size_t>(row.textLength));
}

std::string BinaryBlockValue(const ParamDescriptor& row, std::string_view block) {
    std::string out;
    if (row.binarySize <= 0 || row.binaryOffset < 0) return out;
    size_t offset = static_cast<size_t>(row.binaryOffset);
    size_t size = static_cast<size_t>(row.binarySize);
    switch (row.kind) {
        case kParamText:
            return CharactersAt(block, offset, size);
        case kParamNumber: {
            uint32_t value = 0;
            for (size_t i = size < 4 ? size : 4; i > 0; --i) {
                value = (value << 8) | ByteAt(block, offset + i - 1);
            }
            AppendDecimal(out, value);
            return out;
        }
        case kParamHex:
            for (size_t i = 0; i < size; ++i) AppendHex(out, ByteAt(block, offset + i));
            return out;
    }
    return out;
}

void AppendDecimal(std::string& text, uint32_t value) {
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0) text += digits[--n];
}
