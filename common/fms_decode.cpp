#include "common/fms_decode.h"

#include <cmath>

#include "common/text_format.h"

namespace {

// Little-endian value of `count` FMS bytes from `first` (at most 4 taken).
uint32_t RawValue(const FmsArea& area, int first, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count && i < 4; ++i) {
        value |= static_cast<uint32_t>(FmsByte(area, first + i)) << (8 * i);
    }
    return value;
}

uint32_t Mask(int bits) {
    if (bits <= 0) return 0;
    if (bits >= 32) return 0xFFFFFFFFu;
    return (1u << bits) - 1;
}

// Shifts by 32 or more wrap, as the units' own decoders do.
uint32_t ShiftRight(uint32_t value, int shift) {
    return value >> (static_cast<unsigned>(shift) & 31u);
}

}  // namespace

uint8_t FmsByte(const LocationRecord& record, int k) {
    if (k < 0 || k >= kFmsAreaLength) return 0xFF;
    if (k < kFmsDataLength) return record.fmsdata[k];
    if (record.present & kPresentFmsDataEx) return record.fmsdataex[k - kFmsDataLength];
    return 0xFF;
}

uint8_t FmsByte(const FmsArea& area, int k) {
    if (k < 0 || k >= kFmsAreaLength) return 0xFF;
    return area[static_cast<size_t>(k)];
}

FmsArea FmsAreaOf(const LocationRecord& record) {
    FmsArea area;
    for (int k = 0; k < kFmsAreaLength; ++k) area[static_cast<size_t>(k)] = FmsByte(record, k);
    return area;
}

int FmsRuleCount(const DecodeTable& table, int config) {
    int count = 0;
    for (const DecodeRule& rule : table) {
        if (!rule.used) break;
        if (rule.fms_config == config) ++count;
    }
    return count;
}

int FmsRuleIndex(const DecodeTable& table, int config, int i) {
    int seen = 0;
    for (int index = 0; index < kDecodeRows; ++index) {
        const DecodeRule& rule = table[static_cast<size_t>(index)];
        if (!rule.used) break;
        if (rule.fms_config != config) continue;
        if (seen == i) return index;
        ++seen;
    }
    return -1;
}

const DecodeRule* FmsRuleAt(const DecodeTable& table, int config, int i) {
    int index = FmsRuleIndex(table, config, i);
    return index < 0 ? nullptr : &table[static_cast<size_t>(index)];
}

bool FmsRuleValid(const DecodeRule& rule, const FmsArea& area) {
    uint32_t raw = RawValue(area, rule.first_byte, rule.byte_count);
    switch (rule.byte_count) {
        case 1:
            return raw != 0xFF;
        case 2:
            return raw != 0xFFFF;
        case 4:
            return raw != 0xFFFFFFFFu;
        default:
            return false;
    }
}

bool FmsRuleValid(const DecodeRule& rule, const LocationRecord& record) {
    return FmsRuleValid(rule, FmsAreaOf(record));
}

double FmsRuleValue(const DecodeRule& rule, const FmsArea& area) {
    uint32_t raw = RawValue(area, rule.first_byte, rule.byte_count);
    double value = 0;
    if (rule.method == 0) {
        uint32_t bits = ShiftRight(raw, rule.shift) & Mask(rule.bit_count);
        switch (rule.byte_count) {
            case 1:
                value = static_cast<int8_t>(static_cast<uint8_t>(bits));
                break;
            case 2:
                value = static_cast<int16_t>(static_cast<uint16_t>(bits));
                break;
            case 4:
                value = static_cast<int32_t>(bits);
                break;
            default:
                return 0;
        }
    } else if (rule.method == 1) {
        value = ShiftRight(raw, rule.shift) & Mask(rule.bit_count);
    } else {
        return 0;
    }
    return value * static_cast<double>(rule.factor) + static_cast<double>(rule.add);
}

double FmsRuleValue(const DecodeRule& rule, const LocationRecord& record) {
    return FmsRuleValue(rule, FmsAreaOf(record));
}

long long FmsTruncated(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9.2e18) return 9200000000000000000LL;
    if (value <= -9.2e18) return -9200000000000000000LL;
    return static_cast<long long>(value);
}

std::string FmsValueText(const DecodeRule& rule, double value) {
    if (rule.real_value == 1) {
        if (!std::isfinite(value)) return "NULL";
        std::string text;
        AppendFixed6(text, value);
        return text;
    }
    std::string text;
    AppendDecimal(text, FmsTruncated(value));
    return text;
}
