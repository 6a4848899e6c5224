#pragma once
// Decoding the location element frames of a unit's line (1..29, the GPS
// date frame 39 and the compact PICO record 66) into its LocationRecord.
// The record is never cleared here: each frame overwrites only its own
// fields and sets its presence bit, so a row carries the latest value of
// every group received so far.

#include <cstdint>

#include "common/base64_reader.h"
#include "common/location_record.h"

inline constexpr int kFrameGpsDate = 39;
inline constexpr int kFramePicoRecord = 66;

// A GPS date and time that failed the check; the caller logs it.
struct GpsDateError {
    bool bad = false;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// True for the identifiers DecodeLocationFrame handles.
bool IsLocationFrame(int id);

// Decodes one frame whose identifier and length byte were already read; the
// reader stands at its payload. Returns the date error to log, if any.
GpsDateError DecodeLocationFrame(int id, int length, Base64Reader& reader, LocationRecord& record);

// Packed DD*10^7 + MM.MMMMM*10^5 into degrees and minutes (both negative for
// a negative raw value).
void SplitCoordinate(int32_t raw, int32_t& degrees, float& minutes);

// hhmmsscc with day, month, year: hours <= 23, minutes and seconds <= 59,
// 2000 <= year <= 2099, a real day of the month (29 February in every year
// divisible by 4).
bool GpsDateValid(uint32_t time, int day, int month, int year);

// Checks the date of a record's GPS group unless its year is 0; a bad date
// clears the year (the store then leaves the date out) and is returned.
GpsDateError CheckGpsDate(uint32_t time, int day, int month, int32_t& year);
