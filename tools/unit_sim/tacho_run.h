#pragma once
// The tachograph conversations of one simulated unit, run step by step on an
// identified, connected SimUnit: a driver card upload (112 blocks, each
// waiting for its 38 or 41), a remote company download (wait for the
// server's request, reserve the card, relay authentication and data through
// the card server, stream the file, complete it) and one web service relay.
// Each call pumps the unit's socket itself, so it must run on the thread
// that owns the unit's receiving side.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/unit_sim/sim_unit.h"

namespace unit_sim {

struct TachoRunResult {
    bool ok = false;
    std::string error;               // what went wrong, when not ok
    std::vector<std::string> notes;  // one line per step, for the program's output
};

struct RemoteDownloadScript {
    std::string file;                   // the tachograph file to stream
    std::string auth = "AUTH-REQUEST";  // TachoAuth data
    std::string data = "DATA-REQUEST";  // TachoData data (mode 1, then mode 0)
    size_t chunk = 200;                 // file bytes per KorvData frame (at most 253)
    bool repeat_counter = true;         // send the first data frame twice, as after a lost ack
    std::chrono::milliseconds request_timeout{30000};  // waiting for frame 128 or 144
};

class TachoConversation {
  public:
    // Watches the unit's frames for the server's download request from now
    // on, so a request that arrives during another conversation is not missed.
    explicit TachoConversation(SimUnit& unit);

    // Sends the identification and waits for its acknowledgement.
    TachoRunResult Identify(std::chrono::milliseconds timeout);

    // Uploads `upload` (112 x 256 bytes) as frames 56, blocks 0 to 111.
    TachoRunResult UploadDriverCard(const std::string& upload, std::chrono::milliseconds timeout);

    // Waits for the server's download request (the answer policy acknowledges
    // it), then runs the download. Fails when the card is busy (41 after
    // KorvNotify 0) or the card server exchange is refused.
    TachoRunResult RemoteDownload(const RemoteDownloadScript& script,
                                  std::chrono::milliseconds timeout);

    // Frame 130 with `counter` and `text`; ok when frame 131 comes back, its
    // counter and body in the notes.
    TachoRunResult WebRelay(uint16_t counter, const std::string& text,
                            std::chrono::milliseconds timeout);

  private:
    SimUnit& m_unit;
    std::optional<ServerFrame> m_request;  // latest download request not yet run
};

}  // namespace unit_sim
