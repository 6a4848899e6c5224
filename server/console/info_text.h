#pragma once
// The texts of the console's information commands, built from snapshots of
// the tables and from the log file's contents. Pure.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

// One unit slot as `list` shows it.
struct DeviceListRow {
    int index = 0;
    int state = 0;  // 1 held, 2 active
    bool tcp = true;
    std::string protocol;  // "PICO", "OLD", "S-1", "S-2", "S-3"
    int typeCode = 0;
    std::string devId;
    std::string description;
    std::string address;
    int port = 0;
    std::tm loginTime{};
    unsigned long received = 0;
    unsigned long sent = 0;
    int offlineStatus = 0;
};

// One console session as the text-mode `list` shows it.
struct ConsoleListRow {
    int index = 0;
    std::string user;
    std::string address;
    int port = 0;
    bool binary = false;
};

// Text mode: the active units and the console sessions as two tables.
std::string FormatListText(const std::vector<DeviceListRow>& devices,
                           const std::vector<ConsoleListRow>& sessions);
// Binary mode: one "answer" line per held or active unit, then "done".
std::string FormatListBinary(const std::vector<DeviceListRow>& devices);

// The last `maxLog` lines of the log text (a line is read in pieces of at
// most 4095 characters, each counting as a line), CR LF ended, after the skip
// notice when lines were left out.
std::string FormatLogTail(const std::string& log, int maxLog);

// A select's result: the rule, the column names, the rule, the rows (a NULL
// prints as nothing) up to MAX_SELECT + 1 with the stop notice after it, the
// rule and the row count of the whole result.
struct SelectResult {
    std::vector<std::string> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
};
std::string FormatSelectResult(const SelectResult& result, int maxSelect);

// The longest argument text a `select` takes: "select " and the text must fit
// the 2047-character query buffer.
inline constexpr size_t kSelectArgsMax = 2047 - 7;
