// Fuzz target: whatever bytes a console client sends, the line reader must
// hand out only printable lines of at most 4095 characters, answer only
// with well-formed telnet refusals, and keep its state in range.

#include <cstddef>
#include <cstdint>
#include <string>

#include "server/console/line_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ConsoleLineReader reader;
    std::string line;
    std::string reply;
    size_t checked = 0;
    for (size_t i = 0; i < size; ++i) {
        bool complete = reader.Feed(data[i], line, reply);
        if (reader.state > 5) __builtin_trap();
        if (line.size() > kConsoleLineMax) __builtin_trap();
        // Only the last character can be new; the earlier ones were checked.
        if (!line.empty() && (line.back() < 32 || line.back() > 126)) __builtin_trap();
        // Every reply is IAC DONT x or IAC WONT x, sent for the option byte just read.
        if (reply.size() != checked) {
            if (reply.size() != checked + 3) __builtin_trap();
            uint8_t verb = static_cast<uint8_t>(reply[checked + 1]);
            if (static_cast<uint8_t>(reply[checked]) != 255 || (verb != 252 && verb != 254) ||
                static_cast<uint8_t>(reply[checked + 2]) != data[i]) {
                __builtin_trap();
            }
            checked = reply.size();
        }
        if (complete) line.clear();
    }
    return 0;
}
