#include "server/core/status_tick.h"

#include "common/clock.h"
#include "server/console/console_slot.h"
#include "server/core/clock.h"
#include "server/core/counters.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/unit_workers.h"
#include "server/device/device_slot.h"
#include "server/store/queue_sender.h"
#include "server/store/sql_pool.h"

namespace {

void AdvanceLogClock(const std::tm& utc) {
    uint32_t clock = static_cast<uint32_t>(utc.tm_hour * 10000 + utc.tm_min * 100 + utc.tm_sec);
    uint32_t previous = gLogClock.exchange(clock);
    if (clock < previous) {
        LogWrite("Date: %04d-%02d-%02d\n", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday);
    }
}

}  // namespace

void HeldSlotSweep(int64_t now) {
    bool expired = false;
    for (int i = 0; i < kMaxDevices; ++i) {
        DeviceSlot& slot = tasks[i];
        uint8_t state = slot.state.load();
        if (state == kSlotHeld) {
            if (now - slot.lastReceive.load() <= static_cast<int64_t>(gConfig.logTimeout)) continue;
            // The identification hand-over may free the same slot at the same
            // moment; only the one whose compare-and-set wins reports it.
            if (slot.state.compare_exchange_strong(state, kSlotFree)) LogWrite("D%d: Deleted\n", i);
        } else if (state == kSlotActive) {
            bool ended = CountDown(slot.messageBackoff);
            ended = CountDown(slot.downloadBackoff) || ended;
            if (ended) expired = true;
        }
    }
    // A unit out of back-off may have something waiting for it.
    if (expired) WakeQueueSenders();
}

StatusValues StatusTick(int64_t now) {
    StatusValues values;
    values.utc = UtcTime(now);
    values.devices = CountActiveDeviceSlots();
    values.consoles = CountConsolesInUse();
    values.sqlConnected = CountSqlConnected();
    values.sqlBusy = CountSqlBusy();
    values.received = total_received.load(std::memory_order_relaxed);
    values.sent = total_sent.load(std::memory_order_relaxed);

    AdvanceLogClock(values.utc);
    SqlIdleSweep(now);
    HeldSlotSweep(now);
    CheckSlowDatabaseWorkers(SteadyNowNs());
    return values;
}
