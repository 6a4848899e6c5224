#pragma once
// The workers that run the units' connections. A connection is woken with
// event bits (its socket can be read, its tunnel can be read, a second went
// by); the bits of one connection are handed to one worker at a time, in
// the order they came, and bits that come while a worker runs it are handled
// by that worker's next turn. So each connection's state is used by one
// thread at a time, and a busy worker takes the next connection's bits
// without sleeping.
//
// A few workers run while the database answers quickly: enough to keep the
// cores busy while some lines wait for their answers, and no more, since a
// database on this machine only switches between more lines at a cost
// higher than the lines themselves. A worker that must wait on something
// outside the database (a tunnel connect, a unit that does not read, the
// card server) marks the wait with a BlockingScope; while it waits another
// worker stands in, so units waiting that way never leave the rest of the
// fleet unserved. A worker that holds a database connection marks it with a
// DatabaseScope; one held longer than a quick answer takes counts as a wait
// too, so a distant, slow or locked database gets more lines in flight, up
// to the pool's size. A worker more than needed when a waiter comes back
// parks until a later wait needs it.

#include <cstdint>

// handle(key, bits) runs on a worker for the bits posted to `key`.
using UnitEventHandler = void (*)(int key, uint32_t bits);
// poll(wait) fetches what happened and posts it; with `wait` it may wait a
// little (up to a tenth of a second) for something to happen. The workers
// take turns at it, one at a time: the one that finds the queue empty, so a
// busy fleet is fetched in batches without a thread that wakes for each.
using UnitEventSource = void (*)(bool wait);

// Starts `workers` workers for keys 0..keys-1; no more than `databaseLimit`
// of them (the pool's size) run while the others hold the database long.
// Once, before any post. False when not even one worker thread could be
// started.
bool StartUnitWorkers(int workers, int databaseLimit, int keys, UnitEventHandler handle,
                      UnitEventSource poll);

// The workers to run for `cores` cores while the database answers quickly:
// two a core, at least 4 and at most `databaseLimit`.
int QuickDatabaseWorkers(unsigned cores, int databaseLimit);

// How long a worker may hold the database before it counts as waiting.
constexpr int64_t kSlowDatabaseNs = 2'000'000;

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

// Marks the current worker as holding a database connection until the scope
// ends; from kSlowDatabaseNs on, the next check counts it as waiting. Time
// spent in a BlockingScope inside it does not count. Nested scopes count
// once; on threads that are not workers it does nothing.
class DatabaseScope {
  public:
    DatabaseScope();
    ~DatabaseScope();
    DatabaseScope(const DatabaseScope&) = delete;
    DatabaseScope& operator=(const DatabaseScope&) = delete;

  private:
    bool m_counted;
};

// Counts the workers that have held the database for kSlowDatabaseNs by
// `nowNs` (steady clock) and brings in stand-ins for them. The polling
// worker checks at each fetch; the once-a-second tick calls it too, for when
// every worker is held up and none fetches.
void CheckSlowDatabaseWorkers(int64_t nowNs);

// Worker threads alive / of them waiting in a BlockingScope or held long by
// the database at the last check (status, tests).
int CountUnitWorkers();
int CountBlockedUnitWorkers();
