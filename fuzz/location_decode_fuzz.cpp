// Fuzz target: any payload of any location element frame must decode
// without a crash, an overrun or undefined behaviour, and the record must
// come out consistent: a GPS date it keeps passed the date check, decoding
// is deterministic, and each numbered element frame marks a group present.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/base64_reader.h"
#include "common/base64_writer.h"
#include "common/location_decode.h"

namespace {

// The identifiers the decoder handles, chosen by the input's first byte.
int FrameId(uint8_t pick) {
    static const int kIds[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                               17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 39, 66};
    return kIds[pick % (sizeof kIds / sizeof kIds[0])];
}

LocationRecord Decode(int id, int length, const std::string& text, GpsDateError& error) {
    LocationRecord record;
    std::memset(&record, 0, sizeof record);
    Base64Reader reader(text.c_str());
    error = DecodeLocationFrame(id, length, reader, record);
    return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    int id = FrameId(data[0]);
    int length = data[1];
    Base64Writer writer;
    writer.PutBytes(data + 2, size - 2);
    // Half the time the Base64 text is cut short, as a broken line is.
    std::string text = writer.Finish();
    if ((data[0] & 0x80) != 0 && !text.empty()) text.resize(text.size() / 2);

    GpsDateError error;
    LocationRecord record = Decode(id, length, text, error);
    if (record.year != 0 &&
        !GpsDateValid(static_cast<uint32_t>(record.time), record.day, record.month, record.year)) {
        __builtin_trap();  // an unchecked date would reach the database
    }
    if (error.bad && record.year != 0) __builtin_trap();
    // Every numbered element frame marks the column group it filled (frame
    // 15 fills the FMS group of frame 19).
    if (id <= 29 && record.present == 0) __builtin_trap();

    GpsDateError again;
    LocationRecord second = Decode(id, length, text, again);
    if (std::memcmp(&record, &second, sizeof record) != 0) __builtin_trap();
    return 0;
}
