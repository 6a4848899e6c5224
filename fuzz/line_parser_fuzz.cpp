// Fuzz target: whatever text a unit or a datagram sends must parse without a
// crash, an overrun or undefined behaviour, and the statement built from the
// resulting record must stay well formed (every text value quoted).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "server/device/line_parser.h"
#include "server/device/udp_packet.h"
#include "server/store/locdata_sql.h"

namespace {

DecodeTable MakeRules() {
    DecodeTable table{};
    const struct {
        const char* column;
        int real, method, first, count, shift, bits;
    } rules[] = {{"a", 1, 0, 0, 2, 0, 16},
                 {"b", 0, 1, 19, 4, 35, 40},
                 {"c", 1, 0, 30, 4, -3, 7},
                 {"d", 0, 7, 0, 1, 0, 8},
                 {"e", 1, 0, 5, 1, 0, 0}};
    size_t i = 0;
    for (const auto& r : rules) {
        DecodeRule& rule = table[i++];
        rule.used = true;
        std::strcpy(rule.column, r.column);
        rule.real_value = r.real;
        rule.fms_config = 1;
        rule.method = r.method;
        rule.first_byte = r.first;
        rule.byte_count = r.count;
        rule.shift = r.shift;
        rule.bit_count = r.bits;
        rule.factor = 1e30f;
        rule.add = -1e30f;
    }
    return table;
}

std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\'' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const DecodeTable table = MakeRules();
    std::string line(reinterpret_cast<const char*>(data), size);

    LocationRecord record{};
    LineFrames frames;
    if (ParseDeviceLine(line.c_str(), frames, record) == LineParse::kParsed) {
        record.fmsconfig = 1;
        std::tm now{};
        LocdataStatement statement = BuildLocdataInsert(record, 1, now, table, Escape);
        if (statement.sql.back() != ')') __builtin_trap();
    }

    std::string identifier;
    std::string rest;
    if (DecodeUdpDatagram(line.c_str(), identifier, rest) && identifier.size() > 16)
        __builtin_trap();
    return 0;
}
