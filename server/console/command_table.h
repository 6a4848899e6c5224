#pragma once
// Dispatching a console command line: exact words first, then the prefix
// commands in their fixed order, each needing a blank and an argument.
// Pure.

#include <string>

struct ConsoleDispatch {
    enum Kind {
        kEmpty,        // an empty line: no answer, only the next prompt
        kExact,        // exit, help, list, readlog, clearlog
        kPrefix,       // a prefix command with its argument text
        kMissingArgs,  // a prefix command without a blank and an argument
        kUnknown,      // anything else
    } kind = kUnknown;
    std::string word;  // the command word for kExact, kPrefix, kMissingArgs
    std::string args;  // the argument text after the blank (kPrefix)
};

ConsoleDispatch DispatchConsoleLine(const std::string& line);

// The prefix command words in the order they are tried.
extern const char* const kPrefixCommands[];
extern const int kPrefixCommandCount;
