#include "server/core/unit_workers.h"

#include "common/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kWorkers = 3;
constexpr int kDatabaseLimit = 5;
constexpr int kKeys = 64;

// The handler of the running test. A worker runs a copy, so a handler
// (and the state it shares) lives until its last call has returned, even
// after the next test has put its own in place.
std::mutex gHandlerLock;
std::function<void(int, uint32_t)> gHandler;  // gHandlerLock

void SetHandler(std::function<void(int, uint32_t)> handler) {
    std::lock_guard<std::mutex> lock(gHandlerLock);
    gHandler = std::move(handler);
}

void Dispatch(int key, uint32_t bits) {
    std::function<void(int, uint32_t)> handler;
    {
        std::lock_guard<std::mutex> lock(gHandlerLock);
        handler = gHandler;
    }
    handler(key, bits);
}

// Nothing outside the tests produces events: a fetch only waits a little,
// unless a test gives it something to do.
std::atomic<void (*)(bool)> gSource{nullptr};

void Fetch(bool wait) {
    if (auto source = gSource.load()) source(wait);
    if (wait) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void StartOnce() {
    static bool started = StartUnitWorkers(kWorkers, kDatabaseLimit, kKeys, Dispatch, Fetch);
    ASSERT_TRUE(started);
}

// Something a handler or the test waits for, with a bound.
class Signal {
  public:
    void Set() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_set = true;
        m_changed.notify_all();
    }
    bool WaitFor(std::chrono::seconds limit) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, limit, [this] { return m_set; });
    }

  private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_set = false;
};

TEST(UnitWorkers, EachKeyRunsOnOneWorkerAtATimeAndSeesItsLastPost) {
    StartOnce();
    constexpr int kUsed = 16;
    constexpr int kPostsPerThread = 4000;
    struct State {
        std::atomic<int> posted[kUsed] = {};
        std::atomic<int> seen[kUsed] = {};
        std::atomic<bool> inside[kUsed] = {};
        std::atomic<int> overlaps{0};
        std::mutex lock;
        std::condition_variable progressed;
    };
    auto state = std::make_shared<State>();
    SetHandler([state](int key, uint32_t bits) {
        EXPECT_EQ(bits, 1u);
        if (state->inside[key].exchange(true)) ++state->overlaps;
        state->seen[key] = state->posted[key].load();
        state->inside[key] = false;
        std::lock_guard<std::mutex> guard(state->lock);
        state->progressed.notify_all();
    });
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t) {
        posters.emplace_back([state, t] {
            for (int i = 0; i < kPostsPerThread; ++i) {
                int key = (i * 7 + t) % kUsed;
                ++state->posted[key];
                PostUnitEvents(key, 1);
            }
        });
    }
    for (std::thread& poster : posters) poster.join();
    auto allSeen = [&] {
        for (int key = 0; key < kUsed; ++key) {
            if (state->seen[key].load() != state->posted[key].load()) return false;
        }
        return true;
    };
    std::unique_lock<std::mutex> guard(state->lock);
    EXPECT_TRUE(state->progressed.wait_for(guard, std::chrono::seconds(10), allSeen));
    EXPECT_EQ(state->overlaps.load(), 0);
}

// While the queue is never empty, a worker stops to fetch now and then; the
// others empty the queue meanwhile, and what the fetch brings is run too.
constexpr int kBusyKeys = 32;
std::atomic<int> gBusyPosted[kBusyKeys];
std::atomic<int> gFetches{0};

// A slow fetch that brings a key of its own every other time.
void BusyFetch(bool wait) {
    if (wait) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    int n = gFetches++;
    if (n % 2 == 0) {
        ++gBusyPosted[n % kBusyKeys];
        PostUnitEvents(n % kBusyKeys, 1);
    }
}

TEST(UnitWorkers, FetchesWhileTheQueueIsBusyLoseNothing) {
    StartOnce();
    struct State {
        std::atomic<int> seen[kBusyKeys] = {};
        std::atomic<int> strays{0};
    };
    auto state = std::make_shared<State>();
    SetHandler([state](int key, uint32_t) {
        if (key < 0 || key >= kBusyKeys) {
            ++state->strays;
            return;
        }
        state->seen[key] = gBusyPosted[key].load();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
    auto allSeen = [&] {
        for (int key = 0; key < kBusyKeys; ++key) {
            if (state->seen[key].load() != gBusyPosted[key].load()) return false;
        }
        return true;
    };
    gSource = BusyFetch;
    // Bursts that keep the workers busy for longer than the fetch interval
    // and then run dry, each waited for until it is all run.
    bool lost = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!lost && std::chrono::steady_clock::now() < deadline) {
        for (int key = 0; key < kBusyKeys; ++key) {
            ++gBusyPosted[key];
            PostUnitEvents(key, 1);
        }
        auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!allSeen() && std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        lost = !allSeen();
    }
    gSource = nullptr;
    EXPECT_FALSE(lost);
    EXPECT_GT(gFetches.load(), 10);
    EXPECT_EQ(state->strays.load(), 0);
}

// Handlers that hold their key until the test lets them go, counting how
// many got in and how many left.
struct Holders {
    std::mutex lock;
    std::condition_variable changed;
    int inside = 0;
    int left = 0;
    bool released = false;
    Signal served;

    void Hold() {
        std::unique_lock<std::mutex> guard(lock);
        ++inside;
        changed.notify_all();
        changed.wait_for(guard, std::chrono::seconds(20), [&] { return released; });
    }
    // Once the handler's scopes have ended.
    void Left() {
        std::lock_guard<std::mutex> guard(lock);
        ++left;
        changed.notify_all();
    }
    bool WaitUntil(int* count, int value) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(10), [&] { return *count == value; });
    }
    void Release() {
        std::lock_guard<std::mutex> guard(lock);
        released = true;
        changed.notify_all();
    }
};

