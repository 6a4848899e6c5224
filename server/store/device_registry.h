#pragma once
// The devices table: one row per unit ever seen, keyed by serial number.

#include <mysql.h>

// At identification: makes sure the unit's row exists and carries its latest
// description, SIM, vehicle numbers and firmware version (updating only when
// something changed), and loads dbId, companyId and routeEvent into the slot.
// 0 on success, -1 after a failed statement.
int writetodevices(int slot, MYSQL* connection);
