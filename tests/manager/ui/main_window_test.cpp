// The main window's state machine, driven through its widgets: start-up,
// the busy protocol, the status line, the device type, the local and remote
// control sets and views, the tree's clicks.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include "manager/logic/device_list.h"
#include "manager/ui/configuration_page.h"
#include "manager/ui/group_page.h"
#include "manager/ui/param_table.h"
#include "manager/ui/settings_page.h"
#include "manager/ui/status_panel.h"
#include "manager/ui/terminate_window.h"
#include "tests/manager/qt_printers.h"
#include "tests/manager/ui/window_fixture.h"

namespace {

QStringList VisibleTabs(QTabWidget* tabs) {
    QStringList shown;
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->isTabVisible(i)) shown.append(tabs->tabText(i));
    }
    return shown;
}

QStringList Children(QTreeWidgetItem* root) {
    QStringList texts;
    for (int i = 0; root && i < root->childCount(); ++i) texts.append(root->child(i)->text(0));
    return texts;
}

TEST(MainWindow, StartsReadyWithDefaultsAndGroupHidden) {
    WindowFixture f;
    f.OpenWithoutFile();
    MainWindow& w = *f.window;
    EXPECT_EQ(w.windowTitle(), "Vimko Manager V3.96");
    EXPECT_EQ(w.statusPanel()->text(), "Ready");
    EXPECT_EQ(w.deviceCombo()->currentText(), "Vimko-3/4");
    EXPECT_EQ(w.state().deviceType, kVimko3);
    EXPECT_EQ(VisibleTabs(w.pages()),
              (QStringList{"&Configuration", "&Firmware", "&Monitoring", "&Debug", "&Settings"}));
    EXPECT_EQ(VisibleTabs(w.configurationPage()->tabs()),
              (QStringList{"General", "Calibration", "FMS i J1708", "CAN", "Statuses", "Events",
                           "Dallas", "Network", "CAN2"}));
    EXPECT_EQ(w.configurationPage()->description(kTabGeneral)->text(), "Default configuration");
    EXPECT_EQ(w.configurationPage()->table(kTabGeneral)->rowCount(), 37);
    EXPECT_FALSE(w.configurationPage()->readButton()->isEnabled());
    EXPECT_FALSE(w.configurationPage()->offlineBox()->isEnabled());
    EXPECT_TRUE(w.settingsPage()->speedBox()->isEnabled());
    EXPECT_EQ(w.settingsPage()->dataServerStatus()->text(), "Disconneced");
    EXPECT_EQ(w.settingsPage()->localStatus()->text(), "Disconnected");
    EXPECT_EQ(w.settingsPage()->printerProgram(), "Printer.exe");
    EXPECT_EQ(w.settingsPage()->Server().user, "administrator");
    EXPECT_EQ(w.settingsPage()->findChild<QLineEdit*>("serverPassword")->displayText(), "******");
    EXPECT_EQ(w.settingsPage()->findChild<QLineEdit*>("repoPassword")->displayText(), "******");
    EXPECT_EQ(Children(f.Node("Remote managnent")), QStringList{"Refresh device list"});
    EXPECT_FALSE(Children(f.Node("Local managment")).isEmpty());
    EXPECT_FALSE(FileExists(f.dir.File("VimkoManager.ini")));
}

TEST(MainWindow, BusyRefusesASecondActionAndShowsTheTerminateWindow) {
    WindowFixture f;
    f.Open();
    MainWindow& w = *f.window;
    ASSERT_FALSE(w.state().BeginBusy());  // an operation runs
    EXPECT_TRUE(w.terminateWindow()->isVisible());
    EXPECT_FALSE(w.deviceCombo()->isEnabled());
    EXPECT_FALSE(w.firmwarePage()->kindCombo()->isEnabled());

    w.refreshButton()->click();  // would warn "I can not connect to server data"
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(Children(f.Node("Remote managnent")), QStringList{"Refresh device list"});
    f.Click(f.Node("Refresh device list"));
    EXPECT_TRUE(w.state().terminateRequested);  // a tree click asks to stop

    w.terminateWindow()->button()->click();
    w.state().terminateRequested = false;
    w.terminateWindow()->button()->click();
    EXPECT_TRUE(w.state().terminateRequested);
    w.state().EndBusy();
    EXPECT_FALSE(w.terminateWindow()->isVisible());
    EXPECT_TRUE(w.deviceCombo()->isEnabled());
    EXPECT_TRUE(w.firmwarePage()->kindCombo()->isEnabled());
}

