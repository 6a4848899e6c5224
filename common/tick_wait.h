#pragma once
// The one-second beat of the long-running programs: their main thread waits
// for the next whole second of the wall clock, or for a stop signal, which it
// takes synchronously (the signals stay blocked, so no handler runs in the
// middle of a step and nothing needs to be async-signal-safe).

#include <signal.h>

// SIGINT and SIGTERM blocked in the calling thread (and so in every thread
// it starts afterwards); the returned set is what WaitForTick waits on.
sigset_t BlockStopSignals();

// Waits until the next whole second of the wall clock. Returns the signal
// number when a signal of `stopSignals` came first, otherwise 0.
int WaitForTick(const sigset_t& stopSignals);
