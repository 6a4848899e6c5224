#include "decoder/decoder_status.h"

#include "common/text_format.h"

std::vector<StatusRow> DecoderStatusRows(const DecoderStatus& s) {
    return {
        {"Current date:",
         StringPrintf("%04d-%02d-%02d", s.utc.tm_year + 1900, s.utc.tm_mon + 1, s.utc.tm_mday)},
        {"Current time:",
         StringPrintf("%02d:%02d:%02d", s.utc.tm_hour, s.utc.tm_min, s.utc.tm_sec)},
        {"Dedected devices", StringPrintf("%lu", s.devices)},
        {"Actual record id:", StringPrintf("%llu", static_cast<unsigned long long>(s.recordNo))},
        {"Total processing records:", StringPrintf("%lu", s.processed)},
    };
}
