#pragma once
// One pending entry of a delivery queue (a message in outbox, a download
// request in korvalen) together with the connected unit that can take it.

#include <mysql.h>

#include <cstdint>
#include <string>

inline constexpr int kQueueMaxTries = 10;  // attempts before an entry is never tried again

struct QueueItem {
    uint32_t id = 0;      // row id
    uint32_t unitId = 0;  // devices.id
    int slot = -1;        // the unit's slot
    int attempts = 0;     // sent_tries so far
    std::string addr;     // outbox only
    std::string msg;      // outbox only
    int request = 0;      // korvalen only
};

// The slot through which the unit `unitId` can take a queued request right
// now: active, identified, on TCP, not a PICO unit and not claimed by any
// other waiter. -1 when there is none.
int QueueTargetSlot(uint32_t unitId);

// Fills `item` from one row of a pending select; a NULL column keeps the
// value of the row before.
using QueueRowReader = void (*)(MYSQL_ROW row, const unsigned long* lengths, QueueItem& item);

// Runs the pending select `sql` and takes the first row, in its order, whose
// unit can take the entry now. 1 with `item` filled, 0 when no row can be
// delivered, -1 after a failed statement (logged as `who`'s, with the
// statement's code or the result set's code).
int NextQueueItem(MYSQL* connection, const std::string& sql, const char* who, int selectCode,
                  int resultCode, QueueRowReader read, QueueItem& item);
