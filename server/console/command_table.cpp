#include "server/console/command_table.h"

#include <cstring>

// Longer words sharing a beginning with a shorter one stand before it, so
// "writecfg3 ..." is not taken for "writecfg". There is no "writecal": a
// line starting with it is an unknown command.
const char* const kPrefixCommands[] = {
    "select",     "readcfg",   "writecfg3", "writecfg", "writepcfg",  "readfirm",   "writedata",
    "readoffln",  "writefirm", "writeterm", "recovery", "distance",   "readcal",    "writecal3",
    "readfms",    "writefms3", "writefms",  "readcane", "writecane3", "writecane",  "readcan2",
    "readcan",    "writecan3", "writecan2", "writecan", "readstat",   "writestat3", "writestat",
    "readtfrm",   "writetfrm", "readbtn",   "writebtn", "readmask",   "writemask",  "readntwk",
    "writentwk3", "writentwk", "korvalen",  "readdfrm", "writedfrm",  "wrfirmex",
};
const int kPrefixCommandCount =
    static_cast<int>(sizeof kPrefixCommands / sizeof kPrefixCommands[0]);

ConsoleDispatch DispatchConsoleLine(const std::string& line) {
    ConsoleDispatch out;
    for (const char* word : {"exit", "help", "list", "readlog", "clearlog"}) {
        if (line == word) {
            out.kind = ConsoleDispatch::kExact;
            out.word = word;
            return out;
        }
    }
    for (int i = 0; i < kPrefixCommandCount; ++i) {
        const char* word = kPrefixCommands[i];
        size_t length = std::strlen(word);
        if (line.compare(0, length, word) != 0) continue;
        out.word = word;
        if (line.size() > length + 1 && line[length] == ' ') {
            out.kind = ConsoleDispatch::kPrefix;
            out.args = line.substr(length + 1);
        } else {
            out.kind = ConsoleDispatch::kMissingArgs;
        }
        return out;
    }
    out.kind = line.empty() ? ConsoleDispatch::kEmpty : ConsoleDispatch::kUnknown;
    return out;
}
