#pragma once
// Units on TCP: the listener (worker thread #1) accepts connections on
// DEVICE_PORT and gives each a unit slot and a detached connection thread,
// which assembles the unit's lines, runs the unit session for each, enforces
// the silence time-outs and relays the unit's tunnel connection.

// Thread entry of the TCP device listener; never returns. A socket that
// cannot be set up ends the process ("Bind error #1" and so on).
void TcpDeviceListener();
