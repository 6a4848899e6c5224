// The decoder's one-second step against a real MariaDB: the batch, the
// unit memory across rows, the progress row, and every way a step can fail.

#include "decoder/decoder_step.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "decoder/decoder_sql.h"
#include "tests/support/private_mariadb.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_config.h"
#include "tests/support/test_db.h"
#include "tests/support/text_count.h"

namespace {

// Rules of FMS configuration 1 over single bytes, so rows are easy to write:
//   speed   byte 0, relative check: a change beyond +-10 is held back for one row;
//   rpm     byte 1 times 10, absolute 0..2000 with substitute 0, kept in slot 2;
//   level   byte 20 (the first of fmsdataex), kept in slot 3, no check.
const char* const kRules =
    "fms_vehicle_speed 1 1 1 0 1 0 8 1 0 1 1 1 10 10 1\n"
    "fms_engine_speed 0 1 1 1 1 0 8 2 0 10 2 0 0 2000 0\n"
    "fms_fuel_level 1 1 1 20 1 0 8 3 0 1 0 0 0 0 0\n";

DecoderConfig ConfigFrom(const ConfigValues& values, int requests) {
    DecoderConfig c;
    c.logFile = "unused";
    c.sqlHost = values.at("SQL_HOST");
    c.sqlPort = std::stoi(values.at("SQL_PORT"));
    c.sqlUser = values.at("SQL_USER");
    c.sqlPasswd = values.at("SQL_PASSWD");
    c.sqlDatabase = values.at("SQL_DATABASE");
    c.sqlRequests = requests;
    return c;
}

std::unique_ptr<DecoderRules> ParseRules(const std::string& lines, int items) {
    auto rules = std::make_unique<DecoderRules>();
    DecoderConfig ignored;
    std::string text =
        "LOG_FILE=l\nSQL_DATABASE=d\nSQL_HOST=h\nSQL_USER=u\nSQL_PASSWD=p\nSQL_PORT=1\n"
        "SQL_REQUESTS=1\nFMS_ITEMS=" +
        std::to_string(items) + "\n" + lines;
    EXPECT_TRUE(ParseDecoderConfig(text, ignored, *rules));
    return rules;
}

// A locdata row's values as the insert writes them ("NULL" or a literal).
std::string Quoted(const char* text) {
    return text == nullptr ? "NULL" : "'" + std::string(text) + "'";
}

std::string InsertSql(uint32_t unit, const char* frame, const char* config, const char* fmsdata,
                      const char* fmsdataex) {
    return "insert into locdata(device_id,locdatetime,frame,fmsconfig,fmsdata,fmsdataex) "
           "values(" +
           std::to_string(unit) + ",utc_timestamp()," + (frame ? frame : "NULL") + "," +
           (config ? config : "NULL") + "," + Quoted(fmsdata) + "," + Quoted(fmsdataex) + ")";
}

class DecoderStepTest : public ::testing::Test {
  protected:
    void SetUp() override { UseRules(kRules, 3, 100); }

    void UseRules(const std::string& lines, int items, int requests) {
        m_rules = ParseRules(lines, items);
        m_config = ConfigFrom(DatabaseValues(m_db), requests);
        m_step = std::make_unique<DecoderStep>(m_config, *m_rules, *m_devices, m_log);
    }

    uint64_t Insert(uint32_t unit, const char* frame, const char* config, const char* fmsdata,
                    const char* fmsdataex = nullptr) {
        m_db.Exec(InsertSql(unit, frame, config, fmsdata, fmsdataex));
        return std::stoull(m_db.Query("select max(id) from locdata")[0][0]);
    }

    // The three rule columns of row `id`.
    SqlRow Values(uint64_t id) {
        return m_db.Query(
            "select fms_vehicle_speed,fms_engine_speed,fms_fuel_level from locdata where id=" +
            std::to_string(id))[0];
    }
    std::string RecordNo() { return m_db.Query("select record_no from decoder")[0][0]; }
    std::string Log() const { return ReadFile(m_dir.File("dec.log")); }

