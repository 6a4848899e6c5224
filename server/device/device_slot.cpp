#include "server/device/device_slot.h"

#include "common/text_format.h"
#include "server/core/clock.h"

DeviceSlot tasks[kMaxDevices];
std::mutex gSlotTableLock;

void ResetDeviceSlot(DeviceSlot& d, int socket, const sockaddr_in& peer, int64_t now) {
    {
        std::lock_guard<std::mutex> lock(d.textLock);
        d.peer = peer;
        d.devId[0] = '\0';
        CopyText(d.description, "unknown");
        d.ccid[0] = d.vin[0] = d.vrn[0] = '\0';
        d.downloadFile[0] = '\0';
        d.offlineText[0] = '\0';
        d.offlineTime = std::tm{};
    }
    d.socket = socket;
    d.loggedIn = 0;
    d.dbId = 0;
    d.loginTime = UtcTime(now);
    d.lastReceive = now;
    d.owner = kOwnerNone;
    d.requestId = 0;
    d.requestIsDownload = 0;
    d.requestResult = 0;
    d.lineLength = 0;
    d.line[0] = '\0';
    d.bytesReceived = 0;
    d.bytesSent = 0;
    d.terminator = '\n';
    d.newProtocol = 1;
    d.location = LocationRecord{};
    d.routeEvent = 0;
    d.terminate = 0;
    d.pico = 0;
    d.blockno = kDriverBlocks;
    d.offlineStatus = 0;
    d.offlineType = 0;
    d.tunnelOpen = 0;
    d.tunnelSocket = -1;
    d.tunnelCountdown = 0;
    d.messageBackoff = 0;
    d.downloadBackoff = 0;
    d.downloadId = 0;
    d.lastDataCounter = 0;
    d.companyId = 0;
    d.cardReserved = 0;
    d.version = 0;
}

void ClearDeviceSlots() {
    for (DeviceSlot& slot : tasks) {
        slot.state.store(kSlotFree);
        ResetDeviceSlot(slot, -1, sockaddr_in{}, 0);
        slot.tcp = 0;
        std::lock_guard<std::mutex> send(slot.sendLock);
        slot.sendBusy = false;
        slot.nextSendNs = 0;
    }
}

int CountActiveDeviceSlots() {
    int n = 0;
    for (const DeviceSlot& slot : tasks) {
        if (slot.state.load(std::memory_order_relaxed) == kSlotActive) ++n;
    }
    return n;
}

bool CountDown(std::atomic<uint32_t>& counter) {
    uint32_t value = counter.load();
    while (value > 0) {
        if (counter.compare_exchange_weak(value, value - 1)) return value == 1;
    }
    return false;
}
