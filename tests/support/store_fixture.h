#pragma once
// A test with its own database, log and a pooled connection in hand, as a
// unit's connection thread has while it processes a line.

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/device/device_slot.h"
#include "server/store/sql_pool.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_db.h"
#include "tests/support/text_count.h"

// For the life of the object the server's decode rules are one rule of FMS
// configuration 1 whose column locdata does not have, so every insert of an
// FMS record fails; the rules before are put back afterwards.
class MissingColumnRule {
  public:
    MissingColumnRule() : m_saved(gDecodeTable) {
        gDecodeTable = DecodeTable{};
        DecodeRule& rule = gDecodeTable[0];
        rule.used = true;
        std::strcpy(rule.column, "no_such_column");
        rule.fms_config = 1;
        rule.method = 1;
        rule.byte_count = 1;
        rule.bit_count = 8;
        rule.factor = 1;
    }
    ~MissingColumnRule() { gDecodeTable = m_saved; }
    MissingColumnRule(const MissingColumnRule&) = delete;
    MissingColumnRule& operator=(const MissingColumnRule&) = delete;

  private:
    DecodeTable m_saved;
};

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogSetPath(m_dir.File("srv.log"));
        gLogClock = 0;
        m_db.Configure(gConfig);
        ClearSqlSlots();
        ClearDeviceSlots();
        m_sql = SqlAcquire();
        ASSERT_GE(m_sql, 0);
    }
    void TearDown() override {
        if (m_sql >= 0) SqlRelease(m_sql, true);
    }
    MYSQL* Connection() const { return SqlConnection(m_sql); }
    // The log as written so far, gathered entries included.
    std::string Log() const {
        LogFlush();
        return ReadFile(m_dir.File("srv.log"));
    }

    // Gives slot `slot` an identity as an identification frame would.
    void Identity(int slot, const char* sn, const char* dscr, const char* ccid, const char* vin,
                  const char* vrn, uint32_t version) {
        DeviceSlot& d = tasks[slot];
        std::lock_guard<std::mutex> lock(d.textLock);
        std::strcpy(d.devId, sn);
        std::strcpy(d.description, dscr);
        std::strcpy(d.ccid, ccid);
        std::strcpy(d.vin, vin);
        std::strcpy(d.vrn, vrn);
        d.version = version;
        d.state = kSlotActive;
    }

    TempDir m_dir;
    TestDatabase m_db;
    int m_sql = -1;
};
