#include "server/device/owner_wait.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "server/device/device_slot.h"

namespace {

std::mutex gOwnerMutex;
std::condition_variable gOwnerReleased;

}  // namespace

void NotifyOwnerReleased() {
    // Taking the mutex orders this release after any waiter's last check,
    // so no wake-up falls between its check and its sleep.
    { std::lock_guard<std::mutex> lock(gOwnerMutex); }
    gOwnerReleased.notify_all();
}

bool WaitWhileClaimed(int slot, int32_t owner, int seconds) {
    DeviceSlot& d = tasks[slot];
    auto claimed = [&] { return d.state.load() == kSlotActive && d.owner.load() == owner; };
    std::unique_lock<std::mutex> lock(gOwnerMutex);
    for (int step = 0; step < seconds; ++step) {
        if (gOwnerReleased.wait_for(lock, std::chrono::seconds(1), [&] { return !claimed(); })) {
            return true;
        }
    }
    return !claimed();
}
