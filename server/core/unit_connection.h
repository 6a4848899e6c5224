#pragma once
// A unit's TCP connection, driven by events instead of a thread of its own:
// it assembles the unit's lines and runs the unit session for each, enforces
// the silence time-outs and relays the unit's tunnel connection. Each slot
// has one connection record, run by one unit worker at a time.

#include <cstdint>

// The unit worker's handler: `bits` are kUnitEvent* for connection `slot`.
// kUnitEventStart begins the connection of a slot just allocated to a new
// socket; the other bits of a connection that has ended (or not begun) are
// ignored, as are a socket or tunnel that has nothing to read.
void HandleUnitConnectionEvents(int slot, uint32_t bits);

// The poller's sweep: posts kUnitEventSecond to every running connection
// whose second without a byte is over, or whose slot is to be terminated.
void SweepUnitConnections(int64_t nowNs);
