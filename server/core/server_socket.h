#pragma once
// Opening the server's three sockets at start-up. A failure is a start-up
// failure: its text ("Bind error #1" ...) is logged and shown, and the
// process ends with code 1.

#include "common/unique_fd.h"

// `thread` is the number of the thread that owns the socket: 1 the TCP
// unit listener, 2 the console listener, 3 the UDP unit server.
UniqueFd OpenServerSocketOrExit(bool stream, int port, int thread);
