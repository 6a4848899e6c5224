#pragma once
// The unit session: everything one received line asks for.

#include "server/device/line_frames.h"
#include "server/device/line_parser.h"
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

// The same in two halves, so a connection thread can log the line with its
// frame log in one entry and needs no database connection for a line that
// asks for none. ParseUnitLine parses tasks[slot].line into `frames` (the
// unit's last location moves on); ProcessParsedLine then does the rest, with
// ProcessDeviceLine's results, 1 for an empty line and 0 for a discarded one.
LineParse ParseUnitLine(int slot, LineFrames& frames);
int ProcessParsedLine(int slot, const LineFrames& frames, LineParse parse, SqlLease& db);
