#pragma once
// The console session table: 50 slots, one per operator connection; the
// index is the log prefix "T%d: " and the value a session writes into a
// unit's `owner` while it waits for the unit's answer.

#include <atomic>

inline constexpr int kMaxConsoles = 50;

struct ConsoleSlot {
    std::atomic<bool> inUse{false};  // set by the console listener, cleared by the session
};

extern ConsoleSlot consoles[kMaxConsoles];

// Start-up: no slot in use.
void ClearConsoleSlots();

// Slots in use, read without a lock for the status display.
int CountConsolesInUse();
