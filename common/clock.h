#pragma once
// The wall clock, in one place: seconds since 1970 (UTC) and their UTC
// breakdown. Sweeps and statements take `now` as a parameter so that tests
// can put them at any moment without waiting.

#include <cstdint>
#include <ctime>

int64_t WallClockNow();
// The monotonic clock in nanoseconds, for deadlines and gaps within the process.
int64_t SteadyNowNs();
std::tm UtcTime(int64_t seconds);
