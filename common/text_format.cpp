#include "common/text_format.h"

#include <charconv>
#include <cstdio>
#include <cstring>

std::string StringPrintfV(const char* format, va_list args) {
    char small[512];
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0) return std::string();
    if (static_cast<size_t>(needed) < sizeof small) return std::string(small, needed);
    std::string out(static_cast<size_t>(needed), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, args);
    return out;
}

std::string StringPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = StringPrintfV(format, args);
    va_end(args);
    return out;
}

void StringAppendF(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    out += StringPrintfV(format, args);
    va_end(args);
}

size_t CopyText(char* dst, size_t size, std::string_view text) {
    if (size == 0) return 0;
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
    return n;
}

void AppendDecimal(std::string& out, long long value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void AppendDecimal(std::string& out, unsigned long long value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void AppendZeroPadded(std::string& out, long long value, int width) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const char* first = digits;
    if (value < 0) {
        out += '-';
        ++first;
        --width;
    }
    long long shown = end - first;
    if (width > shown) out.append(static_cast<size_t>(width - shown), '0');
    out.append(first, static_cast<size_t>(end - first));
}

void AppendFixed6(std::string& out, double value) {
    // The largest doubles print 309 digits before the point.
    char digits[320];
    auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    if (error != std::errc()) {
        StringAppendF(out, "%f", value);
        return;
    }
    out.append(digits, end);
}

void AppendHexBytes(std::string& out, const unsigned char* bytes, size_t count) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    size_t at = out.size();
    out.resize(at + 2 * count);
    for (size_t i = 0; i < count; ++i) {
        out[at + 2 * i] = kHex[bytes[i] >> 4];
        out[at + 2 * i + 1] = kHex[bytes[i] & 0x0F];
    }
}

void AppendHexBytes(std::string& out, std::string_view bytes) {
    AppendHexBytes(out, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}
