#include "decoder/decoder_config.h"

#include <algorithm>

#include "common/config_file.h"
#include "common/text_format.h"

namespace {

// The file's fixed order; there are no defaults and no other order.
const ConfigKey<DecoderConfig> kKeys[] = {
    {"LOG_FILE", nullptr, &DecoderConfig::logFile},
    {"SQL_DATABASE", nullptr, &DecoderConfig::sqlDatabase},
    {"SQL_HOST", nullptr, &DecoderConfig::sqlHost},
    {"SQL_USER", nullptr, &DecoderConfig::sqlUser},
    {"SQL_PASSWD", nullptr, &DecoderConfig::sqlPasswd},
    {"SQL_PORT", &DecoderConfig::sqlPort, nullptr},
    {"SQL_REQUESTS", &DecoderConfig::sqlRequests, nullptr},
    {"FMS_ITEMS", &DecoderConfig::fmsItems, nullptr},
};

}  // namespace

bool ParseDecoderConfig(const std::string& text, DecoderConfig& config, DecoderRules& rules) {
    ConfigLineCursor cursor(text);
    if (!ReadConfigKeys(cursor, kKeys, config)) return false;

    std::string line;
    for (DecodeRule& rule : rules.rules) rule.used = false;
    // FMS_ITEMS says how many lines follow; the file may hold more (they
    // are not read) but not fewer.
    int items = std::min(config.fmsItems, kDecodeRows);
    for (int i = 0; i < items; ++i) {
        if (!cursor.Next(line)) return false;
        if (line.size() > kConfigLineMax) return false;
        size_t row = static_cast<size_t>(i);
        if (!ParseDecoderLine(line.c_str(), rules.rules[row], rules.checks[row])) return false;
    }
    return true;
}

bool LoadDecoderConfig(const std::string& path, DecoderConfig& config, DecoderRules& rules) {
    std::string text;
    if (!ReadConfigFile(path, text)) return false;
    return ParseDecoderConfig(text, config, rules);
}

std::vector<std::string> DecoderEchoLines(const DecoderConfig& c, const DecoderRules& rules) {
    std::vector<std::string> lines;
    lines.push_back("Uruchomienie programu\n");
    lines.push_back(StringPrintf("LOG_FILE=%s\n", c.logFile.c_str()));
    lines.push_back(StringPrintf("SQL_DATABASE=%s\n", c.sqlDatabase.c_str()));
    lines.push_back(StringPrintf("SQL_HOST=%s\n", c.sqlHost.c_str()));
    lines.push_back(StringPrintf("SQL_USER=%s\n", c.sqlUser.c_str()));
    lines.push_back("SQL_PASSWD=***\n");
    lines.push_back(StringPrintf("SQL_PORT=%d\n", c.sqlPort));
    lines.push_back(StringPrintf("SQL_REQUESTS=%d\n", c.sqlRequests));
    int used = DecodeRulesUsed(rules.rules);
    for (int i = 0; i < used; ++i) {
        const DecodeRule& r = rules.rules[static_cast<size_t>(i)];
        const DecodeChecks& k = rules.checks[static_cast<size_t>(i)];
        lines.push_back(StringPrintf(
            "DECODE%d=%s,%d,%d,%d,%d,%d,%d,%d,%d,%f,%f,%d,%d,%f,%f,%f\n", i + 1, r.column,
            r.real_value, r.fms_config, r.method, r.first_byte, r.byte_count, r.shift, r.bit_count,
            k.keep_slot, static_cast<double>(r.add), static_cast<double>(r.factor), k.count_slot,
            k.ref_slot, static_cast<double>(k.low), static_cast<double>(k.high),
            static_cast<double>(k.substitute)));
    }
    return lines;
}
