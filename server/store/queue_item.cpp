#include "server/store/queue_item.h"

#include <mutex>

#include "server/device/device_slot.h"

int QueueTargetSlot(uint32_t unitId) {
    for (int i = 0; i < kMaxDevices; ++i) {
        DeviceSlot& d = tasks[i];
        if (d.state.load() != kSlotActive || d.dbId.load() != unitId || d.tcp.load() != 1 ||
            d.newProtocol.load() == 0 || d.pico.load() != 0 || d.owner.load() != kOwnerNone) {
            continue;
        }
        std::lock_guard<std::mutex> lock(d.textLock);
        if (d.devId[0] != '\0') return i;
    }
    return -1;
}
