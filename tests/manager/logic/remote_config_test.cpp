// Remote configuration through the real server with simulated units of each
// generation: reads and writes of every tab, off-line writes and their
// report, group writes, service commands and cancellation.

#include "manager/logic/remote_config.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include <QElapsedTimer>
#include <QTimer>

#include "manager/logic/remote_commands.h"
#include "tests/manager/logic/live_unit.h"
#include "tests/manager/logic/manager_fixture.h"
#include "tests/support/running_server.h"

namespace {

struct Generation {
    int type;
    const char* imei;
    char terminator;
};
const Generation kGenerations[] = {
    {kVimko1, "356000000000811", '\n'},
    {kVimko2, "356000000000812", '.'},
    {kVimko3, "356000000000813", ';'},
};

// Every tab with a command, for each generation: the values written come
// back from the unit by the read; the server saw both command lines.
TEST(RemoteConfig, WriteAndReadEveryTabOfEveryGeneration) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "5"}});
    std::vector<std::unique_ptr<LiveUnit>> units;
    for (const Generation& g : kGenerations) {
        units.push_back(std::make_unique<LiveUnit>(server.devicePort(), g.imei, g.terminator,
                                                   std::string("Unit ") + (g.imei + 12)));
        ASSERT_TRUE(server.WaitForLog(std::string(" ") + g.imei + " Unit"));
    }
    ManagerFixture m;
    ASSERT_TRUE(m.Login(server.telnetPort()));
    for (const Generation& g : kGenerations) {
        m.remote.SetDeviceType(g.type);
        ASSERT_TRUE(m.Select(g.imei));
        for (int tab = 0; tab < kTabCount; ++tab) {
            SCOPED_TRACE(testing::Message() << g.imei << " tab " << tab);
            QString write = WriteCommandWord(tab, g.type);
            if (write.isEmpty()) continue;
            ParamList values = TestValues(tab, g.type, g.type + tab);
            m.lists.tabs[tab] = values;
            size_t writesBefore =
                server.CountInLog(": " + write.toStdString() + " " + g.imei + ",0,");
            m.remote.RemoteWrite(tab, -1);
            EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
            EXPECT_EQ(m.state.statusText, "Operation done correctly");
            EXPECT_EQ(server.CountInLog(": " + write.toStdString() + " " + g.imei + ",0,"),
                      writesBefore + 1);

            m.lists.tabs[tab] = DefaultList(tab, g.type);
            m.state.statusText.clear();
            m.remote.RemoteRead(tab);
            EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
            EXPECT_EQ(m.state.statusText, "Operation done correctly");
            EXPECT_EQ(m.lists.tabs[tab].Lines(), values.Lines());
            EXPECT_EQ(m.lists.tabs[tab].description,
                      QString("Imported from the device connected remote: Unit ") + (g.imei + 12));
            EXPECT_TRUE(server.WaitForLog(": " + ReadCommandWord(tab, g.type).toStdString() + " " +
                                          g.imei + "\n"));
        }
    }
    // Tabs without a command for the generation send nothing.
    const size_t readcal = server.CountInLog(": readcal ");
    const size_t writecan2 = server.CountInLog(": writecan2 ");
    m.remote.SetDeviceType(kVimko2);
    ASSERT_TRUE(m.Select("356000000000812"));
    m.remote.RemoteRead(kTabCalibration);
    m.remote.RemoteWrite(kTabCan2, -1);
    EXPECT_EQ(server.CountInLog(": readcal "), readcal);
    EXPECT_EQ(server.CountInLog(": writecan2 "), writecan2);
    EXPECT_EQ(m.prompt.warnings, QStringList());
    EXPECT_FALSE(m.state.busy);
}

