#pragma once
// The message tables: messages for vehicles queued in outbox, messages from
// vehicles stored in inbox.

#include <mysql.h>

#include <cstdint>
#include <string>

#include "server/device/line_frames.h"
#include "server/store/queue_item.h"

// Stores a vehicle's message for unit `unitId`; `position` may be null.
// 0 on success, -1 after a failed statement.
int writetoinbox(int slot, MYSQL* connection, uint32_t unitId, const std::string& addr,
                 const std::string& msg, const MessagePosition* position);

// Queues a message for unit `unitId`. 0 on success, -1 after a failed statement.
int writetooutbox(int slot, MYSQL* connection, uint32_t unitId, const std::string& addr,
                  const std::string& msg);

// The unit acknowledged message `id`: delivered. 0 or -1.
int ackmessages(int slot, MYSQL* connection, uint32_t id);

// The oldest pending message of the first unit after `lastUnit` (in devices.id
// order) that can take one now. 1 with `item` filled, 0 when there is none,
// -1 after a failed statement.
int OutboxNext(MYSQL* connection, uint32_t lastUnit, QueueItem& item);

// Records the attempts of message `id`. 1 on success, 0 after a failed statement.
int OutboxSetTries(MYSQL* connection, uint32_t id, int attempts);
