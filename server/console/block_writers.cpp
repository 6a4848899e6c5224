#include "server/console/block_writers.h"

#include "common/text_format.h"

namespace {

// Unit type masks (FindDevice): one bit per protocol family and transport.
constexpr int kMaskGen12 = 0x00F;
constexpr int kMaskGen2 = 0x00C;
constexpr int kMaskPico = 0x030;
constexpr int kMaskGen3 = 0x300;

constexpr int kNone = -1;

// clang-format off
const BlockWriteCommand kCommands[] = {
    // word, block, values, frame, binary, byte 0 = 1, offline flag, needs active,
    // offline type, mask, request kind
    {"writecfg", ParamBlock::kGeneral, 29, 0x22, false, false, true, false, 0, kMaskGen12, 2},
    {"writepcfg", ParamBlock::kPico, 17, 0x44, false, false, false, true, kNone, kMaskPico, 3},
    {"writefms", ParamBlock::kFms, 41, 0x33, false, false, true, false, 2, kMaskGen12, 12},
    {"writecan", ParamBlock::kCan, 95, 0x35, false, false, true, false, 3, kMaskGen2, 14},
    {"writestat", ParamBlock::kStatus, 10, 0x37, false, false, true, false, 4, kMaskGen2, 16},
    {"writecane", ParamBlock::kCanEvent, 15, 0x3C, false, false, true, true, 5, kMaskGen2, 18},
    {"writemask", ParamBlock::kMask, 16, 0x3E, false, false, true, true, 6, kMaskGen12, 20},
    {"writentwk", ParamBlock::kNetwork, 25, 0x4B, false, false, true, true, 7, kMaskGen2, 22},
    {"writecfg3", ParamBlock::kGeneral, 37, 0x51, true, true, true, false, 0, kMaskGen3, 2},
    {"writecal3", ParamBlock::kCalibration, 19, 0x53, true, true, true, false, 1, kMaskGen3, 10},
    {"writefms3", ParamBlock::kFms, 65, 0x55, true, false, true, false, 2, kMaskGen3, 12},
    {"writecan3", ParamBlock::kCan, 149, 0x57, true, false, true, false, 3, kMaskGen3, 14},
    {"writestat3", ParamBlock::kStatus, 16, 0x59, true, true, true, false, 4, kMaskGen3, 16},
    {"writecane3", ParamBlock::kCanEvent, 30, 0x5B, true, false, true, false, 5, kMaskGen3, 18},
    {"writebtn", ParamBlock::kDallas, 60, 0x5D, true, false, true, false, 6, kMaskGen3, 20},
    {"writentwk3", ParamBlock::kNetwork, 60, 0x5F, true, false, true, false, 7, kMaskGen3, 22},
    {"writecan2", ParamBlock::kCan2, 145, 0x61, true, false, true, false, 8, kMaskGen3, 24},
};
// clang-format on

// Walks the ","-separated fields of an argument text. The fields are
// complete when every field taken was there, none was longer than
// kArgumentFieldMax, and the last one taken ended the text.
class FieldCursor {
  public:
    explicit FieldCursor(std::string_view args) : m_rest(args) {}

    // The next field, cut to kArgumentFieldMax; empty when the text is used up.
    std::string Next() {
        if (m_ended) {
            m_bad = true;
            return std::string();
        }
        size_t comma = m_rest.find(',');
        std::string_view field = m_rest.substr(0, comma);
        if (comma == std::string_view::npos) {
            m_ended = true;
            m_rest = std::string_view();
        } else {
            m_rest.remove_prefix(comma + 1);
        }
        if (field.size() > kArgumentFieldMax) {
            m_bad = true;
            field = field.substr(0, kArgumentFieldMax);
        }
        return std::string(field);
    }

    bool Complete() const { return m_ended && !m_bad; }

  private:
    std::string_view m_rest;
    bool m_ended = false;
    bool m_bad = false;
};

// A signed decimal number as C's atoi reads it (leading blanks, a sign,
// digits up to the first other character; 0 without digits), reduced to 32
// bits: a negative value comes out in two's complement.
uint32_t DecimalValue(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    return negative ? 0u - value : value;
}

// 0-9 and A-F; any other character counts as 0.
uint8_t HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    return 0;
}

