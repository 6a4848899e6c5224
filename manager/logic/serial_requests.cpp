#include "manager/logic/serial_requests.h"

#include <cstdio>

#include "manager/logic/serial_frame.h"

namespace {

std::string Format(const char* format, int n) {
    char text[32];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

std::vector<uint8_t> Request(uint8_t sequence, uint8_t command, int item,
                             std::span<const uint8_t> data) {
    FrameHeader h;
    h.sequence = sequence;
    h.command = command;
    h.item = static_cast<uint8_t>(item);
    return SerialBuildFrame(h, data);
}

std::vector<uint8_t> Upload(uint8_t sequence, uint8_t command, int block,
                            std::span<const uint8_t> data) {
    FrameHeader h;
    h.mark = kMarkUpload;
    h.block = static_cast<uint8_t>(block % 248 + 1);
    h.sequence = sequence;
    h.command = command;
    h.item = static_cast<uint8_t>(block / 248 + 50);
    return SerialBuildFrame(h, data);
}

}  // namespace

char SerialTextGroup(int tab) {
    switch (tab) {
        case 0:
            return '1';
        case 2:
            return '5';
        case 6:
            return '6';
        default:
            return 0;
    }
}

int SerialTextValueCount(int tab) {
    switch (tab) {
        case 0:
            return 29;
        case 2:
            return 41;
        case 6:
            return 16;
        default:
            return 0;
    }
}

std::string SerialPinBody(std::string_view pin) {
    return "$PIN," + std::string(pin);
}

std::string SerialGetBody(char group, int nn) {
    return "$GET" + std::string(1, group) + Format("%02d", nn) + "*";
}

std::string SerialSetBody(char group, int nn, std::string_view value) {
    if (value.empty()) return "$CLR" + std::string(1, group) + Format("%02d", nn) + "*";
    return "$SET" + std::string(1, group) + Format("%02d", nn) + "," + std::string(value) + "*";
}

std::string SerialDistanceBody(std::string_view value) {
    return "$SET300," + std::string(value);
}

std::string SerialClearBody() {
    return "$SET301";
}

int SerialTextMonitorCode(int step) {
    if (step >= 1 && step <= 17) return 199 + step;
    if (step == 18) return 221;
    if (step == 19) return 222;
    return -1;
}

std::string SerialTextMonitorBody(int step) {
    return Format("$GET%d*", SerialTextMonitorCode(step));
}

std::string SerialFirmwareTextBody(int line, std::span<const uint8_t> bytes, uint32_t sum) {
    std::string body = Format("$FIRM%d,", line);
    for (uint8_t b : bytes) body += Format("%02X", b);
    char tail[16];
    std::snprintf(tail, sizeof tail, ",%X*", sum);
    return body + tail;
}

uint32_t SerialFirmwareTextSum(uint32_t sum, int line, std::span<const uint8_t> bytes, bool cpu2) {
    for (uint8_t b : bytes) sum += b;
    if (cpu2 && line % 4 == 0) sum += static_cast<uint32_t>(line / 4 + 1);
    return sum;
}

int SerialBlockItem(int deviceType, int tab) {
    if (tab < 0 || tab > 8) return -1;
    if (deviceType == kSerialVimko3) return 90 + tab;
    if (deviceType == kSerialVimko2 && tab != 1 && tab != 8) return 50 + tab;
    return -1;
}

std::vector<uint8_t> SerialPinField(std::string_view pin) {
    std::vector<uint8_t> field(kPinSize, 0);
    for (size_t i = 0; i < pin.size() && i < field.size(); ++i)
        field[i] = static_cast<uint8_t>(pin[i]);
    return field;
}

std::vector<uint8_t> SerialReadBlockFrame(uint8_t sequence, int item, std::string_view pin) {
    return Request(sequence, kCmdRead, item, SerialPinField(pin));
}

std::vector<uint8_t> SerialMonitorFrame(uint8_t sequence, int item) {
    return Request(sequence, kCmdRead, item, {});
}

std::vector<uint8_t> SerialWriteBlockFrame2(uint8_t sequence, int item, std::string_view pin,
                                            std::span<const uint8_t> block) {
    std::vector<uint8_t> data = SerialPinField(pin);
    data.insert(data.end(), block.begin(), block.end());
    return Request(sequence, kCmdWrite, item, data);
}

std::vector<uint8_t> SerialWriteBlockFrame3(uint8_t sequence, int item, std::string_view pin,
                                            std::span<const uint8_t> imei,
                                            std::span<const uint8_t> block) {
    std::vector<uint8_t> data = SerialPinField(pin);
    for (int i = 0; i < kImeiBytes; ++i)
        data.push_back(static_cast<size_t>(i) < imei.size() ? imei[i] : 0);
    data.insert(data.end(), block.begin(), block.end());
    return Request(sequence, kCmdWrite, item, data);
}

std::vector<uint8_t> SerialDistanceFrame(uint8_t sequence, std::string_view pin,
                                         uint32_t distance) {
    std::vector<uint8_t> data = SerialPinField(pin);
    SerialPutLE(data, distance, 4);
    return Request(sequence, kCmdService, kItemDistance, data);
}

std::vector<uint8_t> SerialClearFrame(uint8_t sequence, std::string_view pin) {
    return Request(sequence, kCmdService, kItemClearMemory, SerialPinField(pin));
}

std::vector<uint8_t> SerialArchiveCountFrame(uint8_t sequence) {
    return Request(sequence, kCmdArchive, kItemArchiveCount, {});
}

std::vector<uint8_t> SerialArchiveRecordFrame(uint8_t sequence, uint32_t record) {
    std::vector<uint8_t> data;
    SerialPutLE(data, record, 4);
    return Request(sequence, kCmdArchive, kItemArchiveRecord, data);
}

std::vector<uint8_t> SerialUnreadFrame(uint8_t sequence) {
    return Request(sequence, kCmdArchive, kItemUnreadRecord, {});
}

std::vector<uint8_t> SerialFirmwareFrame(uint8_t sequence, int block,
                                         std::span<const uint8_t> bytes, uint32_t sum) {
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    SerialPutLE(data, sum, 4);
    return Upload(sequence, kCmdFirmware, block, data);
}

std::vector<uint8_t> SerialDallasBlockFrame(uint8_t sequence, int k,
                                            std::span<const uint8_t> bytes) {
    return Upload(sequence, kCmdDallasData, k, bytes);
}

std::vector<uint8_t> SerialDallasCloseFrame(uint8_t sequence, int n, int dataType, uint32_t value) {
    std::vector<uint8_t> data;
    SerialPutLE(data, value, 4);
    return Upload(sequence, static_cast<uint8_t>(kCmdDallasData + dataType), n, data);
}

std::string SerialRecordHex(std::span<const uint8_t> record) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(record.size() * 2);
    for (uint8_t b : record) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}
