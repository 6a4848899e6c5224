#include "server/store/sql_pool.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "server/core/clock.h"
#include "server/core/log.h"
#include "server/core/server_config.h"

SqlSlot sqlSlots[kSqlSlots];

namespace {

std::mutex gSqlSlotLock;
// Signalled whenever a slot stops being busy, so a waiting SqlAcquire takes it
// at once instead of polling once a second.
std::condition_variable gSqlSlotFreed;

// First slot that is not busy, or -1. Called with gSqlSlotLock held.
int FindFreeSlot() {
    for (int i = 0; i < kSqlSlots; ++i) {
        if (!sqlSlots[i].busy.load()) return i;
    }
    return -1;
}

void MarkFree(int slot) {
    {
        std::lock_guard<std::mutex> lock(gSqlSlotLock);
        sqlSlots[slot].busy.store(false);
    }
    gSqlSlotFreed.notify_one();
}

}  // namespace

void ClearSqlSlots() {
    std::lock_guard<std::mutex> lock(gSqlSlotLock);
    for (SqlSlot& slot : sqlSlots) {
        slot.busy.store(false);
        slot.connected.store(false);
        slot.connection = nullptr;
    }
}

int SqlAcquire() {
    int slot = -1;
    {
        std::unique_lock<std::mutex> lock(gSqlSlotLock);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kSqlAcquireSeconds);
        while ((slot = FindFreeSlot()) < 0) {
            if (gSqlSlotFreed.wait_until(lock, deadline) == std::cv_status::timeout &&
                (slot = FindFreeSlot()) < 0) {
                lock.unlock();
                LogWrite("SQL: Serwer overflow\n");
                return -1;
            }
        }
        SqlSlot& s = sqlSlots[slot];
        s.acquired.store(WallClockNow());
        s.busy.store(true);
        if (s.connected.load()) return slot;
    }

    // Connecting happens outside the lock: the slot is ours, and a slow
    // server must not stall every other thread's acquisition.
    SqlSlot& s = sqlSlots[slot];
    MYSQL* handle = mysql_init(nullptr);
    if (handle != nullptr &&
        mysql_real_connect(handle, gConfig.sqlHost.c_str(), gConfig.sqlUser.c_str(),
                           gConfig.sqlPasswd.c_str(), gConfig.sqlDatabase.c_str(),
                           static_cast<unsigned>(gConfig.sqlPort), nullptr, 0) != nullptr) {
        s.connection = handle;
        s.connected.store(true);
        LogWrite("S%d: Connected\n", slot);
        return slot;
    }
    LogWrite("%s\n", handle != nullptr ? mysql_error(handle) : "out of memory");
    if (handle != nullptr) mysql_close(handle);
    MarkFree(slot);
    return -1;
}

void SqlRelease(int slot, bool close) {
    SqlSlot& s = sqlSlots[slot];
    if (close) {
        if (s.connection != nullptr) mysql_close(s.connection);
        s.connection = nullptr;
        s.connected.store(false);
        LogWrite("S%d: Disconnected\n", slot);
    }
    MarkFree(slot);
}

MYSQL* SqlConnection(int slot) {
    return sqlSlots[slot].connection;
}

void SqlIdleSweep(int64_t now) {
    for (int i = 0; i < kSqlSlots; ++i) {
        SqlSlot& s = sqlSlots[i];
        std::unique_lock<std::mutex> lock(gSqlSlotLock);
        if (!s.busy.load() && s.connected.load() &&
            now - s.acquired.load() > static_cast<int64_t>(gConfig.sqlTimeout)) {
            mysql_close(s.connection);
            s.connection = nullptr;
            s.connected.store(false);
            lock.unlock();
            LogWrite("S%d: Disconnected\n", i);
        }
    }
}

int CountSqlConnected() {
    int n = 0;
    for (const SqlSlot& s : sqlSlots) n += s.connected.load(std::memory_order_relaxed) ? 1 : 0;
    return n;
}

int CountSqlBusy() {
    int n = 0;
    for (const SqlSlot& s : sqlSlots) n += s.busy.load(std::memory_order_relaxed) ? 1 : 0;
    return n;
}
