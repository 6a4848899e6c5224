#include "common/card_message.h"

namespace {

constexpr uint8_t kMagic[4] = {0xDE, 0xAD, 0xBE, 0xEF};

}  // namespace

std::string BuildCardMessage(uint8_t mode, std::string_view data) {
    std::string out;
    for (uint8_t b : kMagic) out += static_cast<char>(b);
    out += static_cast<char>(mode);
    out += static_cast<char>(data.size() & 0xFF);
    out += static_cast<char>((data.size() >> 8) & 0xFF);
    out.append(data);
    return out;
}

CardAnswer ParseCardAnswer(std::string_view received, uint8_t mode) {
    CardAnswer answer;
    if (received.size() < kCardHeaderSize + 2) return answer;
    auto at = [&](size_t i) { return static_cast<uint8_t>(received[i]); };
    for (size_t i = 0; i < 4; ++i) {
        if (at(i) != kMagic[i]) {
            answer.check = CardAnswerCheck::kCorrupt;
            return answer;
        }
    }
    if (at(4) != mode) {
        answer.check = CardAnswerCheck::kCorrupt;
        return answer;
    }
    answer.size = static_cast<uint16_t>(at(5) | (at(6) << 8));
    size_t body = received.size() - kCardHeaderSize;
    answer.check = answer.size == body ? CardAnswerCheck::kOk : CardAnswerCheck::kLengthDiffers;
    answer.data = received.substr(kCardHeaderSize, answer.size < body ? answer.size : body);
    return answer;
}

int CardCounter(std::string_view data) {
    int low = data.size() > 0 ? static_cast<uint8_t>(data[0]) : 0;
    int high = data.size() > 1 ? static_cast<uint8_t>(data[1]) : 0;
    return low | (high << 8);
}
