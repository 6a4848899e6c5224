#pragma once
// The console's line reader as a byte-by-byte state machine: printable
// characters build the line, a line feed ends it, backspace removes the last
// character, other control bytes are ignored, and every telnet option the
// client offers or asks for is refused. Pure: the caller reads the bytes and
// sends the replies.

#include <cstdint>
#include <string>

inline constexpr size_t kConsoleLineMax = 4095;

class ConsoleLineReader {
  public:
    // Feeds one received byte. True when it completed the line (the line
    // feed itself is not stored). Telnet refusals to send back are appended
    // to `reply`.
    bool Feed(uint8_t byte, std::string& line, std::string& reply);

    // Negotiation state 0..5; it carries over from one line to the next.
    uint8_t state = 0;
};
