#include "server/core/unit_workers.h"

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
    static bool started = StartUnitWorkers(kWorkers, kKeys, Dispatch, Fetch);
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

TEST(UnitWorkers, WaitingWorkersHaveStandInsThatAreKeptForTheNextWait) {
    StartOnce();
    // Shared with the handlers, which may still be on their way out when a
    // round's checks are done.
    struct Round {
        std::mutex lock;
        std::condition_variable changed;
        int waiting = 0;
        int left = 0;
        bool released = false;
        Signal served;
    };
    auto round = [&] {
        auto r = std::make_shared<Round>();
        SetHandler([r](int key, uint32_t) {
            if (key == kKeys - 1) {
                r->served.Set();
                return;
            }
            BlockingScope blocking;
            std::unique_lock<std::mutex> guard(r->lock);
            ++r->waiting;
            r->changed.notify_all();
            r->changed.wait_for(guard, std::chrono::seconds(20), [&] { return r->released; });
            ++r->left;
            r->changed.notify_all();
        });
        // Every worker waits outside the pool's work; another key is
        // still served.
        for (int key = 0; key < kWorkers; ++key) PostUnitEvents(key, 1);
        {
            std::unique_lock<std::mutex> guard(r->lock);
            ASSERT_TRUE(r->changed.wait_for(guard, std::chrono::seconds(10),
                                            [&] { return r->waiting == kWorkers; }));
        }
        EXPECT_EQ(CountBlockedUnitWorkers(), kWorkers);
        PostUnitEvents(kKeys - 1, 1);
        EXPECT_TRUE(r->served.WaitFor(std::chrono::seconds(10)));
        std::unique_lock<std::mutex> guard(r->lock);
        r->released = true;
        r->changed.notify_all();
        // The waiters are back before the next round posts their keys again.
        ASSERT_TRUE(r->changed.wait_for(guard, std::chrono::seconds(10),
                                        [&] { return r->left == kWorkers; }));
    };
    round();
    int afterFirst = CountUnitWorkers();
    EXPECT_EQ(afterFirst, 2 * kWorkers);
    round();
    EXPECT_EQ(CountUnitWorkers(), afterFirst);
}

}  // namespace
