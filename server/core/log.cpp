#include "server/core/log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

std::atomic<uint32_t> gLogClock{0};

namespace {

std::mutex gLogLock;
std::string gLogPath;  // written once before the threads start

void AppendEntry(const std::string& text) {
    std::lock_guard<std::mutex> lock(gLogLock);
    std::FILE* file = std::fopen(gLogPath.c_str(), "a");
    if (file == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

}  // namespace

void LogSetPath(const std::string& path) {
    gLogPath = path;
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
