#pragma once
// The locdata insert for one location record: only the column groups whose
// presence bits are set, in a fixed group order, plus one column per FMS
// value the decode rules can extract. Pure: the time, the escaping and the
// decode log are supplied by the caller.

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/decode_rule.h"
#include "common/location_record.h"

using SqlEscaper = std::function<std::string(std::string_view)>;

struct LocdataStatement {
    std::string sql;
    // Log messages of the decode calls (DecodeCount, DecodeName, DecodeValue),
    // in the order the statement asked for them, each with its line end.
    std::vector<std::string> decodeLog;
};

LocdataStatement BuildLocdataInsert(const LocationRecord& record, uint32_t unitId,
                                    const std::tm& now, const DecodeTable& table,
                                    const SqlEscaper& escape);

// '%04d-%02d-%02d %02d:%02d:%02d' of a date and a hhmmsscc time (hundredths dropped).
std::string SqlGpsDateTime(int year, int month, int day, int32_t time);
// 'YYYY-MM-DD hh:mm:ss' of a broken-down UTC time.
std::string SqlDateTime(const std::tm& utc);