TEST(RemoteConfig, GenerationAndStateChecks) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "5"}});
    LiveUnit unit(server.devicePort(), "356000000000821", '.', "Van 21");
    ASSERT_TRUE(server.WaitForLog(" 356000000000821 Van 21"));
    auto gone = std::make_unique<LiveUnit>(server.devicePort(), "356000000000822", '.', "Van 22");
    ASSERT_TRUE(server.WaitForLog(" 356000000000822 Van 22"));
    gone->Disconnect();
    ManagerFixture m;
    ASSERT_TRUE(m.Login(server.telnetPort()));
    ASSERT_TRUE(PumpUntil([&] { return m.StateOf("356000000000822") == 0; }));

    // The unit is a Vimko-2 while Vimko-3/4 is selected: refused, or the type is changed.
    ASSERT_TRUE(m.Select("356000000000821"));
    m.prompt.answers = {false};
    m.remote.ReadButton();
    EXPECT_EQ(m.prompt.TakeWarnings(),
              QStringList{"The selected configuration does not match the selected device"});
    EXPECT_EQ(m.prompt.questions,
              QStringList{"Does before the operation select the type of device on Vimko-2?"});
    m.remote.RemoteDistance("5");
    EXPECT_EQ(m.prompt.TakeWarnings(),
              QStringList{"The command does not match the selected device"});
    int changes = 0;
    QObject::connect(&m.remote, &RemoteConfig::deviceTypeChanged, [&](int) { ++changes; });
    m.prompt.answers = {true};
    m.remote.ReadButton();
    EXPECT_EQ(m.state.deviceType, kVimko2);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(m.lists.tabs[kTabGeneral].Value("MYID"),
              "356000000000821");  // the unit's default block

    // Tree clicks: a unit node shows its status line, the group node its size.
    QList<TreeNode> nodes = RemoteTreeChildren(m.state.deviceList, false);
    ServerSettings settings;
    ASSERT_EQ(nodes.size(), 3);
    m.state.remoteControlsOn = false;
    m.remote.ClickNode(nodes[2], settings);  // already connected: no second login
    EXPECT_TRUE(m.state.remoteControlsOn);
    EXPECT_EQ(m.remote.selectedImage(), nodes[2].image);
    EXPECT_TRUE(
        m.state.statusText.startsWith("Desc: Van 22, Imei: 356000000000822, Mode: Vimko-2 TCP"))
        << m.state.statusText.toStdString();
    EXPECT_EQ(m.state.statusCountdown, 100);
    m.remote.group = {{"a", "1", "", ""}, {"", "", "", ""}, {"c", "3", "", ""}};
    m.remote.ClickNode(nodes[0], settings);
    EXPECT_EQ(m.state.statusText, "The number of devices in the group: 2");
    m.remote.group.clear();
    m.state.busy = true;
    m.remote.ClickNode(nodes[1], settings);
    EXPECT_TRUE(m.state.terminateRequested);
    EXPECT_EQ(m.remote.selectedImage(), 9);
    m.state.busy = false;
    m.state.terminateRequested = false;
    m.remote.ClickNode({"No remote devices", kImageEmpty, -1}, settings);
    EXPECT_FALSE(m.state.remoteControlsOn);

    // A unit that is not logged in: no read, no write unless off-line.
    ASSERT_TRUE(m.Select("356000000000822"));
    m.remote.RemoteRead(kTabGeneral);
    m.remote.RemoteWrite(kTabGeneral, -1);
    m.remote.RemoteRecovery("x");
    const QString wrongState = "Command impossible to do in the current state of the device";
    EXPECT_EQ(m.prompt.TakeWarnings(), (QStringList{wrongState, wrongState, wrongState}));

    // Group node: reading and the service commands are not offered.
    m.remote.SelectGroup();
    m.remote.ReadButton();
    m.remote.RemoteDistance("1");
    m.remote.RemoteRecovery("1");
    m.remote.WriteButton();
    EXPECT_EQ(m.prompt.TakeWarnings(),
              (QStringList{"Reading configuration for a group of devices is not available",
                           "Set the distance for a group of devices is not available",
                           "Re-discharge data for a group of devices is not available",
                           "Device group is empty"}));
}

TEST(RemoteConfig, ServiceCommandsAndTheirFailures) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "5"}});
    LiveUnit unit(server.devicePort(), "356000000000831", ';', "Bus 31");
    ASSERT_TRUE(server.WaitForLog(" 356000000000831 Bus 31"));
    ManagerFixture m;
    ASSERT_TRUE(m.Login(server.telnetPort()));
    ASSERT_TRUE(m.Select("356000000000831"));
    m.remote.RemoteDistance("1234");
    m.remote.RemoteRecovery("not a number");
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_TRUE(server.WaitForLog(": distance 356000000000831,1234\n"));
    EXPECT_TRUE(server.WaitForLog(": recovery 356000000000831,1\n"));
    EXPECT_EQ(m.state.statusText, "Operation done correctly");

    unit.unit().SetRefuseEvery(unit_sim::RequestKind::kWrite, 1);
    m.remote.RemoteDistance("x");
    EXPECT_TRUE(server.WaitForLog(": distance 356000000000831,0\n"));
    m.remote.RemoteWrite(kTabNetwork, -1);
    EXPECT_EQ(m.prompt.TakeWarnings(),
              (QStringList{"An error occurred while saving the distance: 6",
                           "An error occurred while saving the configuration: 6"}));
    unit.unit().AnswerRequests(false);
    m.console.SetWindows(ConsoleClient::kLoginWindowMs, 60000);
    m.remote.RemoteRead(kTabFms);
    EXPECT_EQ(m.prompt.TakeWarnings(),
              QStringList{"An error occurred while reading configuration: 4"});
}

