#pragma once
// The console commands addressed to one unit: reads of its parameter
// blocks, writes of them (sent at once or stored as its offline
// configuration), recovery, distance, messages for its driver, download
// requests and the offline configuration report.

#include <string>
#include <vector>

using UnitCommandHandler = void (*)(int session, const std::string& args);

// The handler of a prefix command word, or null when the word has none.
UnitCommandHandler FindUnitCommand(const std::string& word);

// Splits argument text at ",": exactly `count` fields, none longer than 255
// characters. False otherwise.
bool SplitFields(const std::string& args, size_t count, std::vector<std::string>& fields);
