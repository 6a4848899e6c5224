#pragma once
// The text of each monitoring row, built from a unit's monitor answer.
//
// A binary answer's data carries the payload of the matching location
// element, decoded by the same code the server uses for unit lines; the
// fields whose stored form is converted (packed coordinates, analogue
// scales, counters kept as float) are shown from their raw numbers. A
// Vimko-1 text answer's numbers are packed into the same element payload
// first, so both generations go through one formatter.
//
// A value may end with LF "Icon=" and a figure 0..2: the state icon.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Monitor item codes of binary requests (command 40).
inline constexpr int kMonitorModule = 60;
inline constexpr int kMonitorServerTime = 73;
inline constexpr int kMonitorMems = 75;

// The texts of the module item's state bytes.
const char* MonitorGsmState(unsigned value);
const char* MonitorMode(unsigned value);
const char* MonitorLinkState(unsigned value);
// The module icon: GPRS mode and link "TCP_CONNECTED" 0, other GPRS 1, SMS 2, else 1.
int MonitorModuleIcon(unsigned mode, unsigned link);

// The row value of a binary answer with item `code` and its data; `length`
// is the frame's L. Empty for codes without a row.
std::string MonitorValueText(int code, int length, std::span<const uint8_t> data);

// Numbers in the shortest decimal form ("12.3", "0.0078125", "52").
std::string MonitorNumber(double value);

// What a Vimko-1 "$ANS2nn," line gives: the row it fills (-1: none; 200 and
// 201 only keep data for 202) and its value text.
struct MonitorTextState {
    std::string imei, ccid;         // from "$ANS200,"
    std::string version = "0.0.0";  // from "$ANS201,"
};
struct MonitorTextResult {
    int item = -1;
    std::string text;
};
MonitorTextResult MonitorDecodeTextAnswer(std::string_view line, MonitorTextState& state);

// The IMEI and SIM number shown by a module text (for the label printer).
bool MonitorModuleIds(std::span<const uint8_t> data, std::string& imei, std::string& ccid);
