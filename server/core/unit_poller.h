#pragma once
// One epoll set for every unit connection's socket and tunnel. The unit
// workers fetch from it in turn, which turns readiness into their events
// (edge-triggered: a handler reads until a short read or EAGAIN) and, every
// tenth of a second, lets the connections post the seconds that went by
// without a byte.

#include <cstdint>

// Event bits of a unit connection.
inline constexpr uint32_t kUnitEventStart = 1;   // a new connection took the slot
inline constexpr uint32_t kUnitEventSocket = 2;  // the unit's socket can be read
inline constexpr uint32_t kUnitEventTunnel = 4;  // the tunnel's socket can be read
inline constexpr uint32_t kUnitEventSecond = 8;  // a silent second may have gone by

// Creates the set; `sweep(nowNs)` is run by the fetches every 100 ms. False
// when it could not be created.
bool OpenUnitPoller(void (*sweep)(int64_t nowNs));

// One fetch (the workers' UnitEventSource): posts what is ready; with
// `wait`, waits for it until the next sweep is due. One caller at a time.
void PollUnitSockets(bool wait);

// Watches a socket for `slot` (its unit connection or its tunnel). A closed
// descriptor leaves the set by itself. False when epoll refused it.
bool WatchUnitSocket(int slot, int fd);
bool WatchTunnelSocket(int slot, int fd);
