#include "server/core/unit_workers.h"

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace {

constexpr size_t kWorkerStack = 1 << 20;

// gLock guards the queue and the worker counts; the per-key bits and the
// queued marks are atomic so a post that finds its key already queued takes
// no lock.
std::mutex gLock;
std::condition_variable gWake;
std::deque<int> gQueue;
int gTarget = 0;   // workers that should be running outside a BlockingScope
int gWorkers = 0;  // worker threads alive
int gBlocked = 0;  // of them, inside a BlockingScope
int gIdle = 0;     // of them, waiting for the queue
std::atomic<int> gWorkersSeen{0};
std::atomic<int> gBlockedSeen{0};
UnitEventHandler gHandle = nullptr;
std::unique_ptr<std::atomic<uint32_t>[]> gPending;
// True from the post that queues a key until the worker that runs it has
// taken all its bits: a key is in the queue or being run at most once.
std::unique_ptr<std::atomic<bool>[]> gQueued;

thread_local bool tWorker = false;
thread_local int tBlockingDepth = 0;

void PublishCounts() {
    gWorkersSeen.store(gWorkers, std::memory_order_relaxed);
    gBlockedSeen.store(gBlocked, std::memory_order_relaxed);
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

void* WorkerMain(void*) {
    tWorker = true;
    std::unique_lock<std::mutex> lock(gLock);
    for (;;) {
        while (gQueue.empty()) {
            if (gWorkers - gBlocked > gTarget) {
                --gWorkers;
                PublishCounts();
                return nullptr;
            }
            ++gIdle;
            gWake.wait(lock);
            --gIdle;
        }
        int key = gQueue.front();
        gQueue.pop_front();
        lock.unlock();
        RunKey(key);
        lock.lock();
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

bool StartUnitWorkers(int workers, int keys, UnitEventHandler handle) {
    gHandle = handle;
    gPending = std::make_unique<std::atomic<uint32_t>[]>(static_cast<size_t>(keys));
    gQueued = std::make_unique<std::atomic<bool>[]>(static_cast<size_t>(keys));
    std::lock_guard<std::mutex> lock(gLock);
    gTarget = workers;
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
    std::lock_guard<std::mutex> lock(gLock);
    ++gBlocked;
    // A worker to stand in while this one waits; it ends once the queue is
    // empty and the waiters are back.
    if (gWorkers - gBlocked < gTarget) SpawnWorkerLocked();
    PublishCounts();
}

BlockingScope::~BlockingScope() {
    if (tWorker) --tBlockingDepth;
    if (!m_counted) return;
    std::lock_guard<std::mutex> lock(gLock);
    --gBlocked;
    PublishCounts();
}

int CountUnitWorkers() {
    return gWorkersSeen.load(std::memory_order_relaxed);
}
int CountBlockedUnitWorkers() {
    return gBlockedSeen.load(std::memory_order_relaxed);
}