// Handles the last key at once (`served`) and holds every other inside a
// `Scope`; a holder counts as having left only once its scope has ended, so
// a worker still inside it never looks like one that is back.
template <typename Scope>
void HoldInside(const std::shared_ptr<Holders>& holders) {
    SetHandler([holders](int key, uint32_t) {
        if (key == kKeys - 1) {
            holders->served.Set();
            return;
        }
        {
            Scope scope;
            holders->Hold();
        }
        holders->Left();
    });
}

TEST(UnitWorkers, WaitingWorkersHaveStandInsThatAreKeptForTheNextWait) {
    StartOnce();
    auto round = [&] {
        // Shared with the handlers, which may still be on their way out when
        // a round's checks are done.
        // A worker still inside its wait when the next round begins would
        // need another stand-in: the waiters must be back first.
        auto holders = std::make_shared<Holders>();
        HoldInside<BlockingScope>(holders);
        // Every worker waits outside the pool's work; another key is
        // still served.
        for (int key = 0; key < kWorkers; ++key) PostUnitEvents(key, 1);
        ASSERT_TRUE(holders->WaitUntil(&holders->inside, kWorkers));
        EXPECT_EQ(CountBlockedUnitWorkers(), kWorkers);
        PostUnitEvents(kKeys - 1, 1);
        EXPECT_TRUE(holders->served.WaitFor(std::chrono::seconds(10)));
        holders->Release();
        // The waiters are back before the next round posts their keys again.
        ASSERT_TRUE(holders->WaitUntil(&holders->left, kWorkers));
    };
    round();
    int afterFirst = CountUnitWorkers();
    EXPECT_EQ(afterFirst, 2 * kWorkers);
    round();
    EXPECT_EQ(CountUnitWorkers(), afterFirst);
}

// Brings one event for the last key, once, from a fetch: only a worker that
// fetches can see it.
std::atomic<bool> gFetchedEventDue{false};
void FetchLastKeyOnce(bool) {
    if (gFetchedEventDue.exchange(false)) PostUnitEvents(kKeys - 1, 1);
}

TEST(UnitWorkers, WorkersHeldLongByTheDatabaseHaveStandInsUpToThePool) {
    StartOnce();
    auto holders = std::make_shared<Holders>();
    HoldInside<DatabaseScope>(holders);
    for (int key = 0; key < kWorkers; ++key) PostUnitEvents(key, 1);
    ASSERT_TRUE(holders->WaitUntil(&holders->inside, kWorkers));
    // Once they have held it long, stand-ins come, but no more workers run
    // than the pool has connections.
    CheckSlowDatabaseWorkers(SteadyNowNs() + kSlowDatabaseNs);
    EXPECT_EQ(CountBlockedUnitWorkers(), kDatabaseLimit - kWorkers);
    EXPECT_EQ(CountUnitWorkers(), kDatabaseLimit);
    for (int key = kWorkers; key < kWorkers + 3; ++key) PostUnitEvents(key, 1);
    ASSERT_TRUE(holders->WaitUntil(&holders->inside, kDatabaseLimit));
    CheckSlowDatabaseWorkers(SteadyNowNs() + kSlowDatabaseNs);
    EXPECT_EQ(CountUnitWorkers(), kDatabaseLimit);

    holders->Release();
    ASSERT_TRUE(holders->WaitUntil(&holders->left, kWorkers + 3));
    // The stand-ins are surplus now and park; fetching goes on without them.
    CheckSlowDatabaseWorkers(SteadyNowNs());
    EXPECT_EQ(CountBlockedUnitWorkers(), 0);
    gFetchedEventDue = true;
    gSource = FetchLastKeyOnce;
    EXPECT_TRUE(holders->served.WaitFor(std::chrono::seconds(10)));
    gSource = nullptr;
}

TEST(UnitWorkers, AWaitInsideTheDatabaseScopeCountsOnce) {
    StartOnce();
    auto holders = std::make_shared<Holders>();
    SetHandler([holders](int, uint32_t) {
        {
            DatabaseScope holding;
            BlockingScope blocking;
            holders->Hold();
        }
        holders->Left();
    });
    PostUnitEvents(0, 1);
    ASSERT_TRUE(holders->WaitUntil(&holders->inside, 1));
    CheckSlowDatabaseWorkers(SteadyNowNs() + kSlowDatabaseNs);
    EXPECT_EQ(CountBlockedUnitWorkers(), 1);
    EXPECT_EQ(CountUnitWorkers(), kWorkers + 1);
    holders->Release();
    ASSERT_TRUE(holders->WaitUntil(&holders->left, 1));
}

TEST(UnitWorkers, QuickDatabaseWorkersFollowTheCores) {
    struct Case {
        unsigned cores;
        int limit;
        int workers;
    };
    for (const Case& c : {Case{0, 25, 4}, Case{1, 25, 4}, Case{2, 25, 4}, Case{6, 25, 12},
                          Case{64, 25, 25}, Case{8, 3, 3}}) {
        EXPECT_EQ(QuickDatabaseWorkers(c.cores, c.limit), c.workers) << c.cores << " " << c.limit;
    }
}

}  // namespace
