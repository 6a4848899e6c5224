#pragma once
// The server's log: one text file to which every thread appends, each entry
// whole and in the order the threads write them. The file can be
// deleted or moved at any time: the next entry finds the path no longer
// names the open file and creates it again. An entry is in the file when
// its call returns, except a unit's line entries let go by LogReleaseHeld
// (or carried in front of another entry): when the log was written to
// within the last 2 ms they are gathered with the ones that follow and
// written together within 2 ms more, behind every entry taken in before
// them and ahead of every later one. LogFlush writes them at once. An entry
// that cannot be written is lost without notice. Entries stay whole
// because each goes to the file in one append, which the kernel keeps
// whole for a local regular file; only when the disk fills part-way
// through an entry can its rest follow another thread's entry.
//
// Thread contract: every function is safe from any thread; the path is set
// before the first entry. The log clock is written only by the main
// thread's tick and read by every thread.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/text_format.h"

// The UTC time of day as hhmmss (13:05:09 is 130509); 0 until the first tick.
extern std::atomic<uint32_t> gLogClock;

// Sets the file the entries go to. Called once at start-up, before any thread.
void LogSetPath(const std::string& path);

// Appends one entry: the log clock as "%06u " and the formatted message, which
// carries its own line end.
void LogWrite(const char* format, ...) VIMKO_PRINTF(1, 2);

// Appends formatted text without the prefix, continuing an entry that a
// LogWrite opened (hex dumps, echoes of sent lines).
void LogAppend(const char* format, ...) VIMKO_PRINTF(1, 2);

// Appends several entries (each a message with its line end) in one write:
// each gets its own prefix and stays whole, and a row's decode entries cost
// one path lookup and one write instead of one each.
void LogWriteEntries(const std::vector<std::string>& messages);

// Appends text exactly as given, in one write: an entry built with
// LogPrefix and the pieces that continue it stay together.
void LogAppendText(const std::string& text);

// Keeps `text` (whole entries) back until the calling thread's next entry,
// which then carries it in front in the same write, or until
// LogReleaseHeld. A unit's location line and the entries its row adds cost
// one write instead of two; the thread's entries keep their order.
void LogHold(const std::string& text);
// Lets go of what the calling thread holds back, if anything.
void LogReleaseHeld();
// Writes every gathered entry before returning: before the log is read or
// deleted, and before the process ends.
void LogFlush();
// Several entries as LogWriteEntries writes them, but kept back behind what
// the calling thread already holds, if it holds anything: a held line's
// decode entries go out with the line and the entry that ends its row.
void LogHoldEntries(const std::vector<std::string>& messages);

// The prefix of an entry written at log clock `clock`.
std::string LogPrefix(uint32_t clock);
