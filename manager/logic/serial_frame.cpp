#include "manager/logic/serial_frame.h"

#include <cstdio>

uint8_t SerialXor(std::span<const uint8_t> bytes) {
    uint8_t x = 0;
    for (uint8_t b : bytes) x ^= b;
    return x;
}

uint8_t SerialTextChecksum(std::string_view body) {
    size_t from = (!body.empty() && body[0] == '$') ? 1 : 0;
    uint8_t x = 0;
    for (size_t i = from; i < body.size() && body[i] != '*'; ++i) {
        x ^= static_cast<uint8_t>(body[i]);
    }
    return x;
}

std::string SerialTextLine(std::string_view body) {
    std::string line(body);
    if (line.find('*') == std::string::npos) line += '*';
    char tail[8];
    std::snprintf(tail, sizeof tail, "%02X\r\n", SerialTextChecksum(line));
    line += tail;
    return line;
}

std::vector<uint8_t> SerialBuildFrame(const FrameHeader& h, std::span<const uint8_t> data) {
    const size_t length = data.size() + 7;
    std::vector<uint8_t> out;
    out.reserve(length + kFrameOverhead);
    out.push_back(kFrameStart);
    SerialPutLE(out, static_cast<uint32_t>(length), 2);
    out.insert(out.end(), {h.mark, h.block, h.address, h.direction, h.sequence, h.command, h.item});
    out.insert(out.end(), data.begin(), data.end());
    out.push_back(SerialXor(std::span<const uint8_t>(out).subspan(3)));
    out.push_back(kFrameEnd);
    return out;
}

bool SerialParseFrame(std::span<const uint8_t> bytes, SerialFrame& frame) {
    if (bytes.size() < kFrameHeaderSize + 2 || bytes[0] != kFrameStart) return false;
    const size_t length = SerialGetLE(bytes, 1, 2);
    if (length + kFrameOverhead != bytes.size() || bytes.back() != kFrameEnd) return false;
    if (SerialXor(bytes.subspan(3, length + 1)) != 0) return false;
    frame.length = static_cast<int>(length);
    frame.header = {bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9]};
    frame.data.assign(bytes.begin() + kFrameHeaderSize, bytes.end() - 2);
    return true;
}

void SerialPutLE(std::vector<uint8_t>& out, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t SerialGetLE(std::span<const uint8_t> data, size_t offset, int size) {
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) {
        size_t at = offset + static_cast<size_t>(i);
        v = (v << 8) | (at < data.size() ? data[at] : 0u);
    }
    return v;
}