    TempDir m_dir;
    TestDatabase m_db;
    DecoderLog m_log{m_dir.File("dec.log")};
    std::unique_ptr<DecoderDeviceTable> m_devices = std::make_unique<DecoderDeviceTable>();
    std::unique_ptr<DecoderRules> m_rules;
    DecoderConfig m_config;
    std::unique_ptr<DecoderStep> m_step;
};

TEST_F(DecoderStepTest, RowsOfAUnitAreDecodedWithItsMemoryAndTheProgressIsStored) {
    // speed: 50, a jump to 90 held back once, then accepted; a frame 2 row
    // is written as it stands and does not become the reference.
    // rpm: 1000, then 2500 is out of range: 0 written and kept, so the next
    // row without the bytes writes 0 too.
    // level: 42, then a NULL fmsdataex reads as zero bytes: 0.
    uint64_t r1 = Insert(7, nullptr, "1", "3264", "2A");
    uint64_t r2 = Insert(7, "0", "1", "5AFA");
    uint64_t r3 = Insert(7, "1", "1", "5AFF", "FF");
    uint64_t r4 = Insert(7, "2", "1", "C8FF", "FF");
    uint64_t r5 = Insert(7, "0", "1", "5F0A", "FF");

    m_step->ProcessDatabaseData();
    EXPECT_EQ(m_step->state(), kWorking);
    EXPECT_EQ(Values(r1), (SqlRow{"50", "1000", "42"}));
    EXPECT_EQ(Values(r2), (SqlRow{"50", "0", "0"}));
    EXPECT_EQ(Values(r3), (SqlRow{"90", "0", "0"}));
    EXPECT_EQ(Values(r4), (SqlRow{"200", "NULL", "NULL"}));
    EXPECT_EQ(Values(r5), (SqlRow{"95", "100", "0"}));
    EXPECT_EQ(m_step->processed(), 5u);
    EXPECT_EQ(m_step->recordNo(), r5 + 1);
    EXPECT_EQ(RecordNo(), std::to_string(r5 + 1));

    std::string log = Log();
    EXPECT_NE(log.find("+00000 ConnectToDatabase\n"), std::string::npos) << log;
    EXPECT_EQ(CountOf(log, "Adding new device: 7,1\n"), 1u) << log;
    EXPECT_NE(log.find("+00000 ProcessDatabaseData: CurrRecordNo=" + std::to_string(r5 + 1) +
                       " Records=" + std::to_string(r5 + 1 - 0) + "\n"),
              std::string::npos)
        << log;
}

TEST_F(DecoderStepTest, RowsWithoutAnAssignmentAreLeftAloneButPassed) {
    uint64_t noConfig = Insert(7, "0", nullptr, "3264");
    uint64_t noRules = Insert(8, "0", "5", "3264");
    uint64_t noBytes = Insert(9, "0", "1", "FFFF", "FF");
    m_step->ProcessDatabaseData();
    for (uint64_t id : {noConfig, noRules, noBytes}) {
        EXPECT_EQ(Values(id), (SqlRow{"NULL", "NULL", "NULL"})) << id;
    }
    EXPECT_EQ(m_step->processed(), 0u);
    EXPECT_EQ(RecordNo(), std::to_string(noBytes + 1));
    // The row without fmsconfig took no entry; the others did.
    EXPECT_EQ(m_devices->used(), 2);
}

TEST_F(DecoderStepTest, BatchesFollowTheTableAndRecordNoSetByHandTakesEffect) {
    UseRules(kRules, 3, 2);  // two rows per step
    uint64_t r1 = Insert(7, "0", "1", "0A");
    uint64_t r2 = Insert(7, "0", "1", "0B");
    uint64_t r3 = Insert(7, "0", "1", "0C");
    m_step->ProcessDatabaseData();
    EXPECT_EQ(RecordNo(), std::to_string(r2 + 1));
    EXPECT_EQ(Values(r3)[0], "NULL");
    m_step->ProcessDatabaseData();
    EXPECT_EQ(Values(r3)[0], "12");
    // No new rows: the step falls back to reloading record_no next time.
    m_step->ProcessDatabaseData();
    EXPECT_EQ(m_step->state(), kConnected);
    EXPECT_EQ(m_step->processed(), 3u);

    // Moved back by hand: the rows from there are decoded again.
    m_db.Exec("update locdata set fms_vehicle_speed=NULL");
    m_db.Exec("update decoder set record_no=" + std::to_string(r2));
    m_step->ProcessDatabaseData();
    EXPECT_EQ(Values(r1)[0], "NULL");
    EXPECT_EQ(Values(r2)[0], "11");
    EXPECT_EQ(Values(r3)[0], "12");

    // Moved forward by hand while idle: the rows before it are skipped.
    m_step->ProcessDatabaseData();
    EXPECT_EQ(m_step->state(), kConnected);
    uint64_t r4 = Insert(7, "0", "1", "0D");
    uint64_t r5 = Insert(7, "0", "1", "0E");
    m_db.Exec("update decoder set record_no=" + std::to_string(r5));
    m_step->ProcessDatabaseData();
    EXPECT_EQ(Values(r4)[0], "NULL");
    EXPECT_EQ(Values(r5)[0], "14");
    EXPECT_EQ(RecordNo(), std::to_string(r5 + 1));
}

TEST_F(DecoderStepTest, MissingProgressRowIsCreatedSoARestartContinues) {
    m_db.Exec("delete from decoder");
    uint64_t r1 = Insert(7, "0", "1", "0A");
    m_step->ProcessDatabaseData();
    EXPECT_EQ(Values(r1)[0], "10");
    EXPECT_EQ(RecordNo(), std::to_string(r1 + 1));

    // A restarted decoder (new memory, new step) starts after r1.
    auto devices = std::make_unique<DecoderDeviceTable>();
    DecoderStep restarted(m_config, *m_rules, *devices, m_log);
    uint64_t r2 = Insert(7, "0", "1", "0B");
    restarted.ProcessDatabaseData();
    EXPECT_EQ(restarted.processed(), 1u);
    EXPECT_EQ(Values(r2)[0], "11");
    EXPECT_EQ(m_db.Query("select count(*) from decoder")[0][0], "1");
}

TEST_F(DecoderStepTest, UnreachableDatabaseIsTriedAgainEveryStep) {
    ConfigValues values = DatabaseValues(m_db);
    values["SQL_PORT"] = std::to_string(FreePort());
    DecoderConfig config = ConfigFrom(values, 10);
    DecoderStep step(config, *m_rules, *m_devices, m_log);
    for (int i = 0; i < 3; ++i) step.ProcessDatabaseData();
    EXPECT_EQ(step.state(), kNotConnected);
    std::string log = Log();
    EXPECT_EQ(CountOf(log, "+00000 ConnectToDatabase\n"), 3u) << log;
    EXPECT_EQ(CountOf(log, "Can't connect to"), 3u) << log;
    EXPECT_EQ(CountOf(log, "DisconnectFromDatabase"), 0u) << log;
}

TEST_F(DecoderStepTest, FailedRowUpdateStopsTheBatchAndStoresThatRowAsTheProgress) {
    UseRules(std::string(kRules) + "no_such_column 0 2 1 0 1 0 8 0 0 1 0 0 0 0 0\n", 4, 100);
    uint64_t r1 = Insert(7, "0", "1", "0A");
    uint64_t bad = Insert(7, "0", "2", "0B");
    uint64_t r3 = Insert(7, "0", "1", "0C");
    m_step->ProcessDatabaseData();
    EXPECT_EQ(m_step->state(), kNotConnected);
    EXPECT_EQ(Values(r1)[0], "10");
    EXPECT_EQ(Values(r3)[0], "NULL");
    EXPECT_EQ(RecordNo(), std::to_string(bad));
    std::string log = Log();
    std::string statement =
        "update locdata set `no_such_column`=11 where id=" + std::to_string(bad) + "\n";
    EXPECT_NE(log.find("+00000 " + statement + "+00000 Unknown column 'no_such_column'"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("ProcessDatabaseData: CurrRecordNo=" + std::to_string(bad) +
                       " Records=" + std::to_string(bad) + "\n+00000 DisconnectFromDatabase\n"),
              std::string::npos)
        << log;

    // The next step connects again and tries the same row again.
    m_step->ProcessDatabaseData();
    EXPECT_EQ(CountOf(Log(), statement), 2u);
    EXPECT_EQ(CountOf(Log(), "ConnectToDatabase\n"), 2u);
    EXPECT_EQ(m_step->processed(), 1u);
}

TEST_F(DecoderStepTest, FailedSelectsLogTheStatementAndItsErrorAndDisconnect) {
    const struct {
        const char* breakSql;
        std::string statement;
        const char* error;
        const char* repairSql;
    } cases[] = {
        {"rename table decoder to decoder_moved", "select record_no from decoder",
         "decoder' doesn't exist", "rename table decoder_moved to decoder"},
        {"alter table locdata rename column fmsdataex to fmsdataex_moved", BatchSelectSql(0, 100),
         "Unknown column 'fmsdataex'",
         "alter table locdata rename column fmsdataex_moved to fmsdataex"},
    };
    for (const auto& c : cases) {
        std::remove(m_dir.File("dec.log").c_str());
        m_db.Exec(c.breakSql);
        m_step->ProcessDatabaseData();
        EXPECT_EQ(m_step->state(), kNotConnected) << c.statement;
        std::string log = Log();
        size_t at = log.find("+00000 " + c.statement + "\n+00000 ");
        EXPECT_NE(at, std::string::npos) << log;
        EXPECT_NE(log.find(c.error, at), std::string::npos) << log;
        EXPECT_NE(log.find("\n+00000 DisconnectFromDatabase\n", at), std::string::npos) << log;

        m_db.Exec(c.repairSql);
        m_step->ProcessDatabaseData();
        EXPECT_EQ(m_step->state(), kConnected) << Log();
    }
}

TEST_F(DecoderStepTest, TheTwentyThousandAndFirstUnitIsLoggedAndLeftAlone) {
    UseRules(kRules, 3, 30000);
    // 20000 units whose configuration has no rules fill the table.
    m_db.Exec(
        "insert into locdata(device_id,locdatetime,frame,fmsconfig,fmsdata) "
        "select seq,utc_timestamp(),0,9,'0A' from seq_1_to_20000");
    uint64_t extra = Insert(20001, "0", "1", "0A");
    uint64_t known = Insert(20000, "0", "1", "0B");
    m_step->ProcessDatabaseData();
    EXPECT_EQ(m_devices->used(), kDecoderDevices);
    EXPECT_EQ(Values(extra)[0], "NULL");
    EXPECT_EQ(Values(known)[0], "11");
    std::string log = Log();
    EXPECT_EQ(CountOf(log, "Adding new device: "), static_cast<size_t>(kDecoderDevices));
    EXPECT_NE(log.find("Adding new device: 20000,9\n"), std::string::npos);
    EXPECT_NE(log.find("+00000 Can't add new device: 20001,1\n"), std::string::npos);
    EXPECT_EQ(RecordNo(), std::to_string(known + 1));
}

// A relative speed rule that holds one jump back: rows 100, 180, 180 are
// written 100, 100, 180. If the second row's failed first attempt counted,
// its retry would be accepted (180); if the progress were lost, the first
// row would be decoded twice.
TEST(DecoderStepRestart, RowFailedByADatabaseRestartIsDecodedOnceAfterReconnecting) {
    PrivateMariaDb mariadb;
    TempDir dir;
    DecoderLog log(dir.File("dec.log"));
    auto rules = ParseRules("fms_vehicle_speed 1 1 1 0 1 0 8 1 0 1 1 1 10 10 1\n", 1);
    auto devices = std::make_unique<DecoderDeviceTable>();
    DecoderConfig config = ConfigFrom(mariadb.Values(), 100);
    ASSERT_TRUE(mariadb.Exec(InsertSql(7, "0", "1", "64", nullptr) + ";" +
                             InsertSql(7, "0", "1", "B4", nullptr) + ";" +
                             InsertSql(7, "0", "1", "B4", nullptr)));
    uint64_t first = std::stoull(mariadb.QueryValue("select min(id) from locdata"));

    DecoderStep step(config, *rules, *devices, log);
    bool stopped = false;
    step.SetBeforeRowUpdate([&](uint64_t id) {
        if (id == first + 1 && !stopped) {
            stopped = true;
            mariadb.Stop();
        }
    });
    step.ProcessDatabaseData();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(step.state(), kNotConnected);
    EXPECT_EQ(step.recordNo(), first + 1);
    step.ProcessDatabaseData();  // the database is down: connecting fails
    EXPECT_EQ(step.state(), kNotConnected);

    ASSERT_TRUE(mariadb.Start());
    step.ProcessDatabaseData();
    EXPECT_EQ(step.state(), kWorking);
    EXPECT_EQ(step.processed(), 3u);
    EXPECT_EQ(mariadb.QueryValue("select group_concat(fms_vehicle_speed order by id) from "
                                 "locdata"),
              "100,100,180");
    EXPECT_EQ(mariadb.QueryValue("select record_no from decoder"), std::to_string(first + 3));

    std::string text = ReadFile(dir.File("dec.log"));
    EXPECT_EQ(CountOf(text, "ConnectToDatabase\n"), 3u) << text;
    EXPECT_NE(text.find("update locdata set `fms_vehicle_speed`=100.000000 where id=" +
                        std::to_string(first + 1) + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("update decoder set record_no=" + std::to_string(first + 1) + "\n"),
              std::string::npos)
        << text;
}

}  // namespace
