#include "decoder/row_decoder.h"

#include <cstdlib>

#include "common/text_format.h"
#include "decoder/decoder_sql.h"
#include "decoder/value_checks.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

uint64_t Unsigned(const char* text, uint64_t absent) {
    if (text == nullptr) return absent;
    return std::strtoull(text, nullptr, 10);
}

int Int(const char* text, int absent) {
    if (text == nullptr) return absent;
    return static_cast<int>(std::strtol(text, nullptr, 10));
}

}  // namespace

void HexToBytes(const char* text, uint8_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = 0;
    if (text == nullptr) return;
    for (size_t i = 0; i < count; ++i) {
        if (text[2 * i] == '\0') return;
        int high = HexDigit(text[2 * i]);
        if (text[2 * i + 1] == '\0') return;
        int low = HexDigit(text[2 * i + 1]);
        if (high >= 0 && low >= 0) out[i] = static_cast<uint8_t>(high * 16 + low);
    }
}

DecoderRow ParseDecoderRow(const char* const (&columns)[kDecoderRowColumns]) {
    DecoderRow row;
    row.id = Unsigned(columns[0], 0);
    row.unit = static_cast<uint32_t>(Unsigned(columns[1], 0));
    row.frame = Int(columns[2], -1);
    row.config = Int(columns[3], -1);
    HexToBytes(columns[4], row.area.data(), kFmsDataLength);
    HexToBytes(columns[5], row.area.data() + kFmsDataLength, kFmsDataExLength);
    return row;
}

RowDecode DecodeRow(const DecoderRow& row, const DecoderRules& rules, DecoderDeviceTable& devices) {
    RowDecode out;
    if (row.config == -1) return out;

    bool added = false;
    out.device = devices.Find(row.unit, added);
    if (out.device < 0) {
        out.log.push_back(StringPrintf("Can't add new device: %lu,%d\n",
                                       static_cast<unsigned long>(row.unit), row.config));
        return out;
    }
    if (added) {
        out.log.push_back(StringPrintf("Adding new device: %lu,%d\n",
                                       static_cast<unsigned long>(row.unit), row.config));
    }
    out.memory = devices.entry(out.device);

    std::string assignments;
    int count = FmsRuleCount(rules.rules, row.config);
    for (int i = 0; i < count; ++i) {
        int index = FmsRuleIndex(rules.rules, row.config, i);
        const DecodeRule& rule = rules.rules[static_cast<size_t>(index)];
        const DecodeChecks& checks = rules.checks[static_cast<size_t>(index)];
        RuleResult result = ApplyDecoderRule(rule, checks, row.frame, row.area, out.memory);
        if (!result.assign) continue;
        if (!assignments.empty()) assignments += ',';
        assignments += AssignmentSql(rule.column, FmsValueText(rule, result.value));
    }
    if (!assignments.empty()) out.statement = RowUpdateSql(assignments, row.id);
    return out;
}
