#include "server/device/device_slot.h"

DeviceSlot tasks[kMaxDevices];
std::mutex gSlotTableLock;

void ClearDeviceSlots() {
    for (DeviceSlot& slot : tasks) {
        std::lock_guard<std::mutex> send(slot.sendLock);
        slot.state.store(kSlotFree);
        slot.sendBusy = false;
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
