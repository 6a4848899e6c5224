#pragma once
// The pool of 25 MariaDB connections. A thread takes a slot with SqlAcquire,
// uses its connection for one or more statements and gives it back with
// SqlRelease(slot, false); after a failed statement it gives it back with
// SqlRelease(slot, true), which closes the connection so a connection that
// saw an error is never reused. Connections open lazily on first use and are
// closed by the idle sweep SQL_TIMEOUT seconds after their last acquisition.
//
// Invariants: a slot that is not busy is used by nobody; only the thread that
// set busy uses the connection; `connected` is switched on only by that
// thread, and off only by that thread or by the idle sweep while the slot is
// not busy. gSqlSlotLock guards busy and connected during acquisition and the
// sweep; both are atomic so the status display may count them without it.
//
// A thread holds at most one slot, except across StatusEvent, which takes a
// second one.

#include <mysql.h>

#include <atomic>
#include <cstdint>
#include <ctime>

inline constexpr int kSqlSlots = 25;
// How long SqlAcquire waits for a free slot before "SQL: Serwer overflow".
inline constexpr int kSqlAcquireSeconds = 10;

struct SqlSlot {
    std::atomic<bool> busy{false};
    std::atomic<bool> connected{false};
    std::atomic<int64_t> acquired{0};  // seconds since 1970 of the last acquisition
    MYSQL* connection = nullptr;       // valid while connected; used by the busy owner only
};

extern SqlSlot sqlSlots[kSqlSlots];

// Start-up: every slot neither busy nor connected.
void ClearSqlSlots();

// Takes a free slot, connecting it if needed. Returns its index 0..24, or -1
// when the connect failed or no slot freed up within kSqlAcquireSeconds.
int SqlAcquire();

// Gives the slot back; with `close` the connection is closed first and
// "S%d: Disconnected" logged.
void SqlRelease(int slot, bool close);

// The connection of a slot the caller holds.
MYSQL* SqlConnection(int slot);

// Closes every idle connection whose last acquisition is more than
// SQL_TIMEOUT seconds before `now`. Run once a second by the tick.
void SqlIdleSweep(int64_t now);

// Slots with an open connection / slots in use, read without the lock.
int CountSqlConnected();
int CountSqlBusy();

// Owns one acquired slot: released normally when it goes out of scope, or
// closed when the holder saw a statement fail.
class SqlLease {
  public:
    SqlLease() : m_slot(SqlAcquire()) {}
    ~SqlLease() {
        if (m_slot >= 0) SqlRelease(m_slot, false);
    }
    SqlLease(const SqlLease&) = delete;
    SqlLease& operator=(const SqlLease&) = delete;

    explicit operator bool() const { return m_slot >= 0; }
    int slot() const { return m_slot; }
    MYSQL* connection() const { return SqlConnection(m_slot); }

    // Gives the slot back (connection kept open) while the holder waits on
    // something slow outside the database, so the pool does not sit idle
    // behind it; Resume takes a slot again before the next statement.
    void Pause() {
        if (m_slot >= 0) SqlRelease(m_slot, false);
        m_slot = -1;
    }
    // Holds a slot again after Pause. False when none could be had.
    bool Resume() {
        if (m_slot < 0) m_slot = SqlAcquire();
        return m_slot >= 0;
    }

    // Gives the slot back with its connection closed.
    void ReleaseClosing() {
        if (m_slot >= 0) SqlRelease(m_slot, true);
        m_slot = -1;
    }

  private:
    int m_slot;
};
