#pragma once
// The one-second tick of the main thread: the values the status display
// shows, the log clock with its day-change entry, and the two housekeeping
// sweeps. `now` is passed in so that tests can run a tick at any moment.

#include <cstdint>
#include <ctime>

struct StatusValues {
    std::tm utc{};
    int devices = 0;       // active unit slots
    int consoles = 0;      // console sessions in use
    int sqlConnected = 0;  // pooled connections open
    int sqlBusy = 0;       // pooled connections in use
    uint32_t received = 0;
    uint32_t sent = 0;
};

// Counts the values, advances the log clock (writing "Date: ..." when the UTC
// day changed), closes idle database connections and sweeps held unit slots.
StatusValues StatusTick(int64_t now);

// Frees held slots silent for more than LOG_TIMEOUT seconds ("D%d: Deleted")
// and counts down the senders' back-offs of active slots.
void HeldSlotSweep(int64_t now);
