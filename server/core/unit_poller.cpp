#include "server/core/unit_poller.h"

#include <sys/epoll.h>

#include <cerrno>

#include "common/clock.h"
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

int64_t gNextSweepNs = 0;  // used by the polling worker only

}  // namespace

void PollUnitSockets(bool wait) {
    epoll_event events[256];
    int64_t now = SteadyNowNs();
    int timeoutMs = 0;
    if (wait && now < gNextSweepNs)
        timeoutMs = static_cast<int>((gNextSweepNs - now) / 1'000'000) + 1;
    int n = epoll_wait(gEpoll, events, 256, timeoutMs);
    for (int i = 0; i < n; ++i) {
        uint64_t data = events[i].data.u64;
        int slot = static_cast<int>(data & 0xFFFFFFFF);
        PostUnitEvents(slot, (data & kTunnelTag) != 0 ? kUnitEventTunnel : kUnitEventSocket);
    }
    now = SteadyNowNs();
    if (now >= gNextSweepNs) {
        gSweep(now);
        gNextSweepNs = now + kSweepNs;
    }
}

bool OpenUnitPoller(void (*sweep)(int64_t nowNs)) {
    gSweep = sweep;
    gEpoll = epoll_create1(EPOLL_CLOEXEC);
    return gEpoll >= 0;
}

bool WatchUnitSocket(int slot, int fd) {
    return Watch(fd, static_cast<uint32_t>(slot));
}

bool WatchTunnelSocket(int slot, int fd) {
    return Watch(fd, kTunnelTag | static_cast<uint32_t>(slot));
}
