#include "server/store/sql_pool.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "server/core/clock.h"
#include "server/core/log.h"
#include "server/core/server_config.h"

SqlSlot sqlSlots[kSqlSlots];

namespace {

// A slot is claimed by turning its `busy` from false to true, without a
// lock, lowest slot first. Only a thread that finds every slot busy takes
// gSqlSlotLock and waits on gSqlSlotFreed; a release wakes one of them, and
// takes the lock for that only while somebody waits. So when the pool has
// room, an acquisition and a release cost no lock hand-off between the
// threads of 2000 units.
std::mutex gSqlSlotLock;
std::condition_variable gSqlSlotFreed;
std::atomic<int> gSqlWaiters{0};  // threads inside the waiting loop of SqlAcquire

// Claims the first slot that is not busy. -1 when all are.
int ClaimFreeSlot() {
    for (int i = 0; i < kSqlSlots; ++i) {
        bool idle = false;
        if (!sqlSlots[i].busy.load() && sqlSlots[i].busy.compare_exchange_strong(idle, true)) {
            return i;
        }
    }
    return -1;
}

void MarkFree(int slot) {
    sqlSlots[slot].busy.store(false);
    // A waiter counts itself under the lock before it looks for a slot, so
    // either it sees this slot free or it already waits and is woken here.
    if (gSqlWaiters.load() > 0) {
        { std::lock_guard<std::mutex> lock(gSqlSlotLock); }
        gSqlSlotFreed.notify_one();
    }
}

// Waits up to kSqlAcquireSeconds for a slot. -1 when none came free.
int WaitForFreeSlot() {
    std::unique_lock<std::mutex> lock(gSqlSlotLock);
    ++gSqlWaiters;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kSqlAcquireSeconds);
    int slot;
    while ((slot = ClaimFreeSlot()) < 0) {
        if (gSqlSlotFreed.wait_until(lock, deadline) == std::cv_status::timeout) {
            slot = ClaimFreeSlot();
            break;
        }
    }
    --gSqlWaiters;
    return slot;
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
    int slot = ClaimFreeSlot();
    if (slot < 0) slot = WaitForFreeSlot();
    if (slot < 0) {
        LogWrite("SQL: Serwer overflow\n");
        return -1;
    }
    SqlSlot& claimed = sqlSlots[slot];
    claimed.acquired.store(WallClockNow());
    if (claimed.connected.load()) return slot;

    // The slot is ours: connecting holds up nobody else's acquisition.
    SqlSlot& s = sqlSlots[slot];
    // Several statements a query: a location line's insert and select go
    // out together (SqlRunPair). Every text value in a statement is escaped,
    // so no unit's text can end a statement; the console's select turns
    // this off while it runs the operator's own text.
    MYSQL* handle = mysql_init(nullptr);
    if (handle != nullptr &&
        mysql_real_connect(handle, gConfig.sqlHost.c_str(), gConfig.sqlUser.c_str(),
                           gConfig.sqlPasswd.c_str(), gConfig.sqlDatabase.c_str(),
                           static_cast<unsigned>(gConfig.sqlPort), nullptr,
                           CLIENT_MULTI_STATEMENTS) != nullptr) {
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
        // Claimed like any user, so nobody takes the connection while it closes.
        bool idle = false;
        if (s.busy.load() || !s.busy.compare_exchange_strong(idle, true)) continue;
        bool stale = s.connected.load() &&
                     now - s.acquired.load() > static_cast<int64_t>(gConfig.sqlTimeout);
        if (stale) {
            mysql_close(s.connection);
            s.connection = nullptr;
            s.connected.store(false);
        }
        MarkFree(i);
        if (stale) LogWrite("S%d: Disconnected\n", i);
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
