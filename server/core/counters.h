#pragma once
// Byte totals over all unit connections since start, shown by the status
// display. Incremented by every connection thread and sender; read by the
// main thread's tick. 32-bit, wrapping, as the display has always shown them.

#include <atomic>
#include <cstdint>

extern std::atomic<uint32_t> total_received;  // bytes received from units (TCP and UDP)
extern std::atomic<uint32_t> total_sent;      // bytes of text sent to units
