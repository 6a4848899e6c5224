#pragma once
// Units on TCP: the listener (worker thread #1) accepts connections on
// DEVICE_PORT and gives each a unit slot, whose connection the unit workers
// then run on the poller's events.

// Thread entry of the TCP device listener; never returns. A socket that
// cannot be set up, or workers that cannot be started, end the process
// ("Bind error #1" and so on).
void TcpDeviceListener();
