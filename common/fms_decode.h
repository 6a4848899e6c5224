#pragma once
// Cutting values out of a unit's raw vehicle-bus (FMS) bytes by the decode
// rules. The FMS area is 32 bytes: fmsdata (0..19) and fmsdataex (20..31);
// bytes 20..31 exist only while the record's fmsdataex group is present, and
// a byte that does not exist reads as 0xFF ("not available").

#include <cstdint>

#include "common/decode_rule.h"
#include "common/location_record.h"

inline constexpr uint32_t kPresentFmsDataEx = 1u << 17;
inline constexpr uint32_t kPresentFms = 1u << 18;

// Byte k of the FMS area.
uint8_t FmsByte(const LocationRecord& record, int k);

// Number of rules of FMS configuration `config`, up to the first unused row.
int FmsRuleCount(const DecodeTable& table, int config);

// The i-th rule (0-based, in table order) of configuration `config`, or null.
const DecodeRule* FmsRuleAt(const DecodeTable& table, int config, int i);

// The rule's bytes hold a value: width 1, 2 or 4 and not all 0xFF.
bool FmsRuleValid(const DecodeRule& rule, const LocationRecord& record);

// The rule's value: raw * factor + add, or 0 for an unusable method or width.
double FmsRuleValue(const DecodeRule& rule, const LocationRecord& record);
