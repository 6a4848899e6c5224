#pragma once
// The unit session: everything one received line asks for.

#include "server/store/sql_pool.h"

// Processes tasks[slot].line on the slot's connection thread (or the UDP
// thread) with the database connection it lent (the lease must hold one;
// the tachograph exchanges give it back while they wait on an outside
// service and take one again for their next statement):
//   1  the line was processed (also an empty line);
//   0  the line was discarded by an unknown frame of length 0;
//  -1  storing the identification, location or message failed; the call
//      stopped there without acknowledging, and the caller closes the
//      database connection (the unit stays connected).
int ProcessDeviceLine(int slot, SqlLease& db);
