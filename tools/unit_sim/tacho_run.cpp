#include "tools/unit_sim/tacho_run.h"

#include <algorithm>
#include <initializer_list>
#include <optional>

#include "tools/unit_sim/tacho_files.h"

namespace unit_sim {
namespace {

using Clock = std::chrono::steady_clock;

// Reads lines until one holds a frame of `wanted`; nullopt after `timeout`.
std::optional<ServerFrame> WaitFor(SimUnit& unit, std::initializer_list<uint8_t> wanted,
                                   std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        std::optional<std::string> line = unit.ReceiveLine(left);
        if (!line) return std::nullopt;
        for (const ServerFrame& f : ParseServerLine(*line)) {
            if (std::find(wanted.begin(), wanted.end(), f.id) != wanted.end()) return f;
        }
    }
}

// Sends one line and waits for 38 or 41 (or another frame of `wanted`).
std::optional<ServerFrame> Exchange(SimUnit& unit, const std::string& frame,
                                    std::initializer_list<uint8_t> wanted,
                                    std::chrono::milliseconds timeout) {
    if (!unit.SendLine({frame})) return std::nullopt;
    return WaitFor(unit, wanted, timeout);
}

TachoRunResult Failed(TachoRunResult result, std::string error) {
    result.ok = false;
    result.error = std::move(error);
    return result;
}

bool Acked(SimUnit& unit, const std::string& frame, std::chrono::milliseconds timeout) {
    auto got = Exchange(unit, frame, {kServerAck, kServerNack}, timeout);
    return got && got->id == kServerAck;
}

}  // namespace

TachoConversation::TachoConversation(SimUnit& unit) : m_unit(unit) {
    m_unit.SetFrameObserver([this](const ServerFrame& f) {
        if (f.id == kDownloadRequest || f.id == kDownloadRequestLong) m_request = f;
    });
}

TachoRunResult TachoConversation::Identify(std::chrono::milliseconds timeout) {
    SimUnit& unit = m_unit;
    TachoRunResult result;
    if (!Acked(unit, unit.IdentificationFrame(), timeout)) {
        return Failed(result, "identification not acknowledged");
    }
    result.ok = true;
    return result;
}

TachoRunResult TachoConversation::UploadDriverCard(const std::string& upload,
                                                   std::chrono::milliseconds timeout) {
    SimUnit& unit = m_unit;
    TachoRunResult result;
    for (int block = 0; block < 112; ++block) {
        std::string bytes = upload.substr(static_cast<size_t>(block) * 256, 256);
        auto got = Exchange(unit, DriverBlockFrame(static_cast<uint8_t>(block), bytes),
                            {kServerAck, kServerNack}, timeout);
        if (!got) return Failed(result, "block " + std::to_string(block) + " unanswered");
        if (got->id == kServerNack) {
            return Failed(result, "block " + std::to_string(block) + " refused");
        }
    }
    result.notes.push_back("driver card uploaded: 112 blocks");
    result.ok = true;
    return result;
}

TachoRunResult TachoConversation::RemoteDownload(const RemoteDownloadScript& script,
                                                 std::chrono::milliseconds timeout) {
    SimUnit& unit = m_unit;
    TachoRunResult result;
    std::optional<ServerFrame> request = m_request;
    if (!request) {
        request = WaitFor(unit, {kDownloadRequest, kDownloadRequestLong}, script.request_timeout);
    }
    m_request.reset();
    if (!request) return Failed(result, "no download request");
    auto parsed = ParseDownloadRequest(*request);
    uint32_t key = parsed ? (parsed->long_form ? parsed->row_id : parsed->code) : 0;
    result.notes.push_back("download request code=" + std::to_string(parsed ? parsed->code : 0));

    // Reserve the company card: a busy card gets 41 right after the 38.
    if (!Acked(unit, KorvNotifyFrame(0), timeout)) return Failed(result, "KorvNotify 0 refused");
    if (auto busy = WaitFor(unit, {kServerNack}, std::chrono::milliseconds(300))) {
        return Failed(result, "company card busy");
    }
    auto auth = Exchange(unit, TachoAuthFrame(key, script.auth), {147, kServerNack}, timeout);
    if (!auth || auth->id != 147) return Failed(result, "TachoAuth refused");
    result.notes.push_back("tacho auth answer=" + Hex(CountedData(*auth).value_or("")));
    auto data = Exchange(unit, TachoDataFrame(key, 1, script.data), {149, kServerNack}, timeout);
    if (!data || data->id != 149) return Failed(result, "TachoData refused");
    result.notes.push_back("tacho data answer=" + Hex(CountedData(*data).value_or("")));
    // Mode 0 is not answered; the next line's acknowledgement follows it.
    unit.SendLine({TachoDataFrame(key, 0, script.data)});

    if (!Acked(unit, KorvNotifyFrame(1), timeout)) return Failed(result, "KorvNotify 1 refused");
    // Counter 1 opens the stream and carries nothing the server keeps.
    if (!Acked(unit, KorvDataFrame(1, ""), timeout)) return Failed(result, "KorvData 1 refused");
    size_t chunk = std::clamp<size_t>(script.chunk, 1, 253);
    uint16_t counter = 2;
    for (size_t at = 0; at < script.file.size(); at += chunk, ++counter) {
        std::string frame = KorvDataFrame(counter, script.file.substr(at, chunk));
        int sends = script.repeat_counter && at == 0 ? 2 : 1;
        for (int i = 0; i < sends; ++i) {
            if (!Acked(unit, frame, timeout)) return Failed(result, "KorvData refused");
        }
    }
    if (!Acked(unit, KorvNotifyFrame(2), timeout)) return Failed(result, "KorvNotify 2 refused");
    result.notes.push_back("remote download done: " + std::to_string(script.file.size()) +
                           " bytes in " + std::to_string(counter - 2) + " frames");
    result.ok = true;
    return result;
}

TachoRunResult TachoConversation::WebRelay(uint16_t counter, const std::string& text,
                                           std::chrono::milliseconds timeout) {
    SimUnit& unit = m_unit;
    TachoRunResult result;
    auto reply = Exchange(unit, WebRequestFrame(counter, text), {131}, timeout);
    if (!reply) return Failed(result, "no web relay reply");
    const std::string& p = reply->payload;
    uint16_t got =
        p.size() >= 2
            ? static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | (static_cast<uint8_t>(p[1]) << 8))
            : 0;
    result.notes.push_back("web reply counter=" + std::to_string(got) +
                           " body=" + (p.size() > 2 ? p.substr(2) : ""));
    result.ok = true;
    return result;
}

}  // namespace unit_sim
