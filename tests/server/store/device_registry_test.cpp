#include "server/store/device_registry.h"

#include "tests/support/store_fixture.h"

namespace {

class RegistryTest : public StoreTest {
  protected:
    int Register(int slot) { return writetodevices(slot, Connection()); }
    std::vector<SqlRow> Devices() {
        return m_db.Query("select id, sn, dscr, ccid, vin, vrn, company_id, version from devices");
    }
    // Updates the registry's connection has run so far. The session's own
    // count: the server-wide one also counts the tests running beside this one.
    long Updates() {
        std::vector<SqlRow> rows = QueryRows(Connection(), "show session status like 'Com_update'");
        return rows.size() == 1 && rows[0].size() == 2 ? std::stol(rows[0][1]) : -1;
    }
};

TEST_F(RegistryTest, NewUnitIsInsertedAndAnUnchangedOneNotUpdated) {
    Identity(0, "356000111", "Truck 7", "8948", "VIN1", "WX 1", 20401);
    ASSERT_EQ(Register(0), 0);
    auto rows = Devices();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (SqlRow{rows[0][0], "356000111", "Truck 7", "8948", "VIN1", "WX 1", "NULL",
                               "20401"}));
    EXPECT_EQ(tasks[0].dbId, std::stoul(rows[0][0]));

    long before = Updates();
    ASSERT_GE(before, 0);
    tasks[1].dbId = 0;
    Identity(1, "356000111", "Truck 7", "8948", "VIN1", "WX 1", 20401);
    ASSERT_EQ(Register(1), 0);
    EXPECT_EQ(Updates(), before);
    EXPECT_EQ(tasks[1].dbId, tasks[0].dbId);
    EXPECT_EQ(Devices().size(), 1u);
}

TEST_F(RegistryTest, ChangedVersionOrMissingColumnUpdatesAllValues) {
    m_db.Exec(
        "insert into devices(sn,dscr,ccid,vin,vrn,company_id,version) "
        "values('777','Van','89','V','R',5,1)");
    Identity(2, "777", "Van", "89", "V", "R", 2);
    ASSERT_EQ(Register(2), 0);
    EXPECT_EQ(Devices()[0][7], "2");
    EXPECT_EQ(tasks[2].companyId, 5u);

    m_db.Exec("update devices set ccid=NULL");
    long before = Updates();
    ASSERT_GE(before, 0);
    ASSERT_EQ(Register(2), 0);
    EXPECT_EQ(Updates(), before + 1);
    EXPECT_EQ(Devices()[0][3], "89");
}

TEST_F(RegistryTest, QuotesAndBackslashesAreStoredVerbatim) {
    Identity(4, "q'1", "O'Brien \\ Sons", "x\"y", "", "", 0);
    ASSERT_EQ(Register(4), 0);
    auto rows = Devices();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], "q'1");
    EXPECT_EQ(rows[0][2], "O'Brien \\ Sons");
    EXPECT_EQ(rows[0][3], "x\"y");
    // Found again by the same serial number.
    long before = Updates();
    ASSERT_GE(before, 0);
    ASSERT_EQ(Register(4), 0);
    EXPECT_EQ(Updates(), before);
}

TEST_F(RegistryTest, RouteEventComesFromTheNewestRouteRow) {
    Identity(5, "900", "Bus", "", "", "", 0);
    tasks[5].routeEvent = 9;
    ASSERT_EQ(Register(5), 0);
    EXPECT_EQ(tasks[5].routeEvent, 9);  // no routes: kept
    std::string id = std::to_string(tasks[5].dbId.load());
    m_db.Exec("insert into routes(device_id,data_id,event_id) values(" + id + ",1,2),(" + id +
              ",2,1),(999,3,2)");
    ASSERT_EQ(Register(5), 0);
    EXPECT_EQ(tasks[5].routeEvent, 1);
}

}  // namespace
