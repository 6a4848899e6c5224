#include "common/decode_rule.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

bool FitsInt(long long value) {
    return value >= INT_MIN && value <= INT_MAX;
}

}  // namespace

bool ParseDecodeLine(const char* line, DecodeRule& rule) {
    char column[256];
    long long ints[7];
    float add = 0;
    float factor = 0;
    // Integers are read wide so that an out-of-range value is refused
    // instead of wrapping into a plausible-looking rule.
    int fields =
        std::sscanf(line, "%255s %lld %lld %lld %lld %lld %lld %lld %f %f", column, &ints[0],
                    &ints[1], &ints[2], &ints[3], &ints[4], &ints[5], &ints[6], &add, &factor);
    if (fields != 10) return false;
    if (std::strlen(column) > kDecodeColumnMax) return false;
    for (long long value : ints) {
        if (!FitsInt(value)) return false;
    }
    std::memcpy(rule.column, column, std::strlen(column) + 1);
    rule.real_value = static_cast<int>(ints[0]);
    rule.fms_config = static_cast<int>(ints[1]);
    rule.method = static_cast<int>(ints[2]);
    rule.first_byte = static_cast<int>(ints[3]);
    rule.byte_count = static_cast<int>(ints[4]);
    rule.shift = static_cast<int>(ints[5]);
    rule.bit_count = static_cast<int>(ints[6]);
    rule.add = add;
    rule.factor = factor;
    rule.used = true;
    return true;
}

int DecodeRulesUsed(const DecodeTable& table) {
    int n = 0;
    while (n < kDecodeRows && table[static_cast<size_t>(n)].used) ++n;
    return n;
}
