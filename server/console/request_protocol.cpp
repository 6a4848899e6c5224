#include "server/console/request_protocol.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "server/console/console_slot.h"
#include "server/core/clock.h"
#include "server/core/counters.h"
#include "server/core/server_config.h"
#include "server/core/socket_ops.h"
#include "server/device/device_slot.h"
#include "server/device/frame_send.h"

namespace {

constexpr int kTickMs = 250;
constexpr int kMaxSends = 5;
constexpr int64_t kUdpAliveSeconds = 15;
const char* const kSpinner[] = {"-\r", "\\\r", "|\r", "/\r"};

void CountSent(DeviceSlot& d, const std::string& text) {
    d.bytesSent += static_cast<uint32_t>(text.size());
    total_sent += static_cast<uint32_t>(text.size());
}

// Releases the session's claim, unless someone else holds the unit by now.
void Release(DeviceSlot& d, int session) {
    int32_t mine = session;
    d.owner.compare_exchange_strong(mine, kOwnerNone);
}

const WaitEndings kRequestEndings = {
    "terminated\r\n",
    "Wykonywanie polecenia zostalo anulowane\r\n",
    "timeout\r\n",
    "Brak spodziewanej odpowiedzi z urzadzenia\r\n",
};

// After the loop: the unit's connection ended, or someone else took it over.
// True when one of those was reported.
bool ReportLostClaim(DeviceSlot& d, int session) {
    if (d.state.load() != kSlotActive) {
        SendAnswer(session, "error\r\n", "Polaczenie z urzadzeniem zostalo zerwane\r\n");
        return true;
    }
    int32_t owner = d.owner.load();
    if (owner != kOwnerNone && owner != session) {
        SendAnswer(session, "error\r\n", "Anulowano\r\n");
        return true;
    }
    return false;
}

// Sends the line to the unit. The session's own lines around it go out under
// the session's send lock, so a unit that answers at once cannot get its
// answer ("done", a table) to the client before them.
bool SendAnnounced(int device, int session, bool binary, const std::string& text) {
    ConsoleSlot& c = consoles[session];
    std::lock_guard<std::mutex> lock(c.sendLock);
    int fd = c.socket.load();
    auto say = [&](const char* line) { SendAll(fd, line, std::strlen(line), -1); };
    if (binary) say("info Wysylam polecenie...\r\n");
    if (!SendToDevice(device, text)) return false;
    CountSent(tasks[device], text);
    if (binary) say("info Czekam na potwierdzenie...\r\n");
    return true;
}

int AwaitAnswer(int device, int session) {
    WaitEnd end = WaitWhileOwned(device, session, kRequestEndings, true);
    if (ReportLostClaim(tasks[device], session)) return 0;
    return end == WaitEnd::kResend ? 1 : 0;
}

}  // namespace

void DiscardCancellation(int session) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    char bytes[256];
    int fd = consoles[session].socket.load();
    if (SockWaitReadable(fd, 0) > 0) SockRecv(fd, bytes, sizeof bytes);
}

bool ReleaseWithAnswer(int device, int session, const char* binary, const char* text) {
    ConsoleSlot& c = consoles[session];
    std::lock_guard<std::mutex> lock(c.sendLock);
    int32_t mine = session;
    if (!tasks[device].owner.compare_exchange_strong(mine, kOwnerNone)) return false;
    SendTextHeld(session, IsBinary(session) ? binary : text);
    return true;
}

