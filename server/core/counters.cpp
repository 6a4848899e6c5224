#include "server/core/counters.h"

std::atomic<uint32_t> total_received{0};
std::atomic<uint32_t> total_sent{0};
