#pragma once
// Statements of the message queues. Pure: texts arrive already escaped.

#include <cstdint>
#include <ctime>
#include <string>

#include "server/device/line_frames.h"

// The inbox row of a message from a vehicle; `position` is null when the
// frame carried none. The fix status decides which position columns exist.
std::string BuildInboxInsert(const std::tm& now, uint32_t unitId, const std::string& addr,
                             const std::string& msg, const MessagePosition* position);
