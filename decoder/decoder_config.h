#pragma once
// The decoder's settings and its decode rules, read once from
// VimkoDecoder.cfg at start-up and read-only afterwards.
//
// The file: eight "KEY=value" lines in fixed order (LOG_FILE, SQL_DATABASE,
// SQL_HOST, SQL_USER, SQL_PASSWD, SQL_PORT, SQL_REQUESTS, FMS_ITEMS), then
// FMS_ITEMS decode lines of sixteen fields (at most 1000 are read; anything
// after them is not read at all).

#include <array>
#include <string>
#include <vector>

#include "common/decode_rule.h"

struct DecoderConfig {
    std::string logFile;  // LOG_FILE
    std::string sqlDatabase;
    std::string sqlHost;
    std::string sqlUser;
    std::string sqlPasswd;
    int sqlPort = 0;
    int sqlRequests = 0;  // SQL_REQUESTS: rows fetched per step
    int fmsItems = 0;     // FMS_ITEMS: decode lines that follow the keys
};

// The rules in file order: `rules[i]` extracts the value, `checks[i]` says
// what the decoder remembers and checks for it. The first row of `rules`
// without its used flag ends the table.
struct DecoderRules {
    DecodeTable rules{};
    std::array<DecodeChecks, kDecodeRows> checks{};
};

// Reads the whole configuration text. False on any deviation (a missing or
// unmatched key line, fewer decode lines than FMS_ITEMS, a decode line with
// fewer than sixteen fields); the outputs are then unspecified.
bool ParseDecoderConfig(const std::string& text, DecoderConfig& config, DecoderRules& rules);

// ParseDecoderConfig of the file at `path`; false when it cannot be read.
bool LoadDecoderConfig(const std::string& path, DecoderConfig& config, DecoderRules& rules);

// The start-up echo, one log message each with its line end:
// "Uruchomienie programu", the settings but FMS_ITEMS (the password only as
// "***"), then every rule in use as "DECODE<n>=" with its sixteen fields.
std::vector<std::string> DecoderEchoLines(const DecoderConfig& config, const DecoderRules& rules);
