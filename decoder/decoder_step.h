#pragma once
// The decoder's work, one step per one-second tick, all on the one thread:
// connect, load the progress, decode the next batch of locdata rows, store
// the progress. The states fall through within one step:
//   0 not connected: connect ("ConnectToDatabase"); failure ends the step
//     and the next tick tries again;
//   1 connected: load record_no from the decoder table;
//   2 working: decode the rows from the current record id on, at most
//     SQL_REQUESTS; store the new record id when it moved; when it did not
//     (no new rows) the next step reloads record_no first, so a value set
//     by hand takes effect.
// Any statement failure disconnects and starts over from state 0. A failed
// row update stops the batch with the current record id naming that row, so
// the row is decoded again after reconnecting, with the unit memory it had
// before its first attempt. When storing the record id itself fails, it is
// stored first thing after reconnecting instead of being lost, so rows
// already written are not decoded a second time.

#include <mysql.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "decoder/decoder_config.h"
#include "decoder/decoder_device.h"
#include "decoder/decoder_log.h"

enum DecoderState { kNotConnected = 0, kConnected = 1, kWorking = 2 };

class DecoderStep {
  public:
    DecoderStep(const DecoderConfig& config, const DecoderRules& rules, DecoderDeviceTable& devices,
                DecoderLog& log);

    // `ProcessDatabaseData`: one step.
    void ProcessDatabaseData();

    int state() const { return m_state; }
    uint64_t recordNo() const { return m_recordNo; }         // current record id
    unsigned long processed() const { return m_processed; }  // rows updated

    // Called with the row's id right before each row update is run; lets a
    // test stop the database in the middle of a batch.
    void SetBeforeRowUpdate(std::function<void(uint64_t)> hook) { m_beforeRowUpdate = hook; }

  private:
    struct Closer {
        void operator()(MYSQL* connection) const { mysql_close(connection); }
    };

    bool ConnectToDatabase();
    void DisconnectFromDatabase();
    bool StoreUnsavedProgress();
    bool LoadRecordNo();
    int RunBatch();
    // Runs `sql`; on failure logs the statement and the error text.
    bool Run(const std::string& sql);
    void LogFailure(const std::string& sql);

    const DecoderConfig& m_config;
    const DecoderRules& m_rules;
    DecoderDeviceTable& m_devices;
    DecoderLog& m_log;
    std::unique_ptr<MYSQL, Closer> m_connection;
    int m_state = kNotConnected;
    uint64_t m_recordNo = 0;
    unsigned long m_processed = 0;
    bool m_progressUnsaved = false;  // m_recordNo is newer than the stored record_no
    std::function<void(uint64_t)> m_beforeRowUpdate;
};
