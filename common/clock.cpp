#include "common/clock.h"

int64_t WallClockNow() {
    return static_cast<int64_t>(std::time(nullptr));
}

std::tm UtcTime(int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm out{};
    gmtime_r(&t, &out);
    return out;
}
