#include "server/store/status_event.h"

#include <mutex>

#include "common/text_format.h"

#include "server/core/clock.h"
#include "server/core/log.h"
#include "server/device/device_slot.h"
#include "server/store/sql_escape.h"
#include "server/store/sql_pool.h"
#include "server/store/sql_run.h"
#include "server/store/statdata_sql.h"

std::string DeviceSerial(int device) {
    if (device < 0 || device >= kMaxDevices) return std::string();
    std::lock_guard<std::mutex> lock(tasks[device].textLock);
    return tasks[device].devId;
}

namespace {

// Inserts the event on `connection`; false after a failure, which is logged
// (no event is written about a failed event).
bool InsertEvent(MYSQL* connection, int device, const std::string& serial, int event, long param1,
                 long param2) {
    bool hasDevice = device >= 0 && device < kMaxDevices;
    std::string sn = hasDevice ? SqlEscape(connection, serial) : std::string();
    std::string sql = BuildStatusEventSql(UtcTime(WallClockNow()), hasDevice ? sn.c_str() : nullptr,
                                          event, param1, param2);
    if (SqlRun(connection, sql)) {
        return true;
    }
    LogWrite("D%d: %s\n", hasDevice ? device : -1, sql.c_str());
    LogWrite("%s\n", mysql_error(connection));
    return false;
}

}  // namespace

int StatusEvent(int device, int event, long param1, long param2) {
    return StatusEventOf(device, DeviceSerial(device), event, param1, param2);
}

int StatusEventOf(int device, const std::string& serial, int event, long param1, long param2) {
    bool hasDevice = device >= 0 && device < kMaxDevices;
    int slot = SqlAcquire();
    if (slot < 0) {
        if (!hasDevice) {
            LogWrite("D%d: SQL status overflow %d %ld %ld\n", -1, event, param1, param2);
        } else {
            LogWrite("D%d: SQL status overflow %s %d %ld %ld\n", device, serial.c_str(), event,
                     param1, param2);
        }
        return -1;
    }
    bool ok = InsertEvent(SqlConnection(slot), device, serial, event, param1, param2);
    SqlRelease(slot, !ok);
    return ok ? 0 : -1;
}

int StatusEventOn(MYSQL* connection, int device, int event, long param1, long param2) {
    return InsertEvent(connection, device, DeviceSerial(device), event, param1, param2) ? 0 : -1;
}

namespace {

int StatementFailed(int device, const std::string& firstEntry, MYSQL* connection, int code) {
    LogWrite("%s", firstEntry.c_str());
    LogWrite("%s\n", mysql_error(connection));
    StatusEvent(device, kEventSqlError, code, static_cast<long>(mysql_errno(connection)));
    return -1;
}

}  // namespace

int SqlStatementFailed(int device, MYSQL* connection, const std::string& statement, int code) {
    return StatementFailed(device, StringPrintf("D%d: %s\n", device, statement.c_str()), connection,
                           code);
}

int SqlSenderStatementFailed(const char* who, MYSQL* connection, const std::string& statement,
                             int code) {
    return StatementFailed(-1, StringPrintf("%s: %s\n", who, statement.c_str()), connection, code);
}
