#pragma once
// The decoder's log: every entry is "+%05u " with the log counter, then the
// message with its own line end, written by one open-append-close of the
// file (so the file may be moved or deleted at any time). The decoder has
// one thread, so there is no lock. An entry that cannot be written is lost.
//
// The log counter counts the one-second ticks: the first tick and every
// 3600th after it set it back to 0 and write the UTC time and date as an
// entry of its own; every other tick increases it. So the prefix is the
// number of seconds since the last time entry, and entries before the first
// tick carry 0.

#include <ctime>
#include <string>
#include <vector>

#include "common/text_format.h"

inline constexpr int kLogTimeEntryTicks = 3600;

class DecoderLog {
  public:
    explicit DecoderLog(std::string path) : m_path(std::move(path)) {}

    // One entry: the prefix and the formatted message.
    void Write(const char* format, ...) VIMKO_PRINTF(2, 3);
    // Several entries (each a message with its line end) in one append.
    void WriteEntries(const std::vector<std::string>& messages);

    // One timer tick at UTC time `utc`.
    void Tick(const std::tm& utc);

    unsigned counter() const { return m_counter; }

  private:
    void Append(const std::string& text);

    std::string m_path;
    unsigned m_counter = 0;
    int m_ticksToTimeEntry = 0;  // 0: the next tick writes the time entry
};
