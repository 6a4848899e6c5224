#include "server/store/device_registry.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "common/text_format.h"
#include "server/device/device_slot.h"
#include "server/store/sql_escape.h"
#include "server/store/sql_run.h"
#include "server/store/status_event.h"

namespace {

constexpr int kCodeSelect = 1017;
constexpr int kCodeUpdate = 1044;
constexpr int kCodeInsert = 1060;
constexpr int kCodeSelectResult = 1071;
constexpr int kCodeRouteSelect = 1082;
constexpr int kCodeRouteResult = 1099;

struct Identity {
    std::string devId, description, ccid, vin, vrn;
    int32_t version;
};

Identity ReadIdentity(const DeviceSlot& slot) {
    std::lock_guard<std::mutex> lock(slot.textLock);
    return {slot.devId, slot.description, slot.ccid,
            slot.vin,   slot.vrn,         static_cast<int32_t>(slot.version.load())};
}

// A NULL column never matches, so a row with gaps is completed.
bool SameText(const char* column, unsigned long length, const std::string& value) {
    return column != nullptr && length == value.size() &&
           std::memcmp(column, value.data(), length) == 0;
}

int LoadRouteEvent(int slot, MYSQL* connection) {
    DeviceSlot& device = tasks[slot];
    std::string sql =
        StringPrintf("select event_id from routes where device_id=%lu order by id desc limit 1",
                     static_cast<unsigned long>(device.dbId.load()));
    if (!SqlRun(connection, sql))
        return SqlStatementFailed(slot, connection, sql, kCodeRouteSelect);
    MYSQL_RES* result = mysql_store_result(connection);
    if (result == nullptr) return SqlStatementFailed(slot, connection, sql, kCodeRouteResult);
    MYSQL_ROW row = mysql_fetch_row(result);
    if (row != nullptr && row[0] != nullptr) {
        device.routeEvent.store(static_cast<uint8_t>(std::strtol(row[0], nullptr, 10)));
    }
    mysql_free_result(result);
    return 0;
}

}  // namespace

int writetodevices(int slot, MYSQL* connection) {
    DeviceSlot& device = tasks[slot];
    Identity id = ReadIdentity(device);
    std::string sn = SqlEscape(connection, id.devId);
    std::string select = StringPrintf(
        "select id,dscr,ccid,vin,vrn,company_id,version from devices where sn='%s'", sn.c_str());
    if (!SqlRun(connection, select))
        return SqlStatementFailed(slot, connection, select, kCodeSelect);
    MYSQL_RES* result = mysql_store_result(connection);
    if (result == nullptr) return SqlStatementFailed(slot, connection, select, kCodeSelectResult);

    std::string texts =
        StringPrintf("'%s','%s','%s','%s'", SqlEscape(connection, id.description).c_str(),
                     SqlEscape(connection, id.ccid).c_str(), SqlEscape(connection, id.vin).c_str(),
                     SqlEscape(connection, id.vrn).c_str());
    MYSQL_ROW row = mysql_fetch_row(result);
    if (row == nullptr) {
        std::string insert = StringPrintf(
            "insert into devices(id,sn,dscr,ccid,vin,vrn,version) values(DEFAULT,'%s',%s,%d)",
            sn.c_str(), texts.c_str(), id.version);
        if (!SqlRun(connection, insert)) {
            mysql_free_result(result);
            return SqlStatementFailed(slot, connection, insert, kCodeInsert);
        }
        device.dbId.store(static_cast<uint32_t>(mysql_insert_id(connection)));
    } else {
        unsigned long* lengths = mysql_fetch_lengths(result);
        if (row[0] != nullptr)
            device.dbId.store(static_cast<uint32_t>(std::strtoul(row[0], nullptr, 10)));
        if (row[5] != nullptr) {
            device.companyId.store(static_cast<uint32_t>(std::strtoul(row[5], nullptr, 10)));
        }
        bool upToDate =
            SameText(row[1], lengths[1], id.description) && SameText(row[2], lengths[2], id.ccid) &&
            SameText(row[3], lengths[3], id.vin) && SameText(row[4], lengths[4], id.vrn) &&
            row[6] != nullptr && std::strtoll(row[6], nullptr, 10) == id.version;
        if (!upToDate) {
            std::string dscr = SqlEscape(connection, id.description);
            std::string update = StringPrintf(
                "update devices set dscr='%s',ccid='%s',vin='%s',vrn='%s',version=%d where sn='%s'",
                dscr.c_str(), SqlEscape(connection, id.ccid).c_str(),
                SqlEscape(connection, id.vin).c_str(), SqlEscape(connection, id.vrn).c_str(),
                id.version, sn.c_str());
            if (!SqlRun(connection, update)) {
                mysql_free_result(result);
                return SqlStatementFailed(slot, connection, update, kCodeUpdate);
            }
        }
    }
    mysql_free_result(result);
    return LoadRouteEvent(slot, connection);
}
