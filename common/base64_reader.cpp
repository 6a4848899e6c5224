#include "common/base64_reader.h"

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

int ReadByte(Base64Reader& reader) {
    while (!reader.ended) {
        int value = Base64Value(reader.text[reader.position]);
        if (value < 0) {
            reader.ended = true;
            break;
        }
        ++reader.position;
        int byte = -1;
        switch (reader.phase) {
            case 0:
                break;
            case 1:
                byte = ((reader.carry << 2) | (value >> 4)) & 0xFF;
                break;
            case 2:
                byte = (((reader.carry & 0x0F) << 4) | (value >> 2)) & 0xFF;
                break;
            default:
                byte = (((reader.carry & 0x03) << 6) | value) & 0xFF;
                break;
        }
        reader.carry = value;
        reader.phase = (reader.phase + 1) & 3;
        if (byte >= 0) return byte;
    }
    return -1;
}

uint32_t ReadLE(Base64Reader& reader, int size) {
    uint32_t value = 0;
    bool missing = false;
    for (int i = 0; i < size; ++i) {
        int byte = ReadByte(reader);
        if (byte < 0) {
            missing = true;
            continue;
        }
        value |= static_cast<uint32_t>(byte) << (8 * i);
    }
    return missing ? 0 : value;
}

size_t ReadBytes(Base64Reader& reader, uint8_t* dst, size_t count) {
    size_t present = 0;
    for (size_t i = 0; i < count; ++i) {
        int byte = ReadByte(reader);
        dst[i] = byte < 0 ? 0 : static_cast<uint8_t>(byte);
        if (byte >= 0) ++present;
    }
    return present;
}

void SkipBytes(Base64Reader& reader, size_t count) {
    for (size_t i = 0; i < count && ReadByte(reader) >= 0; ++i) {
    }
}
