#include "common/tick_wait.h"

#include <pthread.h>

#include <cerrno>
#include <ctime>

sigset_t BlockStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    return stopSignals;
}

int WaitForTick(const sigset_t& stopSignals) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    timespec wait{0, 1000000000L - now.tv_nsec};
    for (;;) {
        int sig = sigtimedwait(&stopSignals, nullptr, &wait);
        if (sig > 0) return sig;
        if (errno == EAGAIN) return 0;
        if (errno != EINTR) return 0;
    }
}
