#include "server/console/line_reader.h"

namespace {

constexpr uint8_t kIac = 255;
constexpr uint8_t kWill = 251;
constexpr uint8_t kWont = 252;
constexpr uint8_t kDont = 254;

}  // namespace

bool ConsoleLineReader::Feed(uint8_t byte, std::string& line, std::string& reply) {
    switch (state) {
        case 0:
            if (byte == kIac) {
                state = 1;
            } else if (byte == '\n') {
                return true;
            } else if (byte == 8) {
                if (!line.empty()) line.pop_back();
            } else if (byte >= 32 && byte <= 126) {
                if (line.size() < kConsoleLineMax) line += static_cast<char>(byte);
            }
            return false;
        case 1:
            // WILL/WONT/DO/DONT name an option next; IAC IAC and other
            // commands produce nothing.
            state = (byte >= kWill && byte <= kDont) ? static_cast<uint8_t>(byte - kWill + 2) : 0;
            return false;
        case 2:
        case 3:
            // The client will (or will not) use an option: the server does not want it.
            reply += {static_cast<char>(kIac), static_cast<char>(kDont), static_cast<char>(byte)};
            state = 0;
            return false;
        default:
            // The client asks the server to use an option: the server will not.
            reply += {static_cast<char>(kIac), static_cast<char>(kWont), static_cast<char>(byte)};
            state = 0;
            return false;
    }
}
