#pragma once
// Status events and the common failure path of every statement.

#include <mysql.h>

#include <string>

// Writes a statdata row with its own pooled connection. `device` is a unit
// slot index or -1; a parameter of -1 is left out. 0 on success, -1 when no
// connection could be had or the insert failed (then only logged).
int StatusEvent(int device, int event, long param1, long param2);

// The same with the unit's serial number given: for a slot that may already
// belong to another connection when the row is written.
int StatusEventOf(int device, const std::string& serial, int event, long param1, long param2);

// What every statement does when it fails: logs the statement and the error
// text, records event 3 with the statement's fixed `code` and the error
// number, and returns -1. The caller then closes its connection with
// SqlRelease(slot, true).
int SqlStatementFailed(int device, MYSQL* connection, const std::string& statement, int code);

// The same on a connection the caller already holds (the unit session's).
// A caller holding a pooled connection must not wait for a second one: with
// every connection held by such callers (a fleet reconnecting at once) none
// would ever be given back. A failure is logged; the caller's next statement
// on the connection then fails and closes it as usual.
int StatusEventOn(MYSQL* connection, int device, int event, long param1, long param2);

// The same for the queue senders' own statements, which concern no unit:
// the first entry reads "<who>: <statement>" ("MSG", "KORV").
int SqlSenderStatementFailed(const char* who, MYSQL* connection, const std::string& statement,
                             int code);

// The serial number of a unit slot, read under the slot's text lock.
std::string DeviceSerial(int device);
