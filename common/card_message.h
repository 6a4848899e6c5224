#pragma once
// Messages of the tachograph card server, both directions:
//
//   +----+----+----+----+------+---------+---------+------------+
//   | DE | AD | BE | EF | mode | size lo | size hi | size bytes |
//   +----+----+----+----+------+---------+---------+------------+
//     0    1    2    3     4       5         6        7 ...
//
// mode 0x31 authentication, 0x32 data with answer, 0x33 data without answer.
// Used by the server (client side) and by the card server stand-in.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr uint8_t kCardModeAuth = 0x31;
inline constexpr uint8_t kCardModeData = 0x32;
inline constexpr uint8_t kCardModeDataNoAnswer = 0x33;
inline constexpr size_t kCardHeaderSize = 7;

std::string BuildCardMessage(uint8_t mode, std::string_view data);

enum class CardAnswerCheck {
    kOk,             // header as expected, size + 7 equals the bytes received
    kLengthDiffers,  // header as expected, size disagrees with the bytes received (still usable)
    kTooShort,       // fewer than 9 bytes
    kCorrupt,        // magic or mode differ from the request's
};

struct CardAnswer {
    CardAnswerCheck check = CardAnswerCheck::kTooShort;
    uint16_t size = 0;  // size field of the header
    // The data bytes that were really received, at most `size` of them.
    std::string_view data;
};

// Checks an answer to a request of `mode` and points at its data.
CardAnswer ParseCardAnswer(std::string_view received, uint8_t mode);

// The first two data bytes as a little-endian number (missing bytes 0): the
// "counter" both sides log.
int CardCounter(std::string_view data);
