#include "server/console/info_commands.h"

#include <mysql.h>

#include <cstdio>
#include <limits>
#include <mutex>
#include <string_view>
#include <vector>

#include "server/console/console_slot.h"
#include "server/console/info_text.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/socket_ops.h"
#include "server/device/device_slot.h"
#include "server/device/slot_table.h"
#include "server/store/sql_pool.h"
#include "server/store/sql_run.h"

namespace {

std::vector<DeviceListRow> DeviceRows() {
    std::vector<DeviceListRow> rows;
    for (int i = 0; i < kMaxDevices; ++i) {
        DeviceSlot& d = tasks[i];
        uint8_t state = d.state.load();
        if (state == kSlotFree) continue;
        DeviceListRow row;
        row.index = i;
        row.state = state;
        row.tcp = d.tcp.load() != 0;
        row.typeCode = DeviceTypeCode(i);
        // The text list names a unit with an unknown terminator as the third family.
        const char* family = ProtocolFamily(i);
        row.protocol = *family != '\0' ? family : "S-3";
        row.loginTime = d.loginTime;
        row.received = d.bytesReceived.load();
        row.sent = d.bytesSent.load();
        row.offlineStatus = d.offlineStatus.load();
        {
            std::lock_guard<std::mutex> lock(d.textLock);
            row.devId = d.devId;
            row.description = d.description;
            row.address = AddressText(d.peer);
            row.port = AddressPort(d.peer);
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<ConsoleListRow> ConsoleRows() {
    std::vector<ConsoleListRow> rows;
    for (int i = 0; i < kMaxConsoles; ++i) {
        ConsoleSlot& c = consoles[i];
        if (!c.inUse.load()) continue;
        ConsoleListRow row;
        row.index = i;
        row.binary = c.binaryMode.load() != 0;
        {
            std::lock_guard<std::mutex> lock(c.textLock);
            row.user = c.userName;
            row.address = AddressText(c.peer);
            row.port = AddressPort(c.peer);
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

void ListCommand(int session) {
    std::vector<DeviceListRow> devices = DeviceRows();
    SendText(session, IsBinary(session) ? FormatListBinary(devices)
                                        : FormatListText(devices, ConsoleRows()));
}

namespace {

// Output is sent in pieces of about this size, so memory stays bounded
// whatever the size of the log or of a query's result.
constexpr size_t kSendChunk = 64 * 1024;

// Calls `chunk` with the file's bytes in order; false when it cannot be opened.
template <typename OnChunk>
bool ReadFileChunks(const std::string& path, OnChunk&& chunk) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::vector<char> buffer(kSendChunk);
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
        chunk(std::string_view(buffer.data(), n));
    }
    std::fclose(file);
    return true;
}

void Flush(int session, std::string& out, size_t atLeast) {
    if (out.size() >= atLeast && !out.empty()) {
        SendText(session, out);
        out.clear();
    }
}

}  // namespace

void ReadLogCommand(int session) {
    // Two passes over the file, as a reader that counts and rewinds does:
    // the pieces are counted, then the last MAX_LOG of them are sent.
    LogFlush();  // the tail includes every entry made so far
    std::string out;
    bool opened = StreamLogTail(
        [&](auto&& bytes) { return ReadFileChunks(gConfig.logFile, bytes); }, gConfig.maxLog,
        [&](const std::string& text) {
            out += text;
            Flush(session, out, kSendChunk);
        });
    if (!opened) {
        SendText(session, "Blad otwarcia pliku\r\n");
        return;
    }
    Flush(session, out, 0);
}

void ClearLogCommand(int session) {
    LogFlush();  // gathered entries belong to the file being deleted
    std::remove(gConfig.logFile.c_str());
    SendText(session, "OK\r\n");
}

void SelectCommand(int session, const std::string& query) {
    std::string sql = "select " + query;
    if (query.size() > kSelectArgsMax) {
        // Cutting the query would run another statement than the one asked for.
        SendText(session, sql + "\r\nZapytanie jest za dlugie\r\n");
        return;
    }
    int db = SqlAcquire();
    if (db < 0) {
        SendText(session, "Blad polaczenia z baza danych\r\n");
        return;
    }
    MYSQL* connection = SqlConnection(db);
    // The operator's text runs as one statement. The pool's connections
    // allow several a query, so that is off while it runs: a ";" in the text
    // must not run statements other than the select asked for.
    if (mysql_set_server_option(connection, MYSQL_OPTION_MULTI_STATEMENTS_OFF) != 0) {
        SendText(session, std::string(mysql_error(connection)) + "\r\n");
        SqlRelease(db, true);
        return;
    }
    if (!SqlRun(connection, sql)) {
        SendText(session, sql + "\r\n" + mysql_error(connection) + "\r\n");
        SqlRelease(db, true);
        return;
    }
    MYSQL_RES* result = mysql_store_result(connection);
    if (result == nullptr) {
        SendText(session, std::string(mysql_error(connection)) + "\r\n");
        SqlRelease(db, true);
        return;
    }
    unsigned fields = mysql_num_fields(result);
    std::vector<std::string> columns;
    for (unsigned i = 0; i < fields; ++i)
        columns.push_back(mysql_fetch_field_direct(result, i)->name);
    std::string out = FormatSelectHeader(columns);
    // Printed row by row from the stored result, never copied whole.
    long printed = 0;
    // A negative MAX_SELECT never reaches its count: every row is printed.
    const long limit = gConfig.maxSelect >= 0 ? static_cast<long>(gConfig.maxSelect) + 1
                                              : std::numeric_limits<long>::max();
    std::vector<std::optional<std::string>> values;
    while (printed < limit) {
        MYSQL_ROW row = mysql_fetch_row(result);
        if (row == nullptr) break;
        unsigned long* lengths = mysql_fetch_lengths(result);
        values.clear();
        for (unsigned i = 0; i < fields; ++i) {
            if (row[i] == nullptr) {
                values.push_back(std::nullopt);
            } else {
                values.emplace_back(std::string(row[i], lengths[i]));
            }
        }
        out += FormatSelectRow(values);
        if (++printed == limit) out += kSelectStopNotice;
        Flush(session, out, kSendChunk);
    }
    unsigned long long rows = mysql_num_rows(result);
    mysql_free_result(result);
    // A connection that cannot take several statements again is closed: the
    // next user connects anew, with them.
    bool restored = mysql_set_server_option(connection, MYSQL_OPTION_MULTI_STATEMENTS_ON) == 0;
    SqlRelease(db, !restored);
    out += FormatSelectFooter(rows);
    SendText(session, out);
}
