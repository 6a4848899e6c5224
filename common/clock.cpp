#include "common/clock.h"

#include <chrono>

int64_t WallClockNow() {
    return static_cast<int64_t>(std::time(nullptr));
}

int64_t SteadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::tm UtcTime(int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm out{};
    gmtime_r(&t, &out);
    return out;
}
