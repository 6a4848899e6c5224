#pragma once
// FMS decode rules: how one value is cut out of a unit's raw vehicle-bus
// bytes and which locdata column receives it. The server reads ten-field
// lines; the batch decoder reads sixteen-field lines that add a memory of the
// last accepted value and a plausibility check (DecodeChecks) to the same
// ten fields.

#include <array>
#include <cstddef>

inline constexpr int kDecodeRows = 1000;
// A locdata column name; longer names are refused when the file is read
// rather than silently cut, since a cut name would address another column.
inline constexpr size_t kDecodeColumnMax = 66;

struct DecodeRule {
    bool used = false;  // row read from the file; the first unused row ends the table
    char column[kDecodeColumnMax + 1] = {};
    int real_value = 0;  // 1: stored as a real number; otherwise as an integer
    int fms_config = 0;  // FMS configuration number the rule belongs to
    int method = 0;      // 0 fixed-width signed field, 1 unsigned byte span
    int first_byte = 0;
    int byte_count = 0;
    int shift = 0;      // right shift of the little-endian raw value, in bits
    int bit_count = 0;  // low bits kept after the shift
    float add = 0;
    float factor = 0;
};

using DecodeTable = std::array<DecodeRule, kDecodeRows>;

// Reads one decode line: "column real_value fms_config method first_byte
// byte_count shift bit_count add factor", white-space separated, with scanf
// rules (trailing text after the tenth field is ignored). Returns false when a
// field is missing, an integer does not fit 32 bits or the column is too long;
// `rule` is then unspecified. Sets `used` on success.
bool ParseDecodeLine(const char* line, DecodeRule& rule);

// What the batch decoder adds to a rule. A slot field of 1 to 8 names one of
// the eight per-unit memory slots (or rejection counters); any other value
// means "none".
struct DecodeChecks {
    int keep_slot = 0;     // slot that keeps the last accepted value
    int count_slot = 0;    // rejection counter; set: the check is on
    int ref_slot = 0;      // set: relative check against this kept value; else absolute
    float low = 0;         // absolute: lowest value; relative: largest decrease
    float high = 0;        // absolute: highest value; relative: largest increase
    float substitute = 0;  // absolute: value written instead; relative: rejections tolerated
};

// Reads one decoder line: "column real_value fms_config method first_byte
// byte_count shift bit_count keep_slot add factor count_slot ref_slot low high
// substitute", with the same rules as ParseDecodeLine. Sets `rule.used` on
// success.
bool ParseDecoderLine(const char* line, DecodeRule& rule, DecodeChecks& checks);

// Number of rules in use: the index of the first unused row.
int DecodeRulesUsed(const DecodeTable& table);
