// The whole road with the manager's logic alone: a simulated unit's
// configuration read through the server, exported to the repository,
// imported again and written back to another unit, the write authorised by
// the repository's event log.

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include "tests/manager/logic/live_unit.h"
#include "tests/manager/logic/manager_fixture.h"
#include "tests/manager/logic/repo_stub_process.h"
#include "tests/support/running_server.h"

namespace {

TEST(ManagerEndToEnd, ReadExportImportWriteBack) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "5"}});
    RepoStubProcess stub;
    ASSERT_TRUE(stub.ready());
    LiveUnit source(server.devicePort(), "356000000000881", ';', "Tractor 81");
    LiveUnit target(server.devicePort(), "356000000000882", ';', "Tractor 82");
    ASSERT_TRUE(server.WaitForLog(" 356000000000881 Tractor 81"));
    ASSERT_TRUE(server.WaitForLog(" 356000000000882 Tractor 82"));

    // The source unit holds a configuration of its own.
    ManagerFixture m;
    m.repo.settings = stub.Settings();
    ASSERT_TRUE(m.Login(server.telnetPort()));
    ParamList original = TestValues(kTabGeneral, kVimko3, 7);
    original.SetValue("MYID", "Tractor 81");
    m.lists.tabs[kTabGeneral] = original;
    ASSERT_TRUE(m.Select("356000000000881"));
    m.remote.RemoteWrite(kTabGeneral, -1);
    ASSERT_EQ(m.prompt.TakeWarnings(), QStringList());

    // 1. Read it through the server.
    m.lists.Reset(kVimko3);
    m.remote.RemoteRead(kTabGeneral);
    ASSERT_EQ(m.prompt.TakeWarnings(), QStringList());
    ASSERT_EQ(m.lists.tabs[kTabGeneral].Lines(), original.Lines());

    // 2. Export it to the repository under a new name.
    m.prompt.chooseName = [](const QList<RepoListEntry>&, bool,
                             const std::function<bool(const QString&)>&) {
        return QString("tractors.cfg");
    };
    ASSERT_TRUE(m.repo.ExportConfigToRepository(kTabGeneral, kVimko3, m.lists.tabs[kTabGeneral]));

    // 3. Import it into fresh lists.
    m.lists.Reset(kVimko3);
    QList<RepoListEntry> offered;
    m.prompt.chooseName = [&offered](const QList<RepoListEntry>& entries, bool,
                                     const std::function<bool(const QString&)>&) {
        offered = entries;
        return QString("tractors.xml");
    };
    ASSERT_EQ(m.repo.ImportConfigFromRepository(kTabGeneral, kVimko3, m.lists.tabs[kTabGeneral]),
              37);
    m.remote.ForgetSourceImei();
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(offered[0].description,
              QStringList{"Imported from the device connected remote: Tractor 81"});
    EXPECT_EQ(m.lists.tabs[kTabGeneral].Lines(), original.Lines());

    // 4. Write it to the other unit; the repository logs the write.
    ASSERT_TRUE(m.Select("356000000000882"));
    m.remote.WriteButton();
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(m.prompt.questions, QStringList());  // the imported list has no source unit
    EXPECT_EQ(m.state.statusText, "Operation done correctly");
    std::string log = ReadFile(stub.dir().File("event_log.txt"));
    EXPECT_NE(log.find(" Quendo t=1 imei=356000000000882 device=3 type=1 records=37 accepted\n"),
              std::string::npos)
        << log;

    // The target unit now answers with the source's configuration.
    m.lists.Reset(kVimko3);
    m.remote.RemoteRead(kTabGeneral);
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(m.lists.tabs[kTabGeneral].Lines(), original.Lines());
    EXPECT_EQ(m.lists.tabs[kTabGeneral].description,
              "Imported from the device connected remote: Tractor 82");
}

}  // namespace
