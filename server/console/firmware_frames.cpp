#include "server/console/firmware_frames.h"

#include <algorithm>
#include <cstring>

#include "common/text_format.h"

namespace {

void PutLE(std::string& out, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// -1 for a character that is not a hexadecimal digit.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The byte of digits `pair[0..1]`, or -1 when either is not hexadecimal.
int HexPair(std::string_view pair) {
    int high = HexDigit(pair[0]);
    int low = HexDigit(pair[1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

}  // namespace

// ---- module and terminal blocks -------------------------------------------

int FirmwareBlockCount(size_t imageSize) {
    return imageSize == kShortImageBytes ? kShortImageBlocks : kLongImageBlocks;
}

uint32_t AddBlockToChecksum(uint32_t sum, int block, int blockCount, std::string_view bytes) {
    for (char c : bytes) sum += static_cast<uint8_t>(c);
    if (blockCount == kShortImageBlocks) sum += static_cast<uint32_t>(block + 1);
    return sum;
}

std::string FirmwareBlockFrame(uint8_t commandId, int block, std::string_view bytes,
                               uint32_t checksum) {
    std::string frame;
    frame.reserve(4 + kFirmwareBlockBytes + 4);
    frame += static_cast<char>(commandId);
    frame += '\0';
    PutLE(frame, static_cast<uint32_t>(block), 2);
    frame.append(bytes.substr(0, kFirmwareBlockBytes));
    frame.append(kFirmwareBlockBytes - std::min(bytes.size(), kFirmwareBlockBytes), '\0');
    PutLE(frame, checksum, 4);
    return frame;
}

std::string FirmwareBlockLogText(const std::string& frame) {
    std::string hex;
    hex.reserve(frame.size() * 2);
    for (size_t i = 2; i < frame.size(); ++i) {
        StringAppendF(hex, "%02X", static_cast<uint8_t>(frame[i]));
    }
    return hex;
}

// ---- adapter records -------------------------------------------------------

int AdapterDataRecordCount(uint32_t size) {
    return static_cast<int>((size - 1) / kAdapterDataBytes + 1);
}

std::string AdapterStartRecord() {
    return std::string{static_cast<char>(kAdapterRecordId), 2, 1, 0};
}

std::string AdapterNameRecord(std::string_view name, uint32_t size) {
    std::string_view cut = name.substr(0, kAdapterNameMax);
    std::string frame{static_cast<char>(kAdapterRecordId), static_cast<char>(cut.size() + 6), 2, 0};
    frame.append(cut);
    PutLE(frame, size, 4);
    return frame;
}

std::string AdapterDataRecord(int k, std::string_view bytes) {
    std::string_view cut = bytes.substr(0, kAdapterDataBytes);
    std::string frame{static_cast<char>(kAdapterRecordId), static_cast<char>(cut.size() + 2)};
    PutLE(frame, static_cast<uint32_t>(k + 3), 2);
    frame.append(cut);
    return frame;
}

size_t AdapterDataRecordBytes(int k, uint32_t size) {
    size_t start = static_cast<size_t>(k) * kAdapterDataBytes;
    return start >= size ? 0 : std::min(kAdapterDataBytes, size - start);
}

std::string AdapterActivateRecord(int dataRecords) {
    std::string frame{static_cast<char>(kAdapterRecordId), 2};
    PutLE(frame, static_cast<uint32_t>(dataRecords + 3), 2);
    return frame;
}

std::string AdapterRecordLogText(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        auto b = static_cast<uint8_t>(c);
        if (b >= 32 && b <= 126) {
            out += c;
        } else {
            StringAppendF(out, "[%02X]", b);
        }
    }
    return out;
}

// ---- raw records -----------------------------------------------------------

std::vector<RawRecord> RawRecords(int index, int flag, std::string_view bytes) {
    std::vector<RawRecord> records;
    size_t count = (bytes.size() - 1) / kRawRecordItems + 1;
    for (size_t r = 0; r < count; ++r) {
        std::string_view items = bytes.substr(r * kRawRecordItems, kRawRecordItems);
        RawRecord record;
        record.index = (index + static_cast<int>(r)) & 0xFFFF;
        record.flag = (r + 1 == count ? flag + 1 : flag) & 0xFF;
        record.items = static_cast<int>(items.size());
        record.frame = std::string{static_cast<char>(kRawRecordId), 0};
        PutLE(record.frame, static_cast<uint32_t>(record.index), 2);
        record.frame += static_cast<char>(record.flag);
        PutLE(record.frame, static_cast<uint32_t>(record.items), 2);
        record.frame.append(items);
        records.push_back(std::move(record));
    }
    return records;
}

// ---- argument text ---------------------------------------------------------

bool SplitArguments(std::string_view args, size_t count, std::vector<std::string>& fields) {
    fields.clear();
    size_t start = 0;
    for (;;) {
        size_t comma = args.find(',', start);
        fields.emplace_back(
            args.substr(start, comma == std::string_view::npos ? args.npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return fields.size() == count;
}

std::string HexPairsOrZero(std::string_view digits) {
    std::string bytes;
    bytes.reserve(digits.size() / 2);
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
        int b = HexPair(digits.substr(i, 2));
        bytes += static_cast<char>(b < 0 ? 0 : b);
    }
    return bytes;
}

bool ApplyWriteData(std::string_view args, uint8_t* buffer, size_t capacity, int32_t& length) {
    std::vector<std::string> fields;
    if (!SplitArguments(args, 2, fields)) return false;
    const std::string& index = fields[0];
    if (index.empty() || index.size() > 9 ||
        index.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    size_t at = std::stoul(index);
    if (at > capacity) return false;
    const std::string& data = fields[1];
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        int b = HexPair(std::string_view(data).substr(i, 2));
        if (b < 0 || at >= capacity) {
            length = static_cast<int32_t>(at);
            return false;
        }
        buffer[at++] = static_cast<uint8_t>(b);
    }
    length = static_cast<int32_t>(at);
    return true;
}

bool SplitUploadName(const uint8_t* buffer, size_t length, std::string& name, size_t& imageOffset) {
    constexpr size_t kNameMax = 256;
    const void* nul = std::memchr(buffer, 0, std::min(length, kNameMax + 1));
    if (nul == nullptr) return false;
    size_t size = static_cast<size_t>(static_cast<const uint8_t*>(nul) - buffer);
    if (size == 0) return false;
    name.assign(reinterpret_cast<const char*>(buffer), size);
    imageOffset = size + 1;
    return true;
}
