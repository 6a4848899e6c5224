#include "common/ddd_layout.h"

#include "common/text_format.h"

namespace {

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

void PutCardRecordHeader(std::string& out, const CardRecordHeader& header) {
    out += static_cast<char>(header.fileId >> 8);
    out += static_cast<char>(header.fileId & 0xFF);
    out += static_cast<char>(header.appendix);
    out += static_cast<char>(header.length >> 8);
    out += static_cast<char>(header.length & 0xFF);
}

bool ReadCardRecordHeader(std::string_view bytes, CardRecordHeader& header) {
    if (bytes.size() < kCardRecordHeaderSize) return false;
    auto at = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    header.fileId = static_cast<uint16_t>((at(0) << 8) | at(1));
    header.appendix = at(2);
    header.length = static_cast<uint16_t>((at(3) << 8) | at(4));
    return true;
}

uint16_t DriverEntrySum(uint16_t fileId, uint8_t fileFlag, const uint8_t* content, size_t size) {
    uint16_t sum = fileFlag != 0 ? static_cast<uint16_t>(~fileId) : fileId;
    for (size_t i = 0; i < size; ++i) sum = static_cast<uint16_t>(sum + content[i]);
    return sum;
}

DriverFileResult AssembleDriverFile(const uint8_t* upload) {
    DriverFileResult result;
    std::string& out = result.file;
    size_t offset = kDriverContentOffset;
    for (size_t i = 0; i < kDriverDirectoryEntries; ++i) {
        const uint8_t* entry = upload + i * kDriverDirectoryEntrySize;
        uint16_t fileId = Le16(entry);
        uint8_t flag = entry[2];
        uint16_t size = Le16(entry + 3);
        uint16_t crcc = Le16(entry + 5);
        result.log.push_back(
            StringPrintf("FileID=%04x FileFlag=%02x FileSize=%d FileCrcc=%04x Offset=%d\n", fileId,
                         flag, size, crcc, static_cast<int>(offset)));
        if (out.size() + kCardRecordHeaderSize > kDriverFileBytes) {
            result.log.push_back(StringPrintf("ESM_FILE=ERR#%d\n", static_cast<int>(out.size())));
            out.clear();
            return result;
        }
        PutCardRecordHeader(out, CardRecordHeader{fileId, flag, size});
        // The content must fit the output and also lie inside the upload: the
        // contents start at 256 while the output has only 5 bytes per entry
        // before them, so a directory whose sizes fit the output can still
        // point past the end of the upload.
        if (out.size() + size > kDriverFileBytes || offset + size > kDriverFileBytes) {
            result.log.push_back(StringPrintf("ESM_FILE=ERR#%d\n", static_cast<int>(out.size())));
            out.clear();
            return result;
        }
        uint16_t sum = DriverEntrySum(fileId, flag, upload + offset, size);
        out.append(reinterpret_cast<const char*>(upload + offset), size);
        offset += size;
        if (sum != crcc) {
            result.log.push_back(StringPrintf("ESM_FILE=ERR#%04x-%04x\n", sum, crcc));
            out.clear();
            return result;
        }
    }
    result.ok = true;
    return result;
}
