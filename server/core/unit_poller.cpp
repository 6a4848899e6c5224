#include "server/core/unit_poller.h"

#include <pthread.h>
#include <sys/epoll.h>

#include <cerrno>
#include <chrono>

#include "server/core/unit_workers.h"

namespace {

constexpr int64_t kSweepNs = 100'000'000;
constexpr uint64_t kTunnelTag = uint64_t{1} << 32;

int gEpoll = -1;
void (*gSweep)(int64_t) = nullptr;

bool Watch(int fd, uint64_t data) {
    epoll_event event{};
    event.events = EPOLLIN | EPOLLET;
    event.data.u64 = data;
    return epoll_ctl(gEpoll, EPOLL_CTL_ADD, fd, &event) == 0;
}

void* PollerMain(void*) {
    epoll_event events[256];
    int64_t nextSweep = PollerNowNs() + kSweepNs;
    for (;;) {
        int64_t now = PollerNowNs();
        int timeoutMs = now >= nextSweep ? 0 : static_cast<int>((nextSweep - now) / 1'000'000) + 1;
        int n = epoll_wait(gEpoll, events, 256, timeoutMs);
        if (n < 0 && errno != EINTR) continue;
        for (int i = 0; i < n; ++i) {
            uint64_t data = events[i].data.u64;
            int slot = static_cast<int>(data & 0xFFFFFFFF);
            PostUnitEvents(slot, (data & kTunnelTag) != 0 ? kUnitEventTunnel : kUnitEventSocket);
        }
        now = PollerNowNs();
        if (now >= nextSweep) {
            gSweep(now);
            nextSweep = now + kSweepNs;
        }
    }
}

}  // namespace

int64_t PollerNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool StartUnitPoller(void (*sweep)(int64_t nowNs)) {
    gSweep = sweep;
    gEpoll = epoll_create1(EPOLL_CLOEXEC);
    if (gEpoll < 0) return false;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    bool ok = pthread_create(&thread, &attr, PollerMain, nullptr) == 0;
    pthread_attr_destroy(&attr);
    return ok;
}

bool WatchUnitSocket(int slot, int fd) {
    return Watch(fd, static_cast<uint32_t>(slot));
}

bool WatchTunnelSocket(int slot, int fd) {
    return Watch(fd, kTunnelTag | static_cast<uint32_t>(slot));
}
