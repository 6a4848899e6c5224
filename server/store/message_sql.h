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

// A message for a vehicle, pending (status 0, no attempts yet).
std::string BuildOutboxInsert(const std::tm& now, uint32_t unitId, const std::string& addr,
                              const std::string& msg);
// The unit acknowledged message `id`.
std::string BuildAckMessages(const std::tm& now, uint32_t id);
// Pending messages of units after `lastUnit`, oldest first per unit.
std::string BuildOutboxNextSelect(int maxTries, uint32_t lastUnit);
std::string BuildOutboxSetTries(uint32_t id, int tries);
