#include "server/core/fatal.h"

#include <unistd.h>

#include <cstdio>

#include "server/core/log.h"

void FatalExit(const std::string& message) {
    LogFlush();
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    _exit(1);
}
