#include "decoder/decoder_step.h"

#include <cinttypes>
#include <cstdlib>

#include "decoder/decoder_sql.h"
#include "decoder/row_decoder.h"

namespace {

struct ResultFree {
    void operator()(MYSQL_RES* result) const { mysql_free_result(result); }
};
using Result = std::unique_ptr<MYSQL_RES, ResultFree>;

}  // namespace

DecoderStep::DecoderStep(const DecoderConfig& config, const DecoderRules& rules,
                         DecoderDeviceTable& devices, DecoderLog& log)
    : m_config(config), m_rules(rules), m_devices(devices), m_log(log) {}

void DecoderStep::ProcessDatabaseData() {
    if (m_state == kNotConnected) {
        if (!ConnectToDatabase()) return;
        m_state = kConnected;
    }
    if (m_state == kConnected) {
        if (!StoreUnsavedProgress() || !LoadRecordNo()) {
            DisconnectFromDatabase();
            m_state = kNotConnected;
            return;
        }
        m_state = kWorking;
    }

    uint64_t old = m_recordNo;
    int batch = RunBatch();
    if (batch == 1) ++m_recordNo;
    bool failed = batch == -1;
    if (m_recordNo == old) {
        m_state = kConnected;
    } else {
        m_log.Write("ProcessDatabaseData: CurrRecordNo=%" PRIu64 " Records=%d\n", m_recordNo,
                    static_cast<int>(m_recordNo - old));
        if (!Run(ProgressUpdateSql(m_recordNo))) {
            m_progressUnsaved = true;
            failed = true;
        }
    }
    if (failed) {
        DisconnectFromDatabase();
        m_state = kNotConnected;
    }
}

bool DecoderStep::ConnectToDatabase() {
    m_log.Write("ConnectToDatabase\n");
    std::unique_ptr<MYSQL, Closer> handle(mysql_init(nullptr));
    if (!handle) {
        m_log.Write("%s\n", "out of memory");
        return false;
    }
    if (mysql_real_connect(handle.get(), m_config.sqlHost.c_str(), m_config.sqlUser.c_str(),
                           m_config.sqlPasswd.c_str(), m_config.sqlDatabase.c_str(),
                           static_cast<unsigned>(m_config.sqlPort), nullptr, 0) == nullptr) {
        m_log.Write("%s\n", mysql_error(handle.get()));
        return false;
    }
    m_connection = std::move(handle);
    return true;
}

void DecoderStep::DisconnectFromDatabase() {
    m_log.Write("DisconnectFromDatabase\n");
    m_connection.reset();
}

bool DecoderStep::StoreUnsavedProgress() {
    if (!m_progressUnsaved) return true;
    if (!Run(ProgressUpdateSql(m_recordNo))) return false;
    m_progressUnsaved = false;
    return true;
}

bool DecoderStep::LoadRecordNo() {
    std::string sql = ProgressSelectSql();
    if (mysql_query(m_connection.get(), sql.c_str()) != 0) {
        LogFailure(sql);
        return false;
    }
    Result result(mysql_store_result(m_connection.get()));
    if (!result) {
        LogFailure(sql);
        return false;
    }
    MYSQL_ROW row = mysql_fetch_row(result.get());
    if (row == nullptr) {
        // No progress row: one is made, or every later update would land
        // nowhere and a restart would begin from the first row again.
        m_recordNo = 0;
        return Run(ProgressInsertSql(m_recordNo));
    }
    m_recordNo = row[0] != nullptr ? std::strtoull(row[0], nullptr, 10) : 0;
    return true;
}

int DecoderStep::RunBatch() {
    std::string sql = BatchSelectSql(m_recordNo, m_config.sqlRequests);
    if (mysql_query(m_connection.get(), sql.c_str()) != 0) {
        LogFailure(sql);
        return -1;
    }
    Result result(mysql_store_result(m_connection.get()));
    if (!result) {
        LogFailure(sql);
        return -1;
    }
    bool any = false;
    while (MYSQL_ROW fields = mysql_fetch_row(result.get())) {
        any = true;
        const char* const columns[kDecoderRowColumns] = {fields[0], fields[1], fields[2],
                                                         fields[3], fields[4], fields[5]};
        DecoderRow row = ParseDecoderRow(columns);
        m_recordNo = row.id;
        RowDecode decoded = DecodeRow(row, m_rules, m_devices);
        m_log.WriteEntries(decoded.log);
        if (!decoded.statement.empty()) {
            if (m_beforeRowUpdate) m_beforeRowUpdate(row.id);
            if (!Run(decoded.statement)) return -1;
            ++m_processed;
        }
        if (decoded.device >= 0) m_devices.entry(decoded.device) = decoded.memory;
    }
    return any ? 1 : 0;
}

bool DecoderStep::Run(const std::string& sql) {
    if (mysql_query(m_connection.get(), sql.c_str()) == 0) return true;
    LogFailure(sql);
    return false;
}

void DecoderStep::LogFailure(const std::string& sql) {
    m_log.Write("%s\n", sql.c_str());
    m_log.Write("%s\n", mysql_error(m_connection.get()));
}