TEST(RemoteConfig, TerminateRequestedCancelsTheCommandOnTheServer) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "30"}});
    LiveUnit unit(server.devicePort(), "356000000000841", ';', "Car 41");
    ASSERT_TRUE(server.WaitForLog(" 356000000000841 Car 41"));
    unit.unit().AnswerRequests(false);
    ManagerFixture m;
    ASSERT_TRUE(m.Login(server.telnetPort()));
    ASSERT_TRUE(m.Select("356000000000841"));
    QTimer::singleShot(500, [&] { m.state.terminateRequested = true; });
    QElapsedTimer timer;
    timer.start();
    m.remote.RemoteRead(kTabGeneral);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList{"The execution has been interrupted"});
    EXPECT_FALSE(m.state.busy);
    // The session is usable at once, in the next busy operation.
    BusyScope next(m.state);
    QStringList rows;
    EXPECT_EQ(m.console.ConsoleExecute("list", rows, false), kResultDone);
    EXPECT_EQ(rows.size(), 1);
}

TEST(RemoteConfig, OfflineWriteForADisconnectedUnitAndItsReport) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "5"}});
    const QString imei = "356000000000851";
    auto unit =
        std::make_unique<LiveUnit>(server.devicePort(), imei.toStdString(), ';', "Truck 51");
    ASSERT_TRUE(server.WaitForLog(" 356000000000851 Truck 51"));
    unit->Disconnect();
    ManagerFixture m;
    ASSERT_TRUE(m.Login(server.telnetPort()));
    ASSERT_TRUE(PumpUntil([&] { return m.StateOf(imei) == 0; }));
    ASSERT_TRUE(m.Select(imei));
    EXPECT_EQ(m.remote.selectedImage(), 3);

    ParamList values = TestValues(kTabGeneral, kVimko3, 5);
    m.lists.tabs[kTabGeneral] = values;
    m.state.offlineMode = true;
    m.remote.WriteButton();
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_TRUE(server.WaitForLog(": writecfg3 356000000000851,1,t5,"));
    EXPECT_EQ(m.remote.selectedImage(), 5);
    EXPECT_EQ(m.StateOf(imei), 2);

    m.remote.ReadButton();  // off-line mode: the report
    QStringList shown = m.prompt.TakeWarnings();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith("OFF-LINE Configuration Status:\r\n"))
        << shown[0].toStdString();
    EXPECT_TRUE(shown[0].endsWith(" [General] Waiting to contact with server"))
        << shown[0].toStdString();
    EXPECT_EQ(m.remote.selectedImage(), 5);

    // The unit comes back and takes the configuration.
    LiveUnit back(server.devicePort(), imei.toStdString(), ';', "Truck 51");
    ASSERT_TRUE(server.WaitForLog("CFG: Receive ack from "));
    m.remote.ReadButton();
    shown = m.prompt.TakeWarnings();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].endsWith(" [General] Configuration saved successfully"))
        << shown[0].toStdString();
    EXPECT_EQ(m.remote.selectedImage(), 3);

    // What the unit stored is what was written.
    m.state.offlineMode = false;
    ASSERT_TRUE(m.Select(imei));
    m.lists.tabs[kTabGeneral] = DefaultList(kTabGeneral, kVimko3);
    m.remote.RemoteRead(kTabGeneral);
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(m.lists.tabs[kTabGeneral].Lines(), values.Lines());

    // A unit without an off-line configuration.
    LiveUnit other(server.devicePort(), "356000000000852", ';', "Truck 52");
    ASSERT_TRUE(server.WaitForLog(" 356000000000852 Truck 52"));
    ASSERT_TRUE(m.Select("356000000000852"));
    m.state.offlineMode = true;
    m.remote.ReadButton();
    EXPECT_EQ(m.prompt.TakeWarnings(),
              QStringList{"Selected device configuration did not use OFF-LINE"});
}

