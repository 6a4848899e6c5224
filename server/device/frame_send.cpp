#include "server/device/frame_send.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "common/base64_writer.h"
#include "common/clock.h"
#include "common/text_format.h"
#include "server/core/counters.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/socket_ops.h"
#include "server/core/unit_workers.h"
#include "server/device/device_slot.h"

namespace {

// A gap of at least 10 ms between two lines to one unit: units read line by
// line and some need a moment before the next one. The gap is kept before
// the next line rather than slept after every line, so a thread that has
// sent its last line (the acknowledgement of a report) goes on at once
// instead of holding its database connection idle for 10 ms.
constexpr int64_t kLineGapNs = 10'000'000;

// Waiting for another writer or for the gap counts as a unit worker's wait
// outside the pool's work, so other units are served meanwhile.
void ClaimSend(DeviceSlot& device) {
    std::optional<BlockingScope> blocking;
    int64_t wait;
    {
        std::unique_lock<std::mutex> lock(device.sendLock);
        if (device.sendBusy) blocking.emplace();
        device.sendDone.wait(lock, [&] { return !device.sendBusy; });
        device.sendBusy = true;
        wait = device.nextSendNs - SteadyNowNs();
    }
    if (wait > 0) {
        if (!blocking) blocking.emplace();
        std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
    }
}

void FinishSend(DeviceSlot& device) {
    {
        std::lock_guard<std::mutex> lock(device.sendLock);
        device.sendBusy = false;
        device.nextSendNs = SteadyNowNs() + kLineGapNs;
    }
    // A writer waiting for this unit takes its turn at once.
    device.sendDone.notify_all();
}

}  // namespace

std::string SentLineLogText(int slot, bool ok, const std::string& text) {
    std::string out;
    out.reserve(text.size() + 24);
    out += 'D';
    AppendDecimal(out, static_cast<long long>(slot));
    out += ok ? ": -> 1:" : ": -> 0:";
    if (text.empty()) return out + "\n";
    char last = text.back();
    out.append(text, 0, text.size() - 1);
    if (last == '\n') {
        out += "<>";
    } else {
        out += '<';
        out += last;
        out += '>';
    }
    out += '\n';
    return out;
}

bool SendAll(int socket, const char* bytes, size_t count, int slot) {
    DeviceSlot* device = slot >= 0 && slot < kMaxDevices ? &tasks[slot] : nullptr;
    if (device != nullptr && device->tcp.load() == 0) {
        sockaddr_in peer;
        {
            std::lock_guard<std::mutex> lock(device->textLock);
            peer = device->peer;
        }
        return SockSendTo(socket, bytes, count, peer) == static_cast<ssize_t>(count);
    }
    // A closed connection (its socket already given back) fails at once
    // instead of waiting SND_TIMEOUT seconds on nothing.
    if (socket < 0) return false;
    // The send is tried first: a unit's socket nearly always has room, and
    // waiting for writability only when it has none saves a poll per line.
    size_t sent = 0;
    while (sent < count) {
        ssize_t n = SockSend(socket, bytes + sent, count - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return false;
        BlockingScope blocking;  // a unit that does not read
        int ready = 0;
        for (int round = 0; round < gConfig.sndTimeout; ++round) {
            ready = SockWaitWritable(socket, 1000);
            if (ready != 0) break;
            if (device != nullptr && device->terminate.load()) return false;
        }
        if (ready <= 0) return false;
    }
    return true;
}

bool SendToDevice(int slot, const std::string& text) {
    DeviceSlot& device = tasks[slot];
    ClaimSend(device);
    bool ok = SendAll(device.socket.load(), text.data(), text.size(), slot);
    LogAppendText(LogPrefix(gLogClock.load(std::memory_order_relaxed)) +
                  SentLineLogText(slot, ok, text));
    FinishSend(device);
    return ok;
}

bool SendDeviceFrame(int slot, std::string_view frame) {
    DeviceSlot& device = tasks[slot];
    std::string line = EncodeLine(frame, static_cast<char>(device.terminator.load()));
    bool ok = SendToDevice(slot, line);
    if (ok) {
        device.bytesSent += static_cast<uint32_t>(line.size());
        total_sent += static_cast<uint32_t>(line.size());
    }
    return ok;
}

bool TunnelSend(int socket, const char* bytes, size_t count) {
    BlockingScope blocking;  // the far end may not read
    for (size_t i = 0; i < count; ++i) {
        if (SockWaitWritable(socket, 1000) <= 0) return false;
        if (SockSend(socket, bytes + i, 1) != 1) return false;
    }
    return true;
}

void CloseDeviceSocket(int slot) {
    DeviceSlot& device = tasks[slot];
    ClaimSend(device);
    int fd = device.socket.exchange(-1);
    SockClose(fd);
    FinishSend(device);
}