void PutBinaryValue(std::string& block, const ParamDescriptor& row, const std::string& value) {
    if (row.binarySize <= 0 || row.binaryOffset < 0) return;
    size_t offset = static_cast<size_t>(row.binaryOffset);
    size_t size = static_cast<size_t>(row.binarySize);
    if (offset >= block.size()) return;
    if (size > block.size() - offset) size = block.size() - offset;
    switch (row.kind) {
        case kParamNumber: {
            uint32_t number = DecimalValue(value);
            for (size_t i = 0; i < size; ++i) {
                block[offset + i] = static_cast<char>(i < 4 ? (number >> (8 * i)) & 0xFF : 0);
            }
            break;
        }
        case kParamText: {
            size_t n = value.size() < size ? value.size() : size;
            block.replace(offset, n, value.data(), n);
            break;
        }
        case kParamHex:
            for (size_t i = 0; i < value.size() && i < 2 * size; ++i) {
                uint8_t nibble = HexDigit(value[i]);
                char& byte = block[offset + i / 2];
                byte = static_cast<char>(i % 2 == 0
                                             ? (static_cast<uint8_t>(byte) & 0x0F) | (nibble << 4)
                                             : (static_cast<uint8_t>(byte) & 0xF0) | nibble);
            }
            break;
    }
}

void PutTextValue(std::string& block, const ParamDescriptor& row, const std::string& value) {
    if (value.empty() || row.textLength <= 0 || row.textOffset < 0) return;
    size_t offset = static_cast<size_t>(row.textOffset);
    size_t length = static_cast<size_t>(row.textLength);
    if (offset >= block.size()) return;
    if (length > block.size() - offset) length = block.size() - offset;
    std::string field = value.substr(0, length);
    field.resize(length, '\0');
    block.replace(offset, length, field);
}

std::string HexLine(int session, const std::string& block) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out = StringPrintf("T%d: ", session);
    out.reserve(out.size() + 2 * block.size() + 1);
    for (char c : block) {
        uint8_t byte = static_cast<uint8_t>(c);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0x0F];
    }
    out += '\n';
    return out;
}

}  // namespace

const BlockWriteCommand* FindBlockWriteCommand(std::string_view word) {
    for (const BlockWriteCommand& command : kCommands) {
        if (word == command.word) return &command;
    }
    return nullptr;
}

std::span<const BlockWriteCommand> BlockWriteCommands() {
    return kCommands;
}

BlockWrite BuildBlockWrite(const BlockWriteCommand& command, int session, bool binaryMode,
                           std::string_view args) {
    BlockWrite out;
    const ParamSchema& schema = ParamSchemaOf(command.block);
    int values = command.values;
    if (values > static_cast<int>(schema.rows.size()))
        values = static_cast<int>(schema.rows.size());

    std::string block;
    if (command.binaryBlock) {
        block.assign(static_cast<size_t>(schema.binaryLength), '\0');
        if (command.firstByteOne && !block.empty()) block[0] = 1;
    } else {
        block.assign(kTextBlockSize, '\xFF');
    }

    FieldCursor fields(args);
    out.deviceId = fields.Next();
    if (binaryMode && command.offlineFlag) out.offline = fields.Next() == "1";

    for (int i = 0; i < values; ++i) {
        const ParamDescriptor& row = schema.rows[i];
        std::string value = fields.Next();
        if (command.binaryBlock) {
            out.log.push_back(StringPrintf("T%d: %s=%s (%d,%d,%d)\n", session, row.name,
                                           value.c_str(), row.kind, row.binaryOffset,
                                           row.binarySize));
            PutBinaryValue(block, row, value);
        } else {
            out.log.push_back(StringPrintf("T%d: %s=%s (%d,%d)\n", session, row.name, value.c_str(),
                                           row.textOffset, row.textLength));
            PutTextValue(block, row, value);
        }
    }
    out.log.push_back(HexLine(session, block));

    out.ok = fields.Complete();
    if (!out.ok) {
        out.offline = false;
        return out;
    }
    out.frame = {static_cast<char>(command.frameId), 0};
    if (command.binaryBlock) {
        out.frame += static_cast<char>(block.size() & 0xFF);
        out.frame += static_cast<char>((block.size() >> 8) & 0xFF);
    }
    out.frame += block;
    return out;
}

int BlockWriteMinState(const BlockWriteCommand& command, bool offline) {
    return offline && command.offlineFlag && !command.offlineNeedsActive ? 1 : 2;
}
