#include "server/device/line_assembly.h"

bool FeedLineByte(char (&line)[kLineSize], uint32_t& length, uint8_t byte) {
    if (length < kLineSize - 1) line[length++] = static_cast<char>(byte);
    if (!IsLineTerminator(byte)) return false;
    line[length - 1] = '\0';
    length = 0;
    return true;
}
