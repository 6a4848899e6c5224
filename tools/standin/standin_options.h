#pragma once
// The command line every stand-in takes: "--name value" pairs, --host and
// --port common to all of them, the rest handed to the program. Any error
// prints the program's usage on standard error and exits with code 2.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace standin {

[[noreturn]] inline void UsageExit(const char* usage) {
    std::fputs(usage, stderr);
    std::exit(2);
}

// `other(name, value)` takes the program's own options and returns false
// for one it does not know.
template <typename Other>
void ParseOptions(int argc, char** argv, const char* usage, std::string& host, int& port,
                  Other&& other) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) UsageExit(usage);
        std::string value = argv[++i];
        if (arg == "--host") {
            host = value;
        } else if (arg == "--port") {
            port = std::atoi(value.c_str());
        } else if (!other(arg, value)) {
            UsageExit(usage);
        }
    }
    if (port < 1 || port > 65535) UsageExit(usage);
}

}  // namespace standin
