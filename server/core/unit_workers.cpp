#include "server/core/unit_workers.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "common/clock.h"

namespace {

constexpr size_t kWorkerStack = 1 << 20;
// How often a worker fetches events while the queue is never empty.
constexpr int64_t kFetchEveryNs = 20'000'000;

// gLock guards the queue, the worker counts and the polling role; the
// per-key bits and the queued marks are atomic so a post that finds its key
// already queued takes no lock.
// The lock, the condition variables and the queue are never destroyed: the
// process ends with workers still waiting on them, and destroying a
// condition variable that has waiters blocks.
struct Shared {
    std::mutex lock;
    std::condition_variable wake;   // idle workers: the queue got work
    std::condition_variable spare;  // parked workers: a stand-in is needed
    std::deque<int> queue;
};

// One per worker thread, kept to the end like the threads themselves.
struct WorkerState {
    // Written by its worker: when it began holding the database outside any
    // BlockingScope, 0 when it does not. Read by the slow-database check.
    std::atomic<int64_t> databaseSinceNs{0};
};
Shared& gShared = *new Shared;
std::mutex& gLock = gShared.lock;
std::condition_variable& gWake = gShared.wake;
std::condition_variable& gSpare = gShared.spare;
std::deque<int>& gQueue = gShared.queue;
int gTarget = 0;     // workers that should be running outside a BlockingScope
int gWorkers = 0;    // worker threads alive
int gBlocked = 0;    // of them, inside a BlockingScope
int gParked = 0;     // of them, parked as stand-ins for later waits
int gUnparked = 0;   // parked workers told to go on, not yet gone
int gIdle = 0;       // of them, waiting for the queue
int gSlow = 0;       // of them, held long by the database at the last check
int gSlowLimit = 0;  // gSlow never above this: no more than the pool run
// Every worker's, in start order; never destroyed, like gShared: workers
// still fetch, and so look at it, while the process ends.
std::vector<WorkerState*>& gStates = *new std::vector<WorkerState*>;
bool gPolling = false;    // a worker is fetching events
int64_t gLastPollNs = 0;  // when the last fetch began
std::atomic<int> gWorkersSeen{0};
std::atomic<int> gBlockedSeen{0};
UnitEventHandler gHandle = nullptr;
UnitEventSource gPoll = nullptr;
std::atomic<uint32_t>* gPending = nullptr;  // kept to the end, like gShared
// True from the post that queues a key until the worker that runs it has
// taken all its bits: a key is in the queue or being run at most once.
std::atomic<bool>* gQueued = nullptr;

thread_local bool tWorker = false;
thread_local int tBlockingDepth = 0;
thread_local int tDatabaseDepth = 0;
thread_local WorkerState* tState = nullptr;

void PublishCounts() {
    gWorkersSeen.store(gWorkers, std::memory_order_relaxed);
    gBlockedSeen.store(gBlocked + gSlow, std::memory_order_relaxed);
}

int AvailableLocked() {
    return gWorkers - gBlocked - gParked - gSlow;
}

bool SpawnWorkerLocked();

// A worker to stand in for each that waits: a parked one, or a new one.
void StandInLocked() {
    while (AvailableLocked() < gTarget) {
        if (gParked > 0) {
            --gParked;
            ++gUnparked;
            gSpare.notify_one();
        } else if (!SpawnWorkerLocked()) {
            return;
        }
    }
}

void CheckSlowLocked(int64_t nowNs) {
    int slow = 0;
    for (const WorkerState* state : gStates) {
        int64_t since = state->databaseSinceNs.load(std::memory_order_relaxed);
        if (since != 0 && nowNs - since >= kSlowDatabaseNs) ++slow;
    }
    gSlow = std::min(slow, gSlowLimit);
    StandInLocked();
    PublishCounts();
}

// One turn of a key: its bits until none are left or another post queued it.
void RunKey(int key) {
    for (;;) {
        uint32_t bits = gPending[key].exchange(0);
        if (bits != 0) gHandle(key, bits);
        gQueued[key].store(false);
        if (gPending[key].load() == 0) return;
        // Bits came after the exchange: run them now unless the poster
        // already queued the key again.
        if (gQueued[key].exchange(true)) return;
    }
}

// Fetches events as the one polling worker: waiting for them only when
// there is nothing else to do. Called and returns with the lock held.
void PollLocked(std::unique_lock<std::mutex>& lock, bool wait) {
    gPolling = true;
    gLastPollNs = SteadyNowNs();
    lock.unlock();
    gPoll(wait);
    lock.lock();
    gPolling = false;
    CheckSlowLocked(SteadyNowNs());
}

void* WorkerMain(void*) {
    tWorker = true;
    tState = new WorkerState;
    std::unique_lock<std::mutex> lock(gLock);
    gStates.push_back(tState);
    for (;;) {
        // One of more workers than needed (a waiter came back) parks until a
        // later wait needs a stand-in.
        if (AvailableLocked() > gTarget) {
            ++gParked;
            // Idle workers wait for a fetch to bring work; if this one was
            // to fetch next, one of them takes its turn.
            if (!gPolling && gIdle > 0) gWake.notify_one();
            gSpare.wait(lock, [] { return gUnparked > 0; });
            --gUnparked;
            continue;
        }
        if (!gQueue.empty()) {
            // Events keep being fetched while the queue is never empty, so
            // silent seconds are counted and new lines queue up behind.
            // The lock was let go for the fetch: others may have emptied the
            // queue meanwhile, so it is looked at again.
            if (!gPolling && SteadyNowNs() - gLastPollNs >= kFetchEveryNs) {
                PollLocked(lock, false);
                continue;
            }
            int key = gQueue.front();
            gQueue.pop_front();
            lock.unlock();
            RunKey(key);
            lock.lock();
            continue;
        }
        if (!gPolling) {
            PollLocked(lock, true);
            continue;
        }
        ++gIdle;
        gWake.wait(lock);
        --gIdle;
    }
}

// Called under gLock.
bool SpawnWorkerLocked() {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kWorkerStack);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    bool ok = pthread_create(&thread, &attr, WorkerMain, nullptr) == 0;
    pthread_attr_destroy(&attr);
    if (ok) {
        ++gWorkers;
        PublishCounts();
    }
    return ok;
}

}  // namespace