TEST(MainWindow, StatusShowsBusyTimeAndReturnsToReadyTenTicksAfterTheEnd) {
    WindowFixture f;
    f.Open();
    MainWindow& w = *f.window;
    w.state().BeginBusy();
    for (int i = 0; i < 15; ++i) w.Tick();
    EXPECT_EQ(w.statusPanel()->text(), "Executing command: 1.5...");
    w.state().progress = " 40";
    w.Tick();
    EXPECT_EQ(w.statusPanel()->percent(), 40);
    w.state().progress = "0";
    w.state().EndBusy();
    for (int i = 0; i < 9; ++i) w.Tick();
    EXPECT_EQ(w.statusPanel()->text(), "Executing command: 1.6...");
    w.Tick();
    EXPECT_EQ(w.statusPanel()->text(), "Ready");
}

TEST(MainWindow, DeviceTypeChangeResetsListsAndTabsAndDropsFirmware) {
    WindowFixture f;
    f.Open();
    MainWindow& w = *f.window;
    ConfigurationPage* config = w.configurationPage();
    config->tabs()->setCurrentIndex(kTabDallas);
    w.context().lists.tabs[kTabGeneral].SetValue("MYID", "edited");
    w.state().firmwareLoaded = true;

    w.deviceCombo()->setCurrentIndex(kVimko1);
    EXPECT_EQ(w.state().deviceType, kVimko1);
    EXPECT_FALSE(w.state().firmwareLoaded);
    EXPECT_EQ(VisibleTabs(config->tabs()), (QStringList{"General", "FMS i J1708", "Dallas"}));
    EXPECT_EQ(config->tabs()->currentIndex(), kTabGeneral);
    EXPECT_EQ(config->table(kTabGeneral)->rowCount(), 29);
    EXPECT_EQ(w.context().lists.tabs[kTabGeneral].Value("MYID"), "");

    w.state().firmwareLoaded = true;
    w.deviceCombo()->setCurrentIndex(kVimko2);
    EXPECT_FALSE(w.state().firmwareLoaded);
    EXPECT_EQ(VisibleTabs(config->tabs()), (QStringList{"General", "FMS i J1708", "CAN", "Statuses",
                                                        "Events", "Dallas", "Network"}));
}

// A serial port node with a stand-in for the serial link.
struct LocalFixture : WindowFixture {
    QStringList opened;  // "port baud"
    int closed = 0;
    bool portOpens = true;

    void OpenWithPort() {
        Open();
        window->listPorts = [] { return QStringList{"ttyS7"}; };
        window->openLocalPort = [this](const QString& port, int baud) {
            opened.append(port + ' ' + QString::number(baud));
            return portOpens;
        };
        window->closeLocalPort = [this] { ++closed; };
        window->BuildTree({TreeNode{"Refresh device list", kImageRefresh, -1}});
    }
};

TEST(MainWindow, PortNodeOpensTheLinkWithTheLocalControlSet) {
    LocalFixture f;
    f.OpenWithPort();
    MainWindow& w = *f.window;
    w.deviceCombo()->setCurrentIndex(kVimko1);
    w.settingsPage()->speedBox()->setChecked(true);
    f.Click(f.Node("ttyS7"));
    EXPECT_EQ(f.opened, QStringList{"ttyS7 4800"});
    EXPECT_TRUE(w.state().localLinkOpen);
    EXPECT_TRUE(w.state().localControlsOn);
    EXPECT_EQ(w.settingsPage()->localStatus()->text(), "Connected (ttyS7)");
    EXPECT_EQ(w.statusPanel()->text(), "Connected (ttyS7)");
    EXPECT_TRUE(w.configurationPage()->readButton()->isEnabled());
    EXPECT_TRUE(w.configurationPage()->writeButton()->isEnabled());
    EXPECT_FALSE(w.settingsPage()->speedBox()->isEnabled());
    EXPECT_FALSE(w.groupPage()->addButton()->isEnabled());
    EXPECT_FALSE(w.configurationPage()->offlineBox()->isEnabled());

    // Clicking the port again reopens it; any other node closes it.
    w.deviceCombo()->setCurrentIndex(kVimko2);
    f.Click(f.Node("ttyS7"));
    EXPECT_EQ(f.opened, (QStringList{"ttyS7 4800", "ttyS7 9600"}));
    EXPECT_EQ(f.closed, 1);
    f.Click(f.Node("Remote managnent"));
    EXPECT_EQ(f.closed, 2);
    EXPECT_FALSE(w.state().localLinkOpen);
    EXPECT_EQ(w.settingsPage()->localStatus()->text(), "Disconnected");
    EXPECT_FALSE(w.configurationPage()->readButton()->isEnabled());
    EXPECT_TRUE(w.settingsPage()->speedBox()->isEnabled());
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
}

