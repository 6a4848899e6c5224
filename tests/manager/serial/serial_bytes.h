#pragma once
// Byte-string helpers for the serial link tests.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline Bytes B(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(static_cast<uint8_t>(v));
    return out;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// `value` little-endian in `size` bytes.
inline Bytes Le(int64_t value, int size) {
    Bytes out;
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
    return out;
}

// Text as bytes, padded with NUL to `size` (0: no padding).
inline Bytes Text(std::string_view text, size_t size = 0) {
    Bytes out(text.begin(), text.end());
    if (out.size() < size) out.resize(size, 0);
    return out;
}
