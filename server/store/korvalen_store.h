#pragma once
// The download request queue (korvalen) and the company card flag.

#include <mysql.h>

#include <cstdint>
#include <string>

#include "server/store/queue_item.h"

// Queues download request `request` for unit `unitId`. 0 or -1.
int writetokorvalen(int slot, MYSQL* connection, uint32_t unitId, int request);

// Updates request `id`: a negative status stamps the unit's acknowledgement;
// status 1 or 2 with a file name (`file` non-null) records the stored file
// and its checksum; otherwise only the status. 0 or -1.
int KorvalenStatus(int slot, MYSQL* connection, uint32_t id, int status, const char* file,
                   uint32_t checksum);

// The unit acknowledged request `id`. 0 or -1.
int ackkorvalen(int slot, MYSQL* connection, uint32_t id);

// The company card flag: 0 when free (and for company 0, a missing row or a
// failed statement, which never runs for company 0).
uint32_t CardBusyGet(int slot, MYSQL* connection, uint32_t company);
// 1 on success or for company 0, 0 after a failed statement.
int CardBusySet(int slot, MYSQL* connection, uint32_t company, uint32_t value);

// As OutboxNext, for requests never acknowledged.
int KorvalenNext(MYSQL* connection, uint32_t lastUnit, QueueItem& item);
int KorvalenSetTries(MYSQL* connection, uint32_t id, int attempts);
