#pragma once
// The message tables: messages from vehicles into inbox.

#include <mysql.h>

#include <cstdint>
#include <string>

#include "server/device/line_frames.h"

// Stores a vehicle's message for unit `unitId`; `position` may be null.
// 0 on success, -1 after a failed statement.
int writetoinbox(int slot, MYSQL* connection, uint32_t unitId, const std::string& addr,
                 const std::string& msg, const MessagePosition* position);
