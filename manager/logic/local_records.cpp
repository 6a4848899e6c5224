#include "manager/logic/local_records.h"

#include <algorithm>
#include <cstdio>

#include "manager/logic/serial_requests.h"

ArchiveRange LocalArchiveRange(uint32_t total, long long count) {
    if (count <= 0) return {};
    uint32_t records =
        count >= static_cast<long long>(total) ? total : static_cast<uint32_t>(count);
    return {total - records, records};
}

std::string LocalRecordLine(std::span<const uint8_t> record) {
    return SerialRecordHex(record.first(std::min<size_t>(record.size(), kRecordSize))) + "\r\n";
}

int LocalUnreadProgress(int records) {
    return (records % 11) * 10;
}

std::string LocalUploadProgress(int block, int count) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", (block + 1) * 100.0 / count);
    return text;
}

std::vector<uint8_t> LocalImageSlice(std::span<const uint8_t> image, size_t offset, size_t size) {
    std::vector<uint8_t> slice(size, 0xFF);
    for (size_t i = 0; i < size && offset + i < image.size(); ++i) slice[i] = image[offset + i];
    return slice;
}

int LocalDallasBlockCount(size_t size) {
    return size == 0 ? 0 : static_cast<int>((size - 1) / kUploadBlockSize + 1);
}

std::span<const uint8_t> LocalDallasBlock(std::span<const uint8_t> data, int k) {
    size_t from = static_cast<size_t>(k) * kUploadBlockSize;
    if (k < 0 || from >= data.size()) return {};
    return data.subspan(from, std::min<size_t>(kUploadBlockSize, data.size() - from));
}
