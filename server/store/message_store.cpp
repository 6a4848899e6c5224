#include "server/store/message_store.h"

#include <cstdlib>

#include "server/core/clock.h"
#include "server/store/message_sql.h"
#include "server/store/sql_escape.h"
#include "server/store/sql_run.h"
#include "server/store/status_event.h"

namespace {

constexpr int kCodeOutboxInsert = 1764;
constexpr int kCodeInboxInsert = 1803;
constexpr int kCodeAckMessages = 1825;
constexpr int kCodeOutboxSelect = 8962;
constexpr int kCodeOutboxResult = 8991;
constexpr int kCodeOutboxTries = 9009;

}  // namespace

int writetoinbox(int slot, MYSQL* connection, uint32_t unitId, const std::string& addr,
                 const std::string& msg, const MessagePosition* position) {
    // Both texts come from the vehicle: escaped whole, so quotes and
    // backslashes are stored as sent and cannot change the statement.
    std::string sql = BuildInboxInsert(UtcTime(WallClockNow()), unitId, SqlEscape(connection, addr),
                                       SqlEscape(connection, msg), position);
    if (!SqlRun(connection, sql))
        return SqlStatementFailed(slot, connection, sql, kCodeInboxInsert);
    return 0;
}

int writetooutbox(int slot, MYSQL* connection, uint32_t unitId, const std::string& addr,
                  const std::string& msg) {
    std::string sql = BuildOutboxInsert(UtcTime(WallClockNow()), unitId,
                                        SqlEscape(connection, addr), SqlEscape(connection, msg));
    if (!SqlRun(connection, sql))
        return SqlStatementFailed(slot, connection, sql, kCodeOutboxInsert);
    return 0;
}

int ackmessages(int slot, MYSQL* connection, uint32_t id) {
    std::string sql = BuildAckMessages(UtcTime(WallClockNow()), id);
    if (!SqlRun(connection, sql))
        return SqlStatementFailed(slot, connection, sql, kCodeAckMessages);
    return 0;
}

// One row of the outbox select: id, device_id, addr, msg, sent_tries.
static void ReadOutboxRow(MYSQL_ROW row, const unsigned long* lengths, QueueItem& item) {
    if (row[0] != nullptr) item.id = static_cast<uint32_t>(std::strtoul(row[0], nullptr, 10));
    if (row[1] != nullptr) item.unitId = static_cast<uint32_t>(std::strtoul(row[1], nullptr, 10));
    if (row[2] != nullptr) item.addr.assign(row[2], lengths[2]);
    if (row[3] != nullptr) item.msg.assign(row[3], lengths[3]);
    if (row[4] != nullptr) item.attempts = std::atoi(row[4]);
}

int OutboxNext(MYSQL* connection, uint32_t lastUnit, QueueItem& item) {
    return NextQueueItem(connection, BuildOutboxNextSelect(kQueueMaxTries, lastUnit), "MSG",
                         kCodeOutboxSelect, kCodeOutboxResult, ReadOutboxRow, item);
}

int OutboxSetTries(MYSQL* connection, uint32_t id, int attempts) {
    std::string sql = BuildOutboxSetTries(id, attempts);
    if (!SqlRun(connection, sql)) {
        SqlSenderStatementFailed("MSG", connection, sql, kCodeOutboxTries);
        return 0;
    }
    return 1;
}
