#include "server/device/slot_table.h"

#include <cstring>
#include <mutex>

#include "common/text_format.h"
#include "server/core/clock.h"
#include "server/core/log.h"
#include "server/device/device_slot.h"
#include "server/device/owner_wait.h"

namespace {

bool OfflineConfigPending(const DeviceSlot& d) {
    int8_t status = d.offlineStatus.load();
    return status >= 1 && status <= 4;
}

// With no free slot, the held slot silent longest is given up (as the
// held-slot sweep would give it up later), preferring one without an offline
// configuration waiting: a table full of units that went away, say after a
// network cut, must not lock the returning fleet out for LOG_TIMEOUT. Only a
// table of active units refuses. Called under gSlotTableLock. -1: none held.
int FreeLongestHeldSlot() {
    int best = -1;
    bool bestPending = true;
    int64_t bestSeen = 0;
    for (int i = 0; i < kMaxDevices; ++i) {
        const DeviceSlot& d = tasks[i];
        if (d.state.load() != kSlotHeld) continue;
        bool pending = OfflineConfigPending(d);
        int64_t seen = d.lastReceive.load();
        if (best < 0 || (bestPending && !pending) || (pending == bestPending && seen < bestSeen)) {
            best = i;
            bestPending = pending;
            bestSeen = seen;
        }
    }
    if (best < 0) return -1;
    uint8_t held = kSlotHeld;
    // The sweep or a hand-over may free it first; then it is simply free.
    if (tasks[best].state.compare_exchange_strong(held, kSlotFree)) {
        LogWrite("D%d: Deleted\n", best);
    }
    return tasks[best].state.load() == kSlotFree ? best : -1;
}

// Finds the lowest free slot (or frees the longest-held one) and fills it
// through `fill`, all under the slot table lock; -1 when every slot is active.
template <typename Fill>
int TakeFreeSlot(Fill fill) {
    std::lock_guard<std::mutex> lock(gSlotTableLock);
    int slot = -1;
    for (int i = 0; i < kMaxDevices && slot < 0; ++i) {
        if (tasks[i].state.load() == kSlotFree) slot = i;
    }
    if (slot < 0) slot = FreeLongestHeldSlot();
    if (slot < 0) return -1;
    fill(tasks[slot]);
    tasks[slot].state.store(kSlotActive);
    return slot;
}

}  // namespace

int AllocateTcpSlot(int socket, const sockaddr_in& peer, int64_t now) {
    return TakeFreeSlot([&](DeviceSlot& d) {
        ResetDeviceSlot(d, socket, peer, now);
        d.tcp = 1;
    });
}

int AllocateUdpSlot(int socket, const sockaddr_in& peer, const std::string& devId, uint32_t length,
                    char terminator, int64_t now) {
    return TakeFreeSlot([&](DeviceSlot& d) {
        ResetDeviceSlot(d, socket, peer, now);
        {
            std::lock_guard<std::mutex> lock(d.textLock);
            CopyText(d.devId, devId);
        }
        d.tcp = 0;
        d.bytesReceived = length;
        d.terminator = static_cast<uint8_t>(terminator);
    });
}

int DeviceTypeCode(int slot) {
    const DeviceSlot& d = tasks[slot];
    bool tcp = d.tcp.load() != 0;
    if (d.newProtocol.load() == 0) return 0;
    if (d.pico.load() != 0) return tcp ? kProtoPicoTcp : kProtoPicoUdp;
    switch (d.terminator.load()) {
        case '\n':
            return tcp ? kProtoGen1Tcp : kProtoGen1Udp;
        case '.':
            return tcp ? kProtoGen2Tcp : kProtoGen2Udp;
        case ';':
            return tcp ? kProtoGen3Tcp : kProtoGen3Udp;
        default:
            return 0;
    }
}

const char* ProtocolFamily(int slot) {
    const DeviceSlot& d = tasks[slot];
    // The PICO flag comes first, and every terminator but LF and "." counts
    // as the third family: the listing names every unit.
    if (d.pico.load() != 0) return "PICO";
    if (d.newProtocol.load() == 0) return "OLD";
    switch (d.terminator.load()) {
        case '\n':
            return "S-1";
        case '.':
            return "S-2";
        default:
            return "S-3";
    }
}

