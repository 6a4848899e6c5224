#pragma once
// The session's part of the tachograph traffic of one unit line: the driver
// card upload (frame 56) and the remote company download (KorvNotify 129,
// the web service relay 130, KorvData 132, TachoNotify 145, TachoAuth 146,
// TachoData 148). Runs on the unit's connection thread inside
// ProcessDeviceLine, after the answers to the server's requests.
//
// The slot fields of the upload (`blockno`, `driverFile`) are the connection
// thread's own; the download fields (`downloadId`, `downloadFile`,
// `lastDataCounter`, `cardReserved`) are written here and by the hand-over
// of a reconnecting unit, which runs on the new slot's thread before this.

#include "server/device/line_frames.h"
#include "server/device/line_outcome.h"
#include "server/store/sql_pool.h"

// Frame 56: one block of a driver card file; writes the ".ddd" file after the
// last block.
void DriverFileBlock(int slot, const LineFrames& f, LineOutcome& out);

// Frames 129, 130, 132, 145, 146, 148, in this order. The database lease is
// given back while an outside service is waited on and taken again for the
// next statement.
void TachoDownloadFrames(int slot, const LineFrames& f, SqlLease& db, LineOutcome& out);
