#pragma once
// Building frame bytes by hand in tests: little-endian numbers and Base64
// text of a byte string, so each case reads as the bytes a unit sends.

#include <cstdint>
#include <string>

#include "common/base64_writer.h"

inline std::string Le(uint64_t value, int size) {
    std::string out;
    for (int i = 0; i < size; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

inline std::string Frame(int id, int length, const std::string& payload) {
    return std::string{static_cast<char>(id), static_cast<char>(length)} + payload;
}

// Base64 of `bytes` with padding and no terminator: the text of a line.
inline std::string B64(const std::string& bytes) {
    Base64Writer writer;
    writer.PutBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return writer.Finish();
}

inline std::string Text(const std::string& text, size_t size) {
    std::string out = text.substr(0, size);
    out.resize(size, '\0');
    return out;
}
