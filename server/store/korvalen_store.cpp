#include "server/store/korvalen_store.h"

#include <cstdlib>

#include "server/core/clock.h"
#include "server/store/korvalen_sql.h"
#include "server/store/sql_escape.h"
#include "server/store/sql_run.h"
#include "server/store/status_event.h"

namespace {

constexpr int kCodeInsert = 1847;
constexpr int kCodeStatus = 1871;
constexpr int kCodeCardSelect = 1893;
constexpr int kCodeCardResult = 1909;
constexpr int kCodeCardUpdate = 1928;
constexpr int kCodeNextSelect = 9119;
constexpr int kCodeNextResult = 9147;
constexpr int kCodeTries = 9165;

}  // namespace

int writetokorvalen(int slot, MYSQL* connection, uint32_t unitId, int request) {
    std::string sql = BuildKorvalenInsert(UtcTime(WallClockNow()), unitId, request);
    if (!SqlRun(connection, sql)) return SqlStatementFailed(slot, connection, sql, kCodeInsert);
    return 0;
}

int KorvalenStatus(int slot, MYSQL* connection, uint32_t id, int status, const char* file,
                   uint32_t checksum) {
    std::string escaped = file != nullptr ? SqlEscape(connection, file) : std::string();
    std::string sql = BuildKorvalenStatus(UtcTime(WallClockNow()), id, status,
                                          file != nullptr ? escaped.c_str() : nullptr, checksum);
    if (!SqlRun(connection, sql)) return SqlStatementFailed(slot, connection, sql, kCodeStatus);
    return 0;
}

int ackkorvalen(int slot, MYSQL* connection, uint32_t id) {
    return KorvalenStatus(slot, connection, id, -1, nullptr, 0);
}

uint32_t CardBusyGet(int, MYSQL* connection, uint32_t company) {
    if (company == 0) return 0;
    std::string sql = BuildCardBusySelect(company);
    if (!SqlRun(connection, sql)) {
        SqlSenderStatementFailed("KORV", connection, sql, kCodeCardSelect);
        return 0;
    }
    MYSQL_RES* result = mysql_store_result(connection);
    if (result == nullptr) {
        SqlSenderStatementFailed("KORV", connection, sql, kCodeCardResult);
        return 0;
    }
    uint32_t value = 0;
    MYSQL_ROW row = mysql_fetch_row(result);
    if (row != nullptr && row[0] != nullptr) {
        value = static_cast<uint32_t>(std::strtoul(row[0], nullptr, 10));
    }
    mysql_free_result(result);
    return value;
}

int CardBusySet(int, MYSQL* connection, uint32_t company, uint32_t value) {
    if (company == 0) return 1;
    std::string sql = BuildCardBusyUpdate(company, value);
    if (!SqlRun(connection, sql)) {
        SqlSenderStatementFailed("KORV", connection, sql, kCodeCardUpdate);
        return 0;
    }
    return 1;
}

// One row of the korvalen select: id, device_id, request, sent_tries.
static void ReadKorvalenRow(MYSQL_ROW row, const unsigned long*, QueueItem& item) {
    if (row[0] != nullptr) item.id = static_cast<uint32_t>(std::strtoul(row[0], nullptr, 10));
    if (row[1] != nullptr) item.unitId = static_cast<uint32_t>(std::strtoul(row[1], nullptr, 10));
    if (row[2] != nullptr) item.request = std::atoi(row[2]);
    if (row[3] != nullptr) item.attempts = std::atoi(row[3]);
}

int KorvalenNext(MYSQL* connection, uint32_t lastUnit, QueueItem& item) {
    return NextQueueItem(connection, BuildKorvalenNextSelect(kQueueMaxTries, lastUnit), "KORV",
                         kCodeNextSelect, kCodeNextResult, ReadKorvalenRow, item);
}

int KorvalenSetTries(MYSQL* connection, uint32_t id, int attempts) {
    std::string sql = BuildKorvalenSetTries(id, attempts);
    if (!SqlRun(connection, sql)) {
        SqlSenderStatementFailed("KORV", connection, sql, kCodeTries);
        return 0;
    }
    return 1;
}
