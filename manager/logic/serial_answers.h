#pragma once
// Judging what a unit sends back over the serial cable.
//
// Text (Vimko-1): "$ANS" group nn "," value "*" checksum; the value ends at
// "*" and the checksum is not checked (units are known to send it wrong).
// Binary: only answers (direction 20) from the unit (address 0) count;
// command 11 accepts, 12 refuses, 40 carries data for the requested item,
// 50 a debug text, 80 archive counts and records.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "manager/logic/serial_frame.h"

struct TextAnswer {
    char group = 0;  // '1' General, '2' monitor, '5' FMS, '6' Dallas
    int nn = 0;
    std::string value;
};
std::optional<TextAnswer> SerialParseTextAnswer(std::string_view line);

// The debug text of a "$GPDBG," line (up to "*"), or nothing.
std::optional<std::string> SerialDebugLine(std::string_view line);

// Collects the answers of a Vimko-1 tab read into the tab's list values:
// General 29 values, FMS i J1708 21 (FMSID and 20 "PGN,SPN" pairs, an odd
// nn's PGN waiting for the even nn that completes it), Dallas 16 masks.
class TextReadCollector {
  public:
    explicit TextReadCollector(int tab);
    // True when the line was an answer of this tab.
    bool Take(std::string_view line);
    int Answers() const { return m_answers; }
    int Expected() const { return m_expected; }
    // Values set so far, by list row; rows not answered are nullopt.
    const std::vector<std::optional<std::string>>& Values() const { return m_values; }

  private:
    char m_group = 0;
    int m_expected = 0;
    int m_answers = 0;
    std::string m_pgn;
    std::vector<std::optional<std::string>> m_values;
};

enum class AnswerKind { kNone, kAccepted, kRefused, kData, kDebug, kArchive };
// What a checked frame means to a waiting action.
AnswerKind SerialAnswerKind(const SerialFrame& frame);

// The Debug log text of a frame, or nothing: " " + text for a unit's
// command 50, and the terminal frames seen on the shared cable.
std::optional<std::string> SerialFrameLogText(std::span<const uint8_t> frame);
