#include "server/core/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <mutex>

std::atomic<uint32_t> gLogClock{0};

namespace {

std::string gLogPath;  // written once before the threads start

// The log stays open between entries, but before each entry the path is
// looked up again: when the file was deleted or moved away (its inode is no
// longer the one open), the entry goes to a new file created at the path.
// One lookup and one write per entry instead of an open, a write and a
// close, under a lock held only for those two calls.
std::mutex gLogLock;
int gLogFd = -1;    // gLogLock
dev_t gLogDev = 0;  // gLogLock: the open file's device and inode
ino_t gLogIno = 0;  // gLogLock

void ReopenIfMoved() {
    struct stat atPath {};
    if (gLogFd >= 0 && ::stat(gLogPath.c_str(), &atPath) == 0 && atPath.st_dev == gLogDev &&
        atPath.st_ino == gLogIno) {
        return;
    }
    if (gLogFd >= 0) ::close(gLogFd);
    gLogFd = ::open(gLogPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    struct stat opened {};
    if (gLogFd >= 0 && ::fstat(gLogFd, &opened) == 0) {
        gLogDev = opened.st_dev;
        gLogIno = opened.st_ino;
    }
}

void AppendEntry(const std::string& text) {
    std::lock_guard<std::mutex> lock(gLogLock);
    ReopenIfMoved();
    if (gLogFd < 0) return;
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(gLogFd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
}

}  // namespace

void LogSetPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(gLogLock);
    gLogPath = path;
    if (gLogFd >= 0) ::close(gLogFd);
    gLogFd = -1;
}

std::string LogPrefix(uint32_t clock) {
    return StringPrintf("%06u ", clock);
}

void LogWrite(const char* format, ...) {
    std::string text = LogPrefix(gLogClock.load(std::memory_order_relaxed));
    va_list args;
    va_start(args, format);
    text += StringPrintfV(format, args);
    va_end(args);
    AppendEntry(text);
}

void LogAppend(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = StringPrintfV(format, args);
    va_end(args);
    AppendEntry(text);
}

void LogWriteEntries(const std::vector<std::string>& messages) {
    if (messages.empty()) return;
    std::string prefix = LogPrefix(gLogClock.load(std::memory_order_relaxed));
    std::string text;
    for (const std::string& message : messages) text += prefix + message;
    AppendEntry(text);
}