TEST(MainWindow, PortThatDoesNotOpenIsReported) {
    LocalFixture f;
    f.portOpens = false;
    f.OpenWithPort();
    f.Click(f.Node("ttyS7"));
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{"Can not open port ttyS7"});
    EXPECT_FALSE(f.window->state().localLinkOpen);
    EXPECT_FALSE(f.window->configurationPage()->readButton()->isEnabled());
}

TEST(MainWindow, UnitNodeShowsTheRemoteViewAndGroupGathersUnits) {
    WindowFixture f;
    f.Open();
    MainWindow& w = *f.window;
    ConfigurationPage* config = w.configurationPage();
    // Logged in already, with two units listed.
    w.state().consoleConnected = true;
    w.state().deviceList = {"Truck 1,356000000000001,1,256,10.0.0.1,5100,10:00:00,2026-12-09,4,5",
                            "Van 2,356000000000002,3,4,10.0.0.2,5101,11:00:00,2026-12-09,6,7"};
    w.BuildTree(RemoteTreeChildren(w.state().deviceList, true));
    w.pages()->setCurrentIndex(MainWindow::kPageMonitoring);

    f.Click(f.Node("Truck 1 (356000000000001)"));
    EXPECT_TRUE(w.state().remoteView);
    EXPECT_TRUE(w.state().remoteControlsOn);
    EXPECT_EQ(w.pages()->currentIndex(), MainWindow::kPageConfiguration);
    EXPECT_EQ(VisibleTabs(w.pages()),
              (QStringList{"&Configuration", "&Firmware", "&Group", "&Settings"}));
    EXPECT_TRUE(config->offlineBox()->isEnabled());
    EXPECT_TRUE(config->readButton()->isEnabled());
    EXPECT_TRUE(w.groupPage()->addButton()->isEnabled());
    EXPECT_EQ(w.statusPanel()->text(),
              "Desc: Truck 1, Imei: 356000000000001, Mode: Vimko-3 TCP, IP: 10.0.0.1, "
              "Port: 5100, Login: 10:00:00 2026-12-09, R: 4, S: 5");
    EXPECT_EQ(w.settingsPage()->dataServerStatus()->text(), "Connected");

    w.groupPage()->addButton()->click();
    w.groupPage()->addButton()->click();  // a member is not added twice
    f.Click(f.Node("Van 2 (356000000000002)"));
    w.groupPage()->addButton()->click();
    QTableWidget* grid = w.groupPage()->grid();
    EXPECT_EQ(grid->item(0, 1)->text(), "356000000000001");
    EXPECT_EQ(grid->item(0, 2)->text(), "Vimko-3 TCP");
    EXPECT_EQ(grid->item(1, 0)->text(), "Van 2");
    EXPECT_EQ(grid->item(2, 1)->text(), "");
    f.Click(f.Node("Group of devices"));
    EXPECT_EQ(w.statusPanel()->text(), "The number of devices in the group: 2");

    // The local root leaves the remote view's controls off; a port node
    // brings back the local layout.
    config->offlineBox()->setChecked(true);
    f.Click(f.Node("Local managment"));
    EXPECT_FALSE(w.state().remoteControlsOn);
    EXPECT_FALSE(config->readButton()->isEnabled());
    w.pages()->setCurrentIndex(MainWindow::kPageGroup);
    w.ShowLocalView();
    EXPECT_EQ(w.pages()->currentIndex(), MainWindow::kPageConfiguration);
    EXPECT_FALSE(config->offlineBox()->isChecked());
    EXPECT_FALSE(w.state().offlineMode);
    EXPECT_FALSE(w.pages()->isTabVisible(MainWindow::kPageGroup));
    w.state().consoleConnected = false;
}

}  // namespace
