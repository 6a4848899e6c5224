#pragma once
// printf-style formatting into growing strings and bounded copies into the
// fixed text fields of the server's tables. Every write is bounded: nothing
// here can run past the end of a buffer.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

#define VIMKO_PRINTF(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))

// Formats into a new string of whatever length the text needs.
std::string StringPrintf(const char* format, ...) VIMKO_PRINTF(1, 2);
std::string StringPrintfV(const char* format, va_list args);

// Appends formatted text to `out`.
void StringAppendF(std::string& out, const char* format, ...) VIMKO_PRINTF(2, 3);

// Appends what "%lld", "%llu", "%0*lld" (at least `width` characters, zeros
// after the sign), "%f" (six decimals) and "%02X" per byte would print,
// without a format string to parse: statements and log entries built for
// every unit line use these.
void AppendDecimal(std::string& out, long long value);
void AppendDecimal(std::string& out, unsigned long long value);
void AppendZeroPadded(std::string& out, long long value, int width);
void AppendFixed6(std::string& out, double value);
void AppendHexBytes(std::string& out, const unsigned char* bytes, size_t count);
void AppendHexBytes(std::string& out, std::string_view bytes);

// Copies `text` into `dst` of `size` bytes, cutting it to size - 1 characters
// and always ending it with a NUL. Returns the number of characters copied.
size_t CopyText(char* dst, size_t size, std::string_view text);

template <size_t N>
size_t CopyText(char (&dst)[N], std::string_view text) {
    return CopyText(dst, N, text);
}
