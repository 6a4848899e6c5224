#include "tools/unit_sim/firmware_receiver.h"

namespace unit_sim {
namespace {

constexpr size_t kBlockBytes = 256;
constexpr size_t kAdapterDataBytes = 240;
constexpr int kShortImageBlocks = 480;
constexpr int kLongImageBlocks = 992;

uint32_t LE(const std::string& bytes, size_t offset, size_t size) {
    uint32_t v = 0;
    for (size_t i = 0; i < size && offset + i < bytes.size(); ++i) {
        v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[offset + i])) << (8 * i);
    }
    return v;
}

uint32_t ByteSum(const std::string& bytes) {
    uint32_t sum = 0;
    for (char c : bytes) sum += static_cast<uint8_t>(c);
    return sum;
}

}  // namespace

bool FirmwareReceiver::Handles(uint8_t id) {
    return id == 36 || id == 58 || id == 134 || id == 63;
}

void FirmwareReceiver::Fault(std::string& problem, bool& corrupt, const std::string& text) {
    if (!corrupt) problem = text;
    corrupt = true;
}

FirmwareReceiver::Reply FirmwareReceiver::Take(const ServerFrame& frame) {
    switch (frame.id) {
        case 36:
        case 58:
            return TakeBlock(frame);
        case 134:
            return TakeAdapterRecord(frame);
        case 63: {
            RawRecordReceived r;
            r.index = static_cast<int>(LE(frame.payload, 0, 2));
            r.flag = static_cast<int>(LE(frame.payload, 2, 1));
            size_t items = LE(frame.payload, 3, 2);
            r.items = frame.payload.substr(std::min<size_t>(5, frame.payload.size()), items);
            m_raw.push_back(std::move(r));
            return Reply::kAck;
        }
        default:
            return Reply::kNone;
    }
}

FirmwareReceiver::Reply FirmwareReceiver::TakeBlock(const ServerFrame& frame) {
    BlockUpload& u = m_blocks;
    int number = static_cast<int>(LE(frame.payload, 0, 2));
    if (number == 0) u = BlockUpload{};   // a new upload
    if (u.complete) return Reply::kNone;  // nothing is expected after the last block
    if (u.id != 0 && u.id != frame.id)
        Fault(u.problem, u.corrupt, "module and terminal blocks mixed");
    u.id = frame.id;
    if (frame.truncated || frame.payload.size() != 2 + kBlockBytes + 4) {
        Fault(u.problem, u.corrupt, "block " + std::to_string(number) + " truncated");
    }
    if (number != u.received) {
        Fault(u.problem, u.corrupt,
              "block " + std::to_string(number) + " where " + std::to_string(u.received) +
                  " was due");
    }
    std::string data = frame.payload.substr(2, kBlockBytes);
    uint32_t sent = LE(frame.payload, 2 + kBlockBytes, 4);
    u.checksum += ByteSum(data);
    if (u.blocks == 0) {
        // Only the 480-block image adds the block numbers: block 0 shows which.
        u.blocks = sent == u.checksum + 1 ? kShortImageBlocks : kLongImageBlocks;
    }
    if (u.blocks == kShortImageBlocks) u.checksum += static_cast<uint32_t>(number + 1);
    if (sent != u.checksum) {
        Fault(u.problem, u.corrupt,
              "block " + std::to_string(number) + " sum " + std::to_string(sent) + ", computed " +
                  std::to_string(u.checksum));
    }
    u.image += data;
    ++u.received;
    if (number != u.blocks - 1) return Reply::kNone;
    u.complete = true;
    if (u.received != u.blocks) Fault(u.problem, u.corrupt, "blocks missing");
    return u.corrupt ? Reply::kNack : Reply::kAck;
}

FirmwareReceiver::Reply FirmwareReceiver::TakeAdapterRecord(const ServerFrame& frame) {
    AdapterUpload& u = m_adapter;
    const std::string& p = frame.payload;
    int number = static_cast<int>(LE(p, 0, 2));
    if (number == 1) {
        u = AdapterUpload{};
        u.started = true;
        u.records.push_back(1);
        if (p.size() != 2) Fault(u.problem, u.corrupt, "start record with content");
        return Reply::kAck;
    }
    u.records.push_back(number);
    if (!u.started) Fault(u.problem, u.corrupt, "record before the start record");
    if (number == 2) {
        if (p.size() < 6) {
            Fault(u.problem, u.corrupt, "short file-name record");
            return Reply::kAck;
        }
        u.name = p.substr(2, p.size() - 6);
        u.size = LE(p, p.size() - 4, 4);
        return Reply::kAck;
    }
    int dataRecords = u.size == 0 ? 0 : static_cast<int>((u.size - 1) / kAdapterDataBytes + 1);
    int received = static_cast<int>(u.records.size()) - 3;  // data records before this one
    if (number == dataRecords + 3 && p.size() == 2) {
        if (received != dataRecords || u.image.size() != u.size) {
            Fault(u.problem, u.corrupt,
                  "activation after " + std::to_string(u.image.size()) + " of " +
                      std::to_string(u.size) + " bytes");
        }
        u.activated = !u.corrupt;
        return u.corrupt ? Reply::kNack : Reply::kAck;
    }
    if (number != received + 3) {
        Fault(u.problem, u.corrupt,
              "record " + std::to_string(number) + " where " + std::to_string(received + 3) +
                  " was due");
    }
    std::string data = p.substr(2);
    size_t due = number == dataRecords + 2 ? u.size - (dataRecords - 1) * kAdapterDataBytes
                                           : kAdapterDataBytes;
    if (data.size() != due) {
        Fault(
            u.problem, u.corrupt,
            "record " + std::to_string(number) + " with " + std::to_string(data.size()) + " bytes");
    }
    u.image += data;
    return Reply::kAck;
}

}  // namespace unit_sim
