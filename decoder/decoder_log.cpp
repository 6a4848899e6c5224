#include "decoder/decoder_log.h"

#include <cstdarg>
#include <cstdio>

void DecoderLog::Write(const char* format, ...) {
    std::string text = StringPrintf("+%05u ", m_counter);
    va_list args;
    va_start(args, format);
    text += StringPrintfV(format, args);
    va_end(args);
    Append(text);
}

void DecoderLog::WriteEntries(const std::vector<std::string>& messages) {
    if (messages.empty()) return;
    std::string prefix = StringPrintf("+%05u ", m_counter);
    std::string text;
    for (const std::string& message : messages) text += prefix + message;
    Append(text);
}

void DecoderLog::Tick(const std::tm& utc) {
    if (m_ticksToTimeEntry > 0) {
        --m_ticksToTimeEntry;
        ++m_counter;
        return;
    }
    m_ticksToTimeEntry = kLogTimeEntryTicks - 1;
    m_counter = 0;
    Write("%02d:%02d:%02d %04d-%02d-%02d\n", utc.tm_hour, utc.tm_min, utc.tm_sec,
          utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday);
}

void DecoderLog::Append(const std::string& text) {
    std::FILE* file = std::fopen(m_path.c_str(), "a");
    if (file == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}