WaitEnd WaitWhileOwned(int device, int session, const WaitEndings& endings, bool udpRule) {
    DeviceSlot& d = tasks[device];
    bool binary = IsBinary(session);
    int ticks = 0;
    int spinner = 0;
    int socket = consoles[session].socket.load();
    while (d.state.load() == kSlotActive && d.owner.load() == session) {
        {
            // Checked and printed under the send lock, which the unit's answer
            // also holds while it is printed and the claim released: no
            // progress sign can follow the answer.
            std::lock_guard<std::mutex> lock(consoles[session].sendLock);
            if (d.owner.load() != session) break;
            if (binary) {
                if (spinner == 0) SendTextHeld(session, "waiting\r\n");
            } else {
                SendTextHeld(session, kSpinner[spinner]);
            }
        }
        spinner = (spinner + 1) % 4;
        if (SockWaitReadable(socket, kTickMs) != 0) {
            DiscardCancellation(session);
            // An answer printed during that second stands; the cancellation
            // then ends nothing.
            if (!ReleaseWithAnswer(device, session, endings.cancelledBinary,
                                   endings.cancelledText)) {
                break;
            }
            return WaitEnd::kCancelled;
        }
        if (ticks != gConfig.cmmdTimeout * 4) {
            ++ticks;
            continue;
        }
        if (!udpRule || d.tcp.load() != 0) {
            if (!ReleaseWithAnswer(device, session, endings.timedOutBinary, endings.timedOutText)) {
                break;  // the answer came at the last moment
            }
            return WaitEnd::kTimedOut;
        }
        if (WallClockNow() - d.lastReceive.load() < kUdpAliveSeconds) return WaitEnd::kResend;
        // A silent UDP unit: the request waits until it is heard from again.
    }
    return WaitEnd::kReleased;
}

bool ReclaimDevice(int device, int session) {
    std::atomic<int32_t>& owner = tasks[device].owner;
    int32_t seen = owner.load();
    for (;;) {
        if (seen != kOwnerNone && seen != session) return false;
        // On failure `seen` holds the value found, and the test runs again.
        if (owner.compare_exchange_weak(seen, session)) return true;
    }
}

bool ClaimDevice(int device, int session) {
    int32_t none = kOwnerNone;
    return tasks[device].owner.compare_exchange_strong(none, session);
}

int WaitForAnswer(int device, int session, bool binary) {
    if (binary) SendText(session, "info Czekam na potwierdzenie...\r\n");
    return AwaitAnswer(device, session);
}

void SendAndWait(int device, int session, const std::string& text, int kind) {
    DeviceSlot& d = tasks[device];
    bool binary = IsBinary(session);
    if (!ClaimDevice(device, session)) {
        SendAnswer(session, "busy\r\n", "Wybrane urzadzenie jest zajete\r\n");
        return;
    }
    consoles[session].requestKind = static_cast<uint8_t>(kind);
    for (int send = 0; send < kMaxSends; ++send) {
        if (!SendAnnounced(device, session, binary, text)) {
            Release(d, session);
            SendAnswer(session, "error\r\n", "Blad podczas wykonywania polecenia\r\n");
            return;
        }
        if (AwaitAnswer(device, session) == 0) return;
    }
    // The claim stays: the unit answers "busy" until its reply comes.
    SendAnswer(session, "timeout\r\n", "Brak spodziewanej odpowiedzi z urzadzenia\r\n");
}

int SendAndWaitOnce(int device, int session, const std::string& text, int kind) {
    DeviceSlot& d = tasks[device];
    // Claimed again even when the session holds the unit from its previous
    // record: a late release of that claim must not let this record go out
    // unclaimed (its wait would end at once, as if it had been answered).
    if (!ReclaimDevice(device, session)) {
        SendAnswer(session, "busy\r\n", "Wybrane urzadzenie jest zajete\r\n");
        return kOnceReported;
    }
    consoles[session].requestKind = static_cast<uint8_t>(kind);
    if (!SendToDevice(device, text)) {
        Release(d, session);
        return kOnceNotSent;
    }
    CountSent(d, text);
    WaitEnd end = WaitWhileOwned(device, session, kRequestEndings, false);
    if (end == WaitEnd::kCancelled || end == WaitEnd::kTimedOut) return kOnceReported;
    if (ReportLostClaim(d, session)) return kOnceReported;
    return kOnceAnswered;
}
