#include "decoder/decoder_status.h"

#include <gtest/gtest.h>

namespace {

TEST(DecoderStatus, FiveLabelsWithTheirValues) {
    DecoderStatus s;
    s.utc.tm_year = 2026 - 1900;
    s.utc.tm_mon = 11;
    s.utc.tm_mday = 9;
    s.utc.tm_hour = 7;
    s.utc.tm_min = 3;
    s.utc.tm_sec = 9;
    s.devices = 20000;
    s.recordNo = 4294967296u;  // past 32 bits: locdata ids end there, the progress does not
    s.processed = 12;
    EXPECT_EQ(FormatStatusRows(DecoderStatusRows(s), kDecoderLabelWidth),
              "Current date:              2026-12-09\n"
              "Current time:              07:03:09\n"
              "Dedected devices           20000\n"
              "Actual record id:          4294967296\n"
              "Total processing records:  12\n");
}

}  // namespace
