#pragma once
// Units on UDP (worker thread #3): one thread for all of them. Each datagram
// is one line, matched to its unit's slot by the identifier in its header;
// silent units are retired by a sweep after every wait.

#include <cstdint>

// Thread entry of the UDP device server; never returns. A socket that cannot
// be set up ends the process ("Bind error #3" and so on).
void UdpDeviceServer();

// Frees terminated UDP slots and holds those silent for more than
// RCV_TIMEOUT seconds. Run after every wait of the UDP thread.
void UdpSilenceSweep(int64_t now);
