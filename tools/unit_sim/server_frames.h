#pragma once
// Decoding what the server sends to a unit. The server puts one frame on each
// line and most of its frames carry 0 in the length byte, so the payload size
// comes from the identifier (table in server_frames.cpp); the length byte is
// used only where the server fills it in.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace unit_sim {

// Frame identifiers, server to unit.
enum ServerFrameId : uint8_t {
    kServerAck = 38,
    kServerNack = 41,
    kVehicleMessage = 43,
    kTunnelClosed = 114,
    kTunnelFromFarEnd = 115,
    kDownloadRequest = 128,
    kDownloadRequestLong = 144,
};

struct ServerFrame {
    uint8_t id = 0;
    uint8_t length_byte = 0;
    std::string payload;
    bool truncated = false;  // the line ended before the payload the id needs
};

// Decodes one line (Base64 text; the terminator and anything after the first
// character outside the alphabet are ignored) into its frames.
std::vector<ServerFrame> ParseServerLine(std::string_view text);

// How a unit has to react to a frame.
enum class RequestKind {
    kNone,      // 38, 41, relay replies: nothing to answer
    kMessage,   // 43: ack 37 or refuse 44
    kDownload,  // 128, 144: ack 37 or refuse 44
    kWrite,     // parameter writes, recovery, distance, firmware: 37 or 44
    kRead,      // read request: answer with the frame of the same identifier
    kTunnel,    // 114, 115: ack 37 (the server holds the unit until then)
};
RequestKind ClassifyServerFrame(uint8_t id);

// True for identifiers whose answer is a 256-byte text block, a counted
// binary block, or a short fixed answer (35, 57, 69, 133).
bool IsTextBlockId(uint8_t id);
bool IsBinaryBlockId(uint8_t id);

// Frame 38 with a time payload: seconds since 1970 (low 32 bits).
std::optional<uint32_t> AckServerTime(const ServerFrame& frame);

struct VehicleMessage {
    std::string address;  // up to 16 characters
    std::string text;     // up to 150 characters
};
std::optional<VehicleMessage> ParseVehicleMessage(const ServerFrame& frame);

struct DownloadRequest {
    bool long_form = false;  // frame 144
    uint32_t row_id = 0;     // korvalen row (144 only)
    uint32_t code = 0;
};
std::optional<DownloadRequest> ParseDownloadRequest(const ServerFrame& frame);

// Frames with a u16 count and that many bytes (115, 147, 149, odd block
// writes 81..97): the bytes, cut to what the frame holds.
std::optional<std::string> CountedData(const ServerFrame& frame);

// Upper-case hexadecimal of `bytes`, two digits per byte.
std::string Hex(std::string_view bytes);

}  // namespace unit_sim
