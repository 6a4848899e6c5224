#include "server/core/fatal.h"

#include <unistd.h>

#include <cstdio>

void FatalExit(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    _exit(1);
}
