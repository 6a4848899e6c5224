#pragma once
// Encoding one outgoing line: the bytes of one frame as Base64 with padding,
// then the unit's terminator ("\n", "." or ";").

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class Base64Writer {
  public:
    void PutByte(uint8_t byte);
    void PutBytes(const uint8_t* bytes, size_t count);
    // Little-endian number of `size` bytes.
    void PutLE(uint32_t value, int size);

    // Emits the pending character with "==" or "=" padding, then the
    // terminator. Returns the finished line; the writer is empty again.
    std::string FinishLine(char terminator);

    // Padded Base64 of what was put so far, without a terminator; the writer
    // is empty again.
    std::string Finish();

  private:
    std::string m_text;
    int m_phase = 0;
    uint8_t m_carry = 0;
};

// One frame as one line: Base64 of `frame` and the terminator.
std::string EncodeLine(std::string_view frame, char terminator);

// Decodes a whole Base64 text (up to its end of data) into bytes.
std::string DecodeBase64(const char* text);
