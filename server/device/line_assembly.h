#pragma once
// Assembling a TCP unit's received bytes into lines. Pure: the connection
// thread feeds every byte it reads, in whatever chunks the socket gave them.
//
//   line: [c0 c1 ... c(n-1) term]   up to kLineSize - 1 = 1023 bytes kept
//
// Every byte is stored while fewer than 1023 are kept, the terminator
// included; later bytes of an over-long line are dropped. The terminator
// ('\n', '.' or ';') ends the line: the last kept byte is replaced by NUL,
// so a line that fitted loses only its terminator, while an over-long one
// keeps its first 1022 characters (its 1023rd byte is overwritten).

#include <cstdint>

#include "server/device/device_slot.h"

// True when `byte` is a line terminator of some unit family.
inline bool IsLineTerminator(uint8_t byte) {
    return byte == '\n' || byte == '.' || byte == ';';
}

// Feeds one byte into `line` holding `length` bytes. Returns true when the
// byte ended the line; `line` is then the NUL-terminated text and `length`
// is 0 again for the next line.
bool FeedLineByte(char (&line)[kLineSize], uint32_t& length, uint8_t byte);
