#pragma once
// The workers that run the units' connections. A connection is woken with
// event bits (its socket can be read, its tunnel can be read, a second went
// by); the bits of one connection are handed to one worker at a time, in
// the order they came, and bits that come while a worker runs it are handled
// by that worker's next turn. So each connection's state is used by one
// thread at a time, and a busy worker takes the next connection's bits
// without sleeping.
//
// As many workers run as the database pool has connections. A worker that
// must wait on something outside the database (a tunnel connect, a unit that
// does not read, the card server) marks the wait with a BlockingScope; while
// it waits another worker stands in, so units waiting that way never leave
// the rest of the fleet unserved. A worker more than needed when a waiter
// comes back parks until a later wait needs it.

#include <cstdint>

// handle(key, bits) runs on a worker for the bits posted to `key`.
using UnitEventHandler = void (*)(int key, uint32_t bits);
// poll(wait) fetches what happened and posts it; with `wait` it may wait a
// little (up to a tenth of a second) for something to happen. The workers
// take turns at it, one at a time: the one that finds the queue empty, so a
// busy fleet is fetched in batches without a thread that wakes for each.
using UnitEventSource = void (*)(bool wait);

// Starts `workers` workers for keys 0..keys-1. Once, before any post. False
// when not even one worker thread could be started.
bool StartUnitWorkers(int workers, int keys, UnitEventHandler handle, UnitEventSource poll);

// Adds `bits` to what `key` is to be woken with. Any thread; never blocks
// beyond the queue's short lock.
void PostUnitEvents(int key, uint32_t bits);

// Marks the current worker as waiting outside the pool's work until the
// scope ends. Nested scopes count once; on threads that are not workers it
// does nothing.
class BlockingScope {
  public:
    BlockingScope();
    ~BlockingScope();
    BlockingScope(const BlockingScope&) = delete;
    BlockingScope& operator=(const BlockingScope&) = delete;

  private:
    bool m_counted;
};

// Worker threads alive / of them waiting in a BlockingScope (status, tests).
int CountUnitWorkers();
int CountBlockedUnitWorkers();
