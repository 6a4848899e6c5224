#include "tools/unit_sim/server_frames.h"

#include <algorithm>

#include "common/base64_writer.h"
#include "common/block_frames.h"

namespace unit_sim {
namespace {

constexpr size_t kMessagePayload = 16 + 150;
constexpr size_t kTextBlock = 256;
constexpr size_t kFirmwareBlock = 2 + 256 + 4;  // block number, image bytes, checksum

bool IsOddBlockWrite(uint8_t id) {
    return id >= 81 && id <= 97 && id % 2 == 1;
}

bool IsTextBlockWrite(uint8_t id) {
    switch (id) {
        case 34:
        case 51:
        case 53:
        case 55:
        case 60:
        case 62:
        case 68:
        case 75:
            return true;
        default:
            return false;
    }
}

bool IsShortAnswerId(uint8_t id) {
    return id == 35 || id == 57 || id == 69 || id == 133;
}

uint32_t LE(std::string_view bytes, size_t offset, size_t size) {
    uint32_t v = 0;
    for (size_t i = 0; i < size && offset + i < bytes.size(); ++i) {
        v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[offset + i])) << (8 * i);
    }
    return v;
}

// Text of a fixed field: up to its first NUL.
std::string FieldText(std::string_view bytes, size_t offset, size_t size) {
    if (offset >= bytes.size()) return {};
    std::string_view field = bytes.substr(offset, size);
    return std::string(field.substr(0, field.find('\0')));
}

// Payload bytes the frame `id` needs, given its length byte and what is left
// of the line after the length byte.
size_t PayloadSize(uint8_t id, uint8_t length_byte, std::string_view rest) {
    if (IsOddBlockWrite(id) || id == kTunnelFromFarEnd || id == 147 || id == 149) {
        return 2 + LE(rest, 0, 2);
    }
    if (IsTextBlockWrite(id)) return kTextBlock;
    if (ClassifyServerFrame(id) == RequestKind::kRead) return 0;
    switch (id) {
        case kServerAck:
            // Empty, or the server time; which one the server sends shows in
            // the length byte when it fills it in, otherwise in what is left.
            if (length_byte != 0) return length_byte;
            return rest.size() == 4 ? 4 : 0;
        case kServerNack:
        case kTunnelClosed:
            return 0;
        case kVehicleMessage:
            return kMessagePayload;
        case 46:  // recovery: count u16
            return 2;
        case 47:  // distance: value u32
            return 4;
        case 63:  // raw firmware record: index u16, flag u8, item count u16, items
            return 5 + LE(rest, 3, 2);
        case 36:  // module and terminal firmware blocks
        case 58:
            return kFirmwareBlock;
        default:
            // 128, 131, 134, 144 carry their true length; for anything else
            // without one the rest of the line is taken.
            return length_byte != 0 ? length_byte : rest.size();
    }
}

}  // namespace

std::vector<ServerFrame> ParseServerLine(std::string_view text) {
    std::string owned(text);
    std::string bytes = DecodeBase64(owned.c_str());
    std::string_view rest = bytes;
    std::vector<ServerFrame> frames;
    while (!rest.empty()) {
        ServerFrame f;
        f.id = static_cast<uint8_t>(rest[0]);
        rest.remove_prefix(1);
        if (!rest.empty()) {
            f.length_byte = static_cast<uint8_t>(rest[0]);
            rest.remove_prefix(1);
        }
        size_t need = PayloadSize(f.id, f.length_byte, rest);
        size_t take = std::min(need, rest.size());
        f.truncated = take < need;
        f.payload.assign(rest.substr(0, take));
        rest.remove_prefix(take);
        frames.push_back(std::move(f));
    }
    return frames;
}

bool IsTextBlockId(uint8_t id) {
    return IsTextBlockFrame(id);
}

bool IsBinaryBlockId(uint8_t id) {
    return IsBinaryBlockFrame(id);
}

RequestKind ClassifyServerFrame(uint8_t id) {
    if (IsTextBlockId(id) || IsBinaryBlockId(id) || IsShortAnswerId(id)) return RequestKind::kRead;
    if (IsTextBlockWrite(id) || IsOddBlockWrite(id)) return RequestKind::kWrite;
    switch (id) {
        case kVehicleMessage:
            return RequestKind::kMessage;
        case kDownloadRequest:
        case kDownloadRequestLong:
            return RequestKind::kDownload;
        case 36:   // module firmware block
        case 46:   // recovery
        case 47:   // distance
        case 58:   // terminal firmware block
        case 63:   // raw firmware record
        case 134:  // adapter firmware record
            return RequestKind::kWrite;
        case kTunnelClosed:
        case kTunnelFromFarEnd:
            return RequestKind::kTunnel;
        default:
            return RequestKind::kNone;
    }
}

std::optional<uint32_t> AckServerTime(const ServerFrame& frame) {
    if (frame.id != kServerAck || frame.payload.size() < 4) return std::nullopt;
    return LE(frame.payload, 0, 4);
}

std::optional<VehicleMessage> ParseVehicleMessage(const ServerFrame& frame) {
    if (frame.id != kVehicleMessage) return std::nullopt;
    return VehicleMessage{FieldText(frame.payload, 0, 16), FieldText(frame.payload, 16, 150)};
}

std::optional<DownloadRequest> ParseDownloadRequest(const ServerFrame& frame) {
    if (frame.id == kDownloadRequest) {
        if (frame.payload.empty()) return std::nullopt;
        return DownloadRequest{false, 0, LE(frame.payload, 0, 1)};
    }
    if (frame.id == kDownloadRequestLong) {
        if (frame.payload.size() < 6) return std::nullopt;
        return DownloadRequest{true, LE(frame.payload, 0, 4), LE(frame.payload, 4, 2)};
    }
    return std::nullopt;
}

std::optional<std::string> CountedData(const ServerFrame& frame) {
    if (frame.payload.size() < 2) return std::nullopt;
    size_t count = LE(frame.payload, 0, 2);
    return frame.payload.substr(2, count);
}

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        auto b = static_cast<uint8_t>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

}  // namespace unit_sim
