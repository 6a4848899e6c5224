#pragma once
// The decoder's status display: the UTC date and time, the units in its
// table, the current record id and the rows updated, redrawn once a second
// on the shared headless status screen.

#include <cstdint>
#include <ctime>
#include <vector>

#include "common/status_screen.h"

inline constexpr const char* kDecoderCaption = "VimkoDecoder ver. 2.002.208";
inline constexpr int kDecoderLabelWidth = 27;

struct DecoderStatus {
    std::tm utc{};
    unsigned long devices = 0;    // units taken into the table
    uint64_t recordNo = 0;        // current record id
    unsigned long processed = 0;  // rows updated
};

std::vector<StatusRow> DecoderStatusRows(const DecoderStatus& status);
