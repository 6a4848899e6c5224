#include "info/ddd_walk.h"

#include <cstdint>

#include "common/ddd_layout.h"

namespace {

constexpr uint8_t kTransferStart = 0x76;
constexpr uint16_t kCardIdentification = 0x0520;
constexpr size_t kSignatureSize = 128;

constexpr uint16_t kCardFileIds[] = {0x0002, 0x0005, 0x0501, 0xC100, 0xC108, 0x0520,
                                     0x050E, 0x0521, 0x0502, 0x0503, 0x0504, 0x0505,
                                     0x0506, 0x0507, 0x0508, 0x0522};

bool IsCardFileId(uint16_t id) {
    for (uint16_t known : kCardFileIds) {
        if (known == id) return true;
    }
    return false;
}

// Appends the bytes of [from, to) of `element` that are in the file, the
// second range after a "_" and without spaces: the two halves of a name.
void TakeName(std::string_view element, size_t numberFrom, size_t numberTo, size_t nameFrom,
              size_t nameTo, std::string& name) {
    for (size_t i = numberFrom; i < numberTo && i < element.size(); ++i) name += element[i];
    if (element.size() <= nameFrom) return;
    name += '_';
    for (size_t i = nameFrom; i < nameTo && i < element.size(); ++i) {
        if (element[i] != ' ') name += element[i];
    }
}

// Reads counts inside a transfer and moves past the records they count. Any
// read beyond the end of the file marks the element as cut.
class TransferCursor {
  public:
    TransferCursor(std::string_view file, size_t start, size_t at)
        : m_file(file), m_pos(start + at) {}
    // A count of `width` bytes (big-endian), then that many records of `size`.
    void SkipCounted(int width, size_t size) {
        size_t count = 0;
        for (int i = 0; i < width; ++i) count = count * 256 + Byte();
        m_pos += count * size;
    }
    void Skip(size_t n) { m_pos += n; }
    size_t pos() const { return m_pos; }
    bool cut() const { return m_cut || m_pos > m_file.size(); }

  private:
    size_t Byte() {
        if (m_pos >= m_file.size()) {
            m_cut = true;
            ++m_pos;
            return 0;
        }
        return static_cast<uint8_t>(m_file[m_pos++]);
    }
    std::string_view m_file;
    size_t m_pos;
    bool m_cut = false;
};

// The end of the transfer of `type` starting at `start`, or 0 for an unknown
// type. `cut` tells whether the file ends inside it.
size_t TransferEnd(std::string_view file, size_t start, int type, bool& cut) {
    TransferCursor c(file, start, 0);
    switch (type) {
        case 1:  // overview
            c = TransferCursor(file, start, 493);
            c.SkipCounted(1, 98);  // company locks
            c.SkipCounted(1, 31);  // controls
            break;
        case 2:  // activities
            c = TransferCursor(file, start, 9);
            c.SkipCounted(2, 129);  // card insertions
            c.SkipCounted(2, 2);    // activity changes
            c.SkipCounted(1, 28);   // places
            c.SkipCounted(2, 5);    // specific conditions
            break;
        case 3:  // events and faults
            c = TransferCursor(file, start, 2);
            c.SkipCounted(1, 82);  // faults
            c.SkipCounted(1, 83);  // events
            c.Skip(9);             // over-speeding control data
            c.SkipCounted(1, 31);  // over-speeding events
            c.SkipCounted(1, 98);  // time adjustments
            break;
        case 4:  // detailed speed
            c = TransferCursor(file, start, 2);
            c.SkipCounted(2, 64);
            break;
        case 5:  // technical data
            c = TransferCursor(file, start, 138);
            c.SkipCounted(1, 167);  // calibrations
            break;
        default:
            return 0;
    }
    c.Skip(kSignatureSize);
    cut = c.cut();
    return c.pos();
}

}  // namespace

DddWalk WalkDdd(std::string_view file) {
    DddWalk walk;
    size_t pos = 0;
    while (pos < file.size()) {
        if (static_cast<uint8_t>(file[pos]) == kTransferStart) {
            if (pos + 1 >= file.size()) return walk;
            int type = static_cast<uint8_t>(file[pos + 1]);
            bool cut = false;
            size_t end = TransferEnd(file, pos, type, cut);
            if (end == 0) return walk;
            std::string_view element = file.substr(pos, end - pos);
            if (type == 1) TakeName(element, 390, 407, 409, 422, walk.name);
            if (cut) return walk;
            pos = end;
            continue;
        }
        CardRecordHeader header;
        if (!ReadCardRecordHeader(file.substr(pos), header)) return walk;
        if (!IsCardFileId(header.fileId)) return walk;
        size_t start = pos + kCardRecordHeaderSize;
        std::string_view data = file.substr(start, header.length);
        if (header.fileId == kCardIdentification && header.appendix == 0) {
            TakeName(data, 1, 17, 66, 101, walk.name);
        }
        if (data.size() < header.length) return walk;
        pos = start + header.length;
    }
    walk.complete = true;
    return walk;
}
