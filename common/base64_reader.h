#pragma once
// Reading the binary frames of a unit's line straight from its Base64 text,
// byte by byte, without a decoded copy.
//
// End of data: a NUL or any character outside the standard alphabet (the
// padding "=" included) ends the data for good; every later read reports
// the end. A multi-byte number with a missing byte reads as 0 as a whole.
//
//   text:   T  W  F  u          phase 0 stores a character's 6 bits;
//   bits:   6  6  6  6          phases 1..3 each complete one byte
//   bytes:  [  0  ][ 1 ][ 2 ]

#include <cstddef>
#include <cstdint>

struct Base64Reader {
    const char* text = "";
    uint32_t position = 0;
    int phase = 0;
    int carry = 0;
    bool ended = false;

    explicit Base64Reader(const char* line) : text(line) {}
};

// Value of a Base64 alphabet character, or -1.
int Base64Value(char c);

// Next byte 0..255, or -1 at the end of data.
int ReadByte(Base64Reader& reader);

// 1 to 4 bytes little-endian; 0 when any of them is missing.
uint32_t ReadLE(Base64Reader& reader, int size);

// Reads `count` bytes into `dst`; missing bytes become 0. Returns the number
// of bytes that were really there.
size_t ReadBytes(Base64Reader& reader, uint8_t* dst, size_t count);

// Reads and throws away `count` bytes.
void SkipBytes(Base64Reader& reader, size_t count);
