#include "server/store/message_store.h"

#include "server/core/clock.h"
#include "server/store/message_sql.h"
#include "server/store/sql_escape.h"
#include "server/store/status_event.h"

namespace {

constexpr int kCodeInboxInsert = 1803;

}  // namespace

int writetoinbox(int slot, MYSQL* connection, uint32_t unitId, const std::string& addr,
                 const std::string& msg, const MessagePosition* position) {
    // Both texts come from the vehicle: escaped whole, so quotes and
    // backslashes are stored as sent and cannot change the statement.
    std::string sql = BuildInboxInsert(UtcTime(WallClockNow()), unitId, SqlEscape(connection, addr),
                                       SqlEscape(connection, msg), position);
    if (mysql_real_query(connection, sql.data(), static_cast<unsigned long>(sql.size())) != 0) {
        return SqlStatementFailed(slot, connection, sql, kCodeInboxInsert);
    }
    return 0;
}