int FindDevice(const std::string& devId, int mask, int minState) {
    // An empty id would match every connection that has not identified yet.
    if (devId.empty()) return -1;
    for (int i = 0; i < kMaxDevices; ++i) {
        DeviceSlot& d = tasks[i];
        if (d.state.load() < minState) continue;
        {
            std::lock_guard<std::mutex> lock(d.textLock);
            if (devId != d.devId) continue;
        }
        if (DeviceTypeCode(i) & mask) return i;
    }
    return -1;
}

void HandOver(int slot) {
    DeviceSlot& fresh = tasks[slot];
    std::string devId;
    {
        std::lock_guard<std::mutex> lock(fresh.textLock);
        devId = fresh.devId;
    }
    for (int i = 0; i < kMaxDevices; ++i) {
        if (i == slot) continue;
        DeviceSlot& old = tasks[i];
        uint8_t state = old.state.load();
        if (state == kSlotFree) continue;
        {
            std::lock_guard<std::mutex> lock(old.textLock);
            if (devId != old.devId) continue;
        }

        int8_t offline = old.offlineStatus.load();
        if (offline != 0) {
            LogWrite("D%d: copying offline config type %d/%d/%d\n", slot, i, offline,
                     old.offlineType.load());
            std::tm time;
            std::string text;
            {
                std::lock_guard<std::mutex> lock(old.textLock);
                time = old.offlineTime;
                text = old.offlineText;
            }
            {
                std::lock_guard<std::mutex> lock(fresh.textLock);
                fresh.offlineTime = time;
                CopyText(fresh.offlineText, text);
            }
            fresh.offlineType = old.offlineType.load();
            fresh.offlineStatus = offline;
            old.offlineStatus = 0;
        }

        std::string file;
        {
            std::lock_guard<std::mutex> lock(old.textLock);
            file = old.downloadFile;
        }
        uint32_t download = old.downloadId.load();
        if (download != 0 || !file.empty()) {
            LogWrite("D%d: copying offline korvalen status %d/%lu/%s\n", slot, i,
                     static_cast<unsigned long>(download), file.c_str());
            fresh.downloadId = download;
            {
                std::lock_guard<std::mutex> lock(fresh.textLock);
                CopyText(fresh.downloadFile, file);
            }
            fresh.lastDataCounter = old.lastDataCounter.load();
            fresh.cardReserved = old.cardReserved.load();
            old.downloadId = 0;
            {
                std::lock_guard<std::mutex> lock(old.textLock);
                old.downloadFile[0] = '\0';
            }
            old.lastDataCounter = 0;
        }

        if (state == kSlotActive) {
            old.terminate = 1;
            // Its connection may have ended meanwhile, leaving it held.
            uint8_t held = kSlotHeld;
            old.state.compare_exchange_strong(held, kSlotFree);
        } else {
            // A held slot; the held-slot sweep may free it at the same moment.
            old.state.compare_exchange_strong(state, kSlotFree);
        }
        LogWrite("D%d: terminate=%d\n", slot, i);
    }
}

void ReleaseClaimsOf(int owner) {
    bool released = false;
    for (int i = 0; i < kMaxDevices; ++i) {
        int32_t expected = owner;
        if (tasks[i].owner.compare_exchange_strong(expected, kOwnerNone)) released = true;
    }
    if (released) NotifyOwnerReleased();
}

void StoreOfflineConfig(int slot, const std::string& text, int type) {
    DeviceSlot& d = tasks[slot];
    int32_t inFlight = kOwnerOfflineConfig;
    if (d.owner.compare_exchange_strong(inFlight, kOwnerNone)) NotifyOwnerReleased();
    {
        std::lock_guard<std::mutex> lock(d.textLock);
        CopyText(d.offlineText, text);
        d.offlineTime = UtcTime(WallClockNow());
    }
    d.offlineType = static_cast<int8_t>(type);
    d.offlineStatus = 1;
}
