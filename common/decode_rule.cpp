#include "common/decode_rule.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

bool FitsInt(long long value) {
    return value >= INT_MIN && value <= INT_MAX;
}

// Fills the ten shared fields; ints are real_value .. bit_count in file order.
bool FillRule(const char* column, const long long (&ints)[7], float add, float factor,
              DecodeRule& rule) {
    size_t length = std::strlen(column);
    if (length > kDecodeColumnMax) return false;
    for (long long value : ints) {
        if (!FitsInt(value)) return false;
    }
    std::memcpy(rule.column, column, length + 1);
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
    return FillRule(column, ints, add, factor, rule);
}

bool ParseDecoderLine(const char* line, DecodeRule& rule, DecodeChecks& checks) {
    char column[256];
    long long ints[7];
    long long keep = 0;
    long long count = 0;
    long long ref = 0;
    float add = 0;
    float factor = 0;
    DecodeChecks read;
    int fields =
        std::sscanf(line, "%255s %lld %lld %lld %lld %lld %lld %lld %lld %f %f %lld %lld %f %f %f",
                    column, &ints[0], &ints[1], &ints[2], &ints[3], &ints[4], &ints[5], &ints[6],
                    &keep, &add, &factor, &count, &ref, &read.low, &read.high, &read.substitute);
    if (fields != 16) return false;
    if (!FitsInt(keep) || !FitsInt(count) || !FitsInt(ref)) return false;
    if (!FillRule(column, ints, add, factor, rule)) return false;
    read.keep_slot = static_cast<int>(keep);
    read.count_slot = static_cast<int>(count);
    read.ref_slot = static_cast<int>(ref);
    checks = read;
    return true;
}

int DecodeRulesUsed(const DecodeTable& table) {
    int n = 0;
    while (n < kDecodeRows && table[static_cast<size_t>(n)].used) ++n;
    return n;
}
