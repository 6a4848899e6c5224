#include "server/store/location_store.h"

#include "common/text_format.h"
#include "server/core/clock.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/device/device_slot.h"
#include "server/store/locdata_sql.h"
#include "server/store/sql_escape.h"
#include "server/store/sql_run.h"
#include "server/store/status_event.h"

namespace {

constexpr int kCodeLocdataInsert = 1658;
constexpr int kCodeRecentSelect = 1672;
constexpr int kCodeRecentUpdate = 1689;
constexpr int kCodeRecentInsert = 1704;
constexpr int kCodeRecentResult = 1714;
constexpr int kCodeRoutesInsert = 1732;

std::string RecentSelect(uint32_t unitId) {
    std::string select = "select * from recentdata where device_id=";
    AppendDecimal(select, static_cast<unsigned long long>(unitId));
    return select;
}

// Points the unit's recentdata row at its newest locdata row, from the
// answer to RecentSelect that the connection holds.
int UpdateRecent(int slot, MYSQL* connection, const std::string& select, uint32_t unitId,
                 uint32_t locdataId) {
    MYSQL_RES* result = mysql_store_result(connection);
    if (result == nullptr) return SqlStatementFailed(slot, connection, select, kCodeRecentResult);
    bool exists = mysql_num_rows(result) > 0;
    std::string sql;
    int code;
    if (exists) {
        sql = "update recentdata set locdata_id=";
        AppendDecimal(sql, static_cast<unsigned long long>(locdataId));
        sql += " where device_id=";
        AppendDecimal(sql, static_cast<unsigned long long>(unitId));
        code = kCodeRecentUpdate;
    } else {
        sql = "insert into recentdata(device_id,locdata_id) values(";
        AppendDecimal(sql, static_cast<unsigned long long>(unitId));
        sql += ',';
        AppendDecimal(sql, static_cast<unsigned long long>(locdataId));
        sql += ')';
        code = kCodeRecentInsert;
    }
    int rc = SqlRun(connection, sql) ? 0 : SqlStatementFailed(slot, connection, sql, code);
    mysql_free_result(result);
    return rc;
}

// The locdata insert, with the recentdata select after it in the same round
// trip unless the record is a backlog entry. Its row's id in `locdataId`.
int InsertLocdata(int slot, MYSQL* connection, const std::string& insert, bool backlog,
                  uint32_t unitId, uint32_t& locdataId) {
    if (backlog) {
        if (!SqlRun(connection, insert))
            return SqlStatementFailed(slot, connection, insert, kCodeLocdataInsert);
        locdataId = static_cast<uint32_t>(mysql_insert_id(connection));
        return 0;
    }
    std::string select = RecentSelect(unitId);
    unsigned long long id = 0;
    switch (SqlRunPair(connection, insert, select, id)) {
        case SqlPairResult::kFirstFailed:
            return SqlStatementFailed(slot, connection, insert, kCodeLocdataInsert);
        case SqlPairResult::kSecondFailed:
            return SqlStatementFailed(slot, connection, select, kCodeRecentSelect);
        case SqlPairResult::kBothRan:
            break;
    }
    locdataId = static_cast<uint32_t>(id);
    return UpdateRecent(slot, connection, select, unitId, locdataId);
}

}  // namespace

uint8_t RouteEventOf(const LocationRecord& record, uint8_t current) {
    uint8_t event = 0;
    if (record.present & (1u << 7)) event = (record.alarm & 2) ? 1 : 2;
    if ((record.present & (1u << 6)) && record.frame == 2) event = current;
    return event;
}

int writetolocdata(int slot, MYSQL* connection, const LocationRecord& record, uint32_t unitId) {
    DeviceSlot& device = tasks[slot];
    LocdataStatement statement = BuildLocdataInsert(
        record, unitId, UtcTime(WallClockNow()), gDecodeTable,
        [connection](std::string_view text) { return SqlEscape(connection, text); });
    LogHoldEntries(statement.decodeLog);
    // A "frame 1" record is a stored backlog entry, not the unit's latest state.
    bool backlog = (record.present & (1u << 6)) && record.frame == 1;
    uint32_t locdataId = 0;
    if (InsertLocdata(slot, connection, statement.sql, backlog, unitId, locdataId) < 0) return -1;

    uint8_t current = device.routeEvent.load();
    uint8_t event = RouteEventOf(record, current);
    if (event == current) return 0;
    if (current == 0) {
        // The first event known for the unit is only remembered.
        device.routeEvent.store(event);
        return 0;
    }
    std::string sql =
        StringPrintf("insert into routes(id,device_id,data_id,event_id) values(DEFAULT,%lu,%lu,%d)",
                     static_cast<unsigned long>(device.dbId.load()),
                     static_cast<unsigned long>(locdataId), event);
    if (!SqlRun(connection, sql))
        return SqlStatementFailed(slot, connection, sql, kCodeRoutesInsert);
    device.routeEvent.store(event);
    return 0;
}