int QuickDatabaseWorkers(unsigned cores, int databaseLimit) {
    int wanted = std::max(4, 2 * static_cast<int>(std::min(cores, 1024u)));
    return std::max(1, std::min(wanted, databaseLimit));
}

bool StartUnitWorkers(int workers, int databaseLimit, int keys, UnitEventHandler handle,
                      UnitEventSource poll) {
    gHandle = handle;
    gPoll = poll;
    gPending = new std::atomic<uint32_t>[static_cast<size_t>(keys)]();
    gQueued = new std::atomic<bool>[static_cast<size_t>(keys)]();
    std::lock_guard<std::mutex> lock(gLock);
    gTarget = workers;
    gSlowLimit = std::max(0, databaseLimit - workers);
    for (int i = 0; i < workers; ++i) SpawnWorkerLocked();
    return gWorkers > 0;
}

void PostUnitEvents(int key, uint32_t bits) {
    gPending[key].fetch_or(bits);
    if (gQueued[key].exchange(true)) return;
    bool wake;
    {
        std::lock_guard<std::mutex> lock(gLock);
        gQueue.push_back(key);
        wake = gIdle > 0;
    }
    if (wake) gWake.notify_one();
}

BlockingScope::BlockingScope() : m_counted(tWorker && tBlockingDepth++ == 0) {
    if (!m_counted) return;
    // Waiting here is not holding the database up.
    if (tDatabaseDepth > 0) tState->databaseSinceNs.store(0, std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(gLock);
    ++gBlocked;
    // Counted once: as waiting here, no longer as held by the database.
    CheckSlowLocked(SteadyNowNs());
}

BlockingScope::~BlockingScope() {
    if (tWorker) --tBlockingDepth;
    if (!m_counted) return;
    if (tDatabaseDepth > 0) {
        tState->databaseSinceNs.store(SteadyNowNs(), std::memory_order_relaxed);
    }
    std::lock_guard<std::mutex> lock(gLock);
    --gBlocked;
    PublishCounts();
}

DatabaseScope::DatabaseScope() : m_counted(tWorker && tDatabaseDepth++ == 0) {
    if (m_counted && tBlockingDepth == 0) {
        tState->databaseSinceNs.store(SteadyNowNs(), std::memory_order_relaxed);
    }
}

DatabaseScope::~DatabaseScope() {
    if (tWorker) --tDatabaseDepth;
    if (m_counted) tState->databaseSinceNs.store(0, std::memory_order_relaxed);
}

void CheckSlowDatabaseWorkers(int64_t nowNs) {
    std::lock_guard<std::mutex> lock(gLock);
    CheckSlowLocked(nowNs);
}

int CountUnitWorkers() {
    return gWorkersSeen.load(std::memory_order_relaxed);
}
int CountBlockedUnitWorkers() {
    return gBlockedSeen.load(std::memory_order_relaxed);
}
