#pragma once
// The parse loop of one unit line: walks the frames of the Base64 text and
// hands each to its handler, which fills LineFrames and the unit's location
// record. Pure: no sockets, database or log.

#include "common/location_record.h"
#include "server/device/line_frames.h"

enum class LineParse {
    kEmpty,      // no frame at all: nothing to do, nothing to acknowledge
    kDiscarded,  // an unknown frame with length byte 0: the whole line is dropped
    kParsed,     // every frame handled; the after-line processing follows
};

// Parses `line` (NUL-terminated Base64, terminator already removed). The
// location frames update `record` only when the line is kParsed.
LineParse ParseDeviceLine(const char* line, LineFrames& frames, LocationRecord& record);

// True for identifiers the parse loop has a handler for.
bool IsKnownUnitFrame(int id);
