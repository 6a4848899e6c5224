#pragma once
// Storing a unit's location record: the locdata row, the unit's recentdata
// pointer to its newest row, and a routes row when its route event changes.

#include <mysql.h>

#include <cstdint>

#include "common/location_record.h"

// Runs on the unit's connection thread with the connection it lent. 0 on
// success; -1 after a failed statement (already logged and recorded as
// event 3), upon which the caller closes the connection.
int writetolocdata(int slot, MYSQL* connection, const LocationRecord& record, uint32_t unitId);

// The route event a record carries: 1 alarm bit set, 2 alarm bit clear, 0 no
// alarm group; a "frame 2" record keeps the unit's current event.
uint8_t RouteEventOf(const LocationRecord& record, uint8_t current);
