#include "server/store/queue_item.h"

#include <mutex>

#include "server/device/device_slot.h"
#include "server/store/sql_run.h"
#include "server/store/status_event.h"

int QueueTargetSlot(uint32_t unitId) {
    for (int i = 0; i < kMaxDevices; ++i) {
        DeviceSlot& d = tasks[i];
        if (d.state.load() != kSlotActive || d.dbId.load() != unitId || d.tcp.load() != 1 ||
            d.newProtocol.load() == 0 || d.pico.load() != 0 || d.owner.load() != kOwnerNone) {
            continue;
        }
        std::lock_guard<std::mutex> lock(d.textLock);
        if (d.devId[0] != '\0') return i;
    }
    return -1;
}

int NextQueueItem(MYSQL* connection, const std::string& sql, const char* who, int selectCode,
                  int resultCode, QueueRowReader read, QueueItem& item) {
    if (!SqlRun(connection, sql)) {
        return SqlSenderStatementFailed(who, connection, sql, selectCode);
    }
    MYSQL_RES* result = mysql_store_result(connection);
    if (result == nullptr) return SqlSenderStatementFailed(who, connection, sql, resultCode);
    int found = 0;
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
        read(row, mysql_fetch_lengths(result), item);
        item.slot = QueueTargetSlot(item.unitId);
        if (item.slot >= 0) {
            found = 1;
            break;
        }
    }
    mysql_free_result(result);
    return found;
}
