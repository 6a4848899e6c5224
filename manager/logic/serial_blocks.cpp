#include "manager/logic/serial_blocks.h"

#include <cstdlib>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Only "0"-"9" and "A"-"F" count; anything else is 0.
uint8_t HexValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    return 0;
}

std::string Characters(std::span<const uint8_t> bytes, size_t offset, size_t count) {
    std::string text;
    for (size_t i = offset; i < offset + count && i < bytes.size() && bytes[i] != 0; ++i) {
        text += static_cast<char>(bytes[i]);
    }
    return text;
}

}  // namespace

SerialValues SerialDecodeTextBlock(std::span<const ParamDescriptor> rows,
                                   std::span<const uint8_t> data) {
    SerialValues values;
    for (const ParamDescriptor& row : rows) {
        if (row.textLength == 0) {
            values.emplace_back();
            continue;
        }
        size_t at = static_cast<size_t>(row.textOffset);
        if (at < data.size() && data[at] == 0xFF) {
            values.emplace_back();
        } else {
            values.push_back(Characters(data, at, static_cast<size_t>(row.textLength)));
        }
    }
    return values;
}

std::vector<uint8_t> SerialEncodeTextBlock(std::span<const ParamDescriptor> rows,
                                           const SerialValues& values) {
    std::vector<uint8_t> block(kTextBlockSize, 0xFF);
    for (size_t i = 0; i < rows.size() && i < values.size(); ++i) {
        const ParamDescriptor& row = rows[i];
        if (row.textLength == 0) continue;
        const std::string& value = values[i];
        size_t at = static_cast<size_t>(row.textOffset);
        size_t n = std::min(value.size(), static_cast<size_t>(row.textLength));
        for (size_t k = 0; k < n && at + k < block.size(); ++k) {
            block[at + k] = static_cast<uint8_t>(value[k]);
        }
        if (n < static_cast<size_t>(row.textLength) && at + n < block.size()) block[at + n] = 0;
    }
    return block;
}

SerialValues SerialDecodeBinaryBlock(std::span<const ParamDescriptor> rows,
                                     std::span<const uint8_t> block, size_t rowCount) {
    SerialValues values;
    for (size_t i = 0; i < rows.size(); ++i) {
        const ParamDescriptor& row = rows[i];
        if (i >= rowCount || row.binarySize == 0) {
            values.emplace_back();
            continue;
        }
        size_t at = static_cast<size_t>(row.binaryOffset);
        size_t size = static_cast<size_t>(row.binarySize);
        std::string text;
        if (row.kind == kParamText) {
            text = Characters(block, at, size);
        } else if (row.kind == kParamNumber) {
            uint64_t v = 0;
            for (size_t k = size; k-- > 0;) {
                v = (v << 8) | (at + k < block.size() ? block[at + k] : 0u);
            }
            text = std::to_string(v);
        } else {
            for (size_t k = 0; k < size; ++k) {
                uint8_t b = at + k < block.size() ? block[at + k] : 0;
                text += kHexDigits[b >> 4];
                text += kHexDigits[b & 0x0F];
            }
        }
        values.push_back(std::move(text));
    }
    return values;
}

std::vector<uint8_t> SerialEncodeBinaryBlock(std::span<const ParamDescriptor> rows,
                                             const SerialValues& values, size_t size) {
    std::vector<uint8_t> block(size, 0);
    if (!block.empty()) block[0] = 1;
    for (size_t i = 0; i < rows.size() && i < values.size(); ++i) {
        const ParamDescriptor& row = rows[i];
        const std::string& value = values[i];
        size_t at = static_cast<size_t>(row.binaryOffset);
        size_t width = static_cast<size_t>(row.binarySize);
        auto put = [&](size_t k, uint8_t b) {
            if (at + k < block.size()) block[at + k] = b;
        };
        if (row.kind == kParamText) {
            for (size_t k = 0; k < width && k < value.size(); ++k)
                put(k, static_cast<uint8_t>(value[k]));
        } else if (row.kind == kParamNumber) {
            uint32_t v = static_cast<uint32_t>(std::strtoll(value.c_str(), nullptr, 10));
            for (size_t k = 0; k < width; ++k)
                put(k, k < 4 ? static_cast<uint8_t>(v >> (8 * k)) : 0);
        } else {
            for (size_t k = 0; k < width && 2 * k < value.size(); ++k) {
                uint8_t high = HexValue(value[2 * k]);
                uint8_t low = 2 * k + 1 < value.size() ? HexValue(value[2 * k + 1]) : 0;
                put(k, static_cast<uint8_t>(high << 4 | low));
            }
        }
    }
    return block;
}

size_t SerialRowsPresent(int tab, size_t rowCount, size_t dataLength) {
    size_t rows = rowCount;
    if (tab == 0) rows = dataLength <= 196 ? 29 : dataLength <= 208 ? 36 : 37;
    if (tab == 1) rows = dataLength <= 54 ? 9 : dataLength <= 62 ? 13 : 19;
    return std::min(rows, rowCount);
}

size_t SerialBinaryBlockSize(int tab) {
    static const size_t kSizes[] = {212, 68, 98, 216, 363, 92, 481, 244, 212};
    return tab >= 0 && tab < 9 ? kSizes[tab] : 0;
}

std::string SerialImeiText(std::span<const uint8_t> bcd) {
    std::string text;
    for (uint8_t b : bcd) {
        for (int nibble : {b >> 4, b & 0x0F}) {
            if (nibble != 0x0F) text += kHexDigits[nibble];
        }
    }
    return text;
}