TEST(RemoteConfig, GeneralWrittenToAnotherUnitAsksFirst) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "5"}});
    LiveUnit a(server.devicePort(), "356000000000861", '.', "Van A");
    LiveUnit b(server.devicePort(), "356000000000862", '.', "Van B");
    ASSERT_TRUE(server.WaitForLog(" 356000000000861 Van A"));
    ASSERT_TRUE(server.WaitForLog(" 356000000000862 Van B"));
    ManagerFixture m;
    m.remote.SetDeviceType(kVimko2);
    ASSERT_TRUE(m.Login(server.telnetPort()));
    ASSERT_TRUE(m.Select("356000000000861"));
    m.remote.RemoteRead(kTabGeneral);
    EXPECT_EQ(m.remote.sourceImei, "356000000000861");
    ASSERT_TRUE(m.Select("356000000000862"));
    m.prompt.answers = {false};
    m.remote.RemoteWrite(kTabGeneral, -1);
    EXPECT_EQ(m.prompt.questions, QStringList{"Are you sure?"});
    EXPECT_EQ(server.CountInLog(": writecfg "), 0u);
    m.remote.RemoteWrite(kTabGeneral, -1);  // "Yes"
    m.remote.RemoteWrite(kTabGeneral, -1);  // same unit: no question
    EXPECT_EQ(m.prompt.questions, (QStringList{"Are you sure?", "Are you sure?"}));
    EXPECT_TRUE(server.WaitUntilCount(": writecfg 356000000000862,0,", 2));
    EXPECT_EQ(m.remote.sourceImei, "356000000000862");
    EXPECT_EQ(m.prompt.warnings, QStringList());
}

TEST(RemoteConfig, GroupWriteMemberByMember) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "5"}});
    LiveUnit a(server.devicePort(), "356000000000871", '\n', "Car A");
    LiveUnit b(server.devicePort(), "356000000000872", '.', "Van B");
    LiveUnit c(server.devicePort(), "356000000000873", '\n', "Car C");
    for (const char* s :
         {" 356000000000871 Car A", " 356000000000872 Van B", " 356000000000873 Car C"}) {
        ASSERT_TRUE(server.WaitForLog(s));
    }
    ManagerFixture m;
    m.remote.SetDeviceType(kVimko1);
    ASSERT_TRUE(m.Login(server.telnetPort()));
    m.remote.SelectGroup();
    m.remote.group = {{"Car A", "356000000000871", "Vimko-1 TCP", "old"},
                      {"", "", "", ""},
                      {"Van B", "356000000000872", "Vimko-2 TCP", ""},
                      {"Car C", "356000000000873", "Vimko-1 TCP", ""}};
    m.lists.tabs[kTabFms] = TestValues(kTabFms, kVimko1, 3);
    m.remote.activeTab = kTabFms;
    m.prompt.answers = {false};
    m.remote.WriteButton();
    EXPECT_EQ(m.prompt.questions, QStringList{"Do you want to configure the device group?"});
    EXPECT_EQ(m.remote.group[0].status, "old");

    m.remote.WriteButton();
    EXPECT_EQ(m.remote.group[0].status, "Correct");
    EXPECT_EQ(m.remote.group[1].status, "");
    EXPECT_EQ(m.remote.group[2].status, "Invalid device type");
    EXPECT_EQ(m.remote.group[3].status, "Correct");
    EXPECT_EQ(server.CountInLog(": writefms 356000000000871,0,"), 1u);
    EXPECT_EQ(server.CountInLog(": writefms 356000000000872"), 0u);
    EXPECT_EQ(server.CountInLog(": writefms 356000000000873,0,"), 1u);
    EXPECT_EQ(m.prompt.warnings, QStringList());

    // A refusing unit and a unit gone from the server.
    c.unit().SetRefuseEvery(unit_sim::RequestKind::kWrite, 1);
    m.remote.group[2].imei = "356000000000899";
    m.remote.group[2].mode = "Vimko-1 UDP";
    m.remote.WriteButton();
    EXPECT_EQ(m.remote.group[0].status, "Correct");
    EXPECT_EQ(m.remote.group[2].status, "Error #2");
    EXPECT_EQ(m.remote.group[3].status, "Error #6");

    // Terminate during the first member stops the loop after it.
    a.unit().AnswerRequests(false);
    QTimer::singleShot(500, [&] { m.state.terminateRequested = true; });
    m.remote.WriteButton();
    EXPECT_EQ(m.remote.group[0].status, "Aborted");
    EXPECT_EQ(m.remote.group[2].status, "");
    EXPECT_EQ(m.remote.group[3].status, "");
    EXPECT_FALSE(m.state.busy);
}

}  // namespace
