#include "manager/logic/serial_answers.h"

#include "manager/logic/serial_requests.h"

std::optional<TextAnswer> SerialParseTextAnswer(std::string_view line) {
    if (line.size() < 7 || line.substr(0, 4) != "$ANS") return std::nullopt;
    if (line[5] < '0' || line[5] > '9' || line[6] < '0' || line[6] > '9') return std::nullopt;
    TextAnswer answer;
    answer.group = line[4];
    answer.nn = (line[5] - '0') * 10 + (line[6] - '0');
    if (line.size() > 7 && line[7] == ',') {
        std::string_view value = line.substr(8);
        answer.value = std::string(value.substr(0, value.find('*')));
    }
    return answer;
}

std::optional<std::string> SerialDebugLine(std::string_view line) {
    if (line.substr(0, 7) != "$GPDBG,") return std::nullopt;
    std::string_view text = line.substr(7);
    return std::string(text.substr(0, text.find('*')));
}

TextReadCollector::TextReadCollector(int tab)
    : m_group(SerialTextGroup(tab)), m_expected(SerialTextValueCount(tab)) {
    m_values.resize(static_cast<size_t>(m_group == '5' ? 21 : m_expected));
}

bool TextReadCollector::Take(std::string_view line) {
    std::optional<TextAnswer> answer = SerialParseTextAnswer(line);
    if (!answer || answer->group != m_group || answer->nn >= m_expected) return false;
    ++m_answers;
    if (m_group != '5') {
        m_values[static_cast<size_t>(answer->nn)] = answer->value;
    } else if (answer->nn == 0) {
        m_values[0] = answer->value;
    } else if (answer->nn % 2 == 1) {
        m_pgn = answer->value;
    } else {
        m_values[static_cast<size_t>(answer->nn / 2)] = m_pgn + "," + answer->value;
    }
    return true;
}

AnswerKind SerialAnswerKind(const SerialFrame& f) {
    if (f.header.direction != kDirectionAnswer || f.header.address != kAddressUnit)
        return AnswerKind::kNone;
    switch (f.header.command) {
        case kCmdAccepted:
            return AnswerKind::kAccepted;
        case kCmdRefused:
            return AnswerKind::kRefused;
        case kCmdRead:
            return AnswerKind::kData;
        case kCmdDebugText:
            return AnswerKind::kDebug;
        case kCmdArchive:
            return AnswerKind::kArchive;
        default:
            return AnswerKind::kNone;
    }
}

std::optional<std::string> SerialFrameLogText(std::span<const uint8_t> frame) {
    if (frame.size() < kFrameHeaderSize + 2) return std::nullopt;
    const uint8_t mark = frame[3], address = frame[5], direction = frame[6];
    const uint8_t command = frame[8], item = frame[9];
    if (address == kAddressUnit && direction == kDirectionAnswer && command == kCmdDebugText) {
        std::string text = " ";
        for (size_t i = 9; i + 3 < frame.size(); ++i) text += static_cast<char>(frame[i]);
        return text;
    }
    if (direction != kDirectionRequest) return std::nullopt;
    if (address == kAddressVr20 && command == kCmdRead && item == 20)
        return std::string(" VR20 Terminal");
    if (address != kAddressKx05) return std::nullopt;
    if (mark == kMarkUpload && command == kCmdFirmware) {
        return " KX05 Terminal: SendFirmware==" + std::to_string(frame[4] + 248 * item - 12401);
    }
    if (command == kCmdService && item == 60) return std::string(" KX05 Terminal: SynchroClock");
    if (command == kCmdArchive) return std::string(" KX05 Terminal: SendMessage");
    if (command == kCmdWrite && item == 54) return std::string(" KX05 Terminal: SendConfig");
    if (command == kCmdRead) return " KX05 Terminal: Request==" + std::to_string(item);
    return std::nullopt;
}
