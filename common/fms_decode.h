#pragma once
// Cutting values out of a unit's raw vehicle-bus (FMS) bytes by the decode
// rules. The FMS area is 32 bytes: fmsdata (0..19) and fmsdataex (20..31).
// The server decodes a record as the unit sent it: bytes 20..31 exist only
// while the record's fmsdataex group is present, and a byte that does not
// exist reads as 0xFF ("not available"). The batch decoder decodes stored
// rows, whose 32 bytes are all there (a NULL column gives zero bytes), so it
// hands the area over directly. An index outside the area reads as 0xFF.

#include <array>
#include <cstdint>
#include <string>

#include "common/decode_rule.h"
#include "common/location_record.h"

inline constexpr uint32_t kPresentFmsDataEx = 1u << 17;
inline constexpr uint32_t kPresentFms = 1u << 18;
inline constexpr int kFmsAreaLength = kFmsDataLength + kFmsDataExLength;

using FmsArea = std::array<uint8_t, kFmsAreaLength>;

// Byte k of the FMS area.
uint8_t FmsByte(const LocationRecord& record, int k);
uint8_t FmsByte(const FmsArea& area, int k);

// The record's 32 bytes as the server reads them (0xFF where absent).
FmsArea FmsAreaOf(const LocationRecord& record);

// Number of rules of FMS configuration `config`, up to the first unused row.
int FmsRuleCount(const DecodeTable& table, int config);

// Table index of the i-th rule (0-based, in table order) of configuration
// `config`, or -1. Tables that keep more per rule than DecodeRule (the batch
// decoder's checks) find their own row with it.
int FmsRuleIndex(const DecodeTable& table, int config, int i);

// The i-th rule of configuration `config`, or null.
const DecodeRule* FmsRuleAt(const DecodeTable& table, int config, int i);

// The rule's bytes hold a value: width 1, 2 or 4 and not all 0xFF.
bool FmsRuleValid(const DecodeRule& rule, const FmsArea& area);
bool FmsRuleValid(const DecodeRule& rule, const LocationRecord& record);

// The rule's value: raw * factor + add, or 0 for an unusable method or width.
double FmsRuleValue(const DecodeRule& rule, const FmsArea& area);
double FmsRuleValue(const DecodeRule& rule, const LocationRecord& record);

// An FMS value in an integer column: truncated toward zero, and kept within
// 64 bits so an absurd rule cannot produce an undefined conversion.
long long FmsTruncated(double value);

// The value as a statement writes it: "%f" when the rule's real_value is 1,
// otherwise "%lld" of FmsTruncated. A real value that is not finite (a rule
// with an infinite factor) is written as NULL: "inf" or "nan" would make the
// whole statement fail.
std::string FmsValueText(const DecodeRule& rule, double value);
