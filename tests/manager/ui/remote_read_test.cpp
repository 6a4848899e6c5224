// The window against the real VimkoSrv and a simulated unit, driven by
// clicks: "&Refresh", the unit's node, "&Read".

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "manager/ui/configuration_page.h"
#include "manager/ui/param_table.h"
#include "manager/ui/settings_page.h"
#include "manager/ui/status_panel.h"
#include "tests/manager/logic/live_unit.h"
#include "tests/manager/qt_printers.h"
#include "tests/manager/ui/window_fixture.h"
#include "tests/support/running_server.h"

namespace {

TEST(MainWindowRemote, RefreshClickUnitAndReadGeneral) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "5"}});
    LiveUnit unit(server.devicePort(), "356000000000871", ';', "Truck 71");
    LiveUnit away(server.devicePort(), "356000000000872", ';', "Truck 72");
    ASSERT_TRUE(server.WaitForLog(" 356000000000871 Truck 71"));
    ASSERT_TRUE(server.WaitForLog(" 356000000000872 Truck 72"));
    away.Disconnect();

    WindowFixture f;
    f.Open("[Serwer]\nAdres=127.0.0.1:" + std::to_string(server.telnetPort()) +
           "\nUzytkownik=manager\nHaslo=vimko\n");
    MainWindow& w = *f.window;
    w.refreshButton()->click();
    ASSERT_EQ(f.prompt.TakeWarnings(), QStringList());
    EXPECT_TRUE(w.state().consoleConnected);
    EXPECT_EQ(w.settingsPage()->dataServerStatus()->text(), "Connected");
    ASSERT_NE(f.Node("Group of devices"), nullptr);
    QTreeWidgetItem* node = f.Node("Truck 71 (356000000000871)");
    ASSERT_NE(node, nullptr);

    f.Click(node);
    EXPECT_TRUE(w.state().remoteControlsOn);
    EXPECT_TRUE(w.statusPanel()->text().startsWith(
        "Desc: Truck 71, Imei: 356000000000871, Mode: Vimko-3 TCP, IP: 127.0.0.1"))
        << w.statusPanel()->text().toStdString();
    ConfigurationPage* config = w.configurationPage();
    ASSERT_TRUE(config->readButton()->isEnabled());
    config->readButton()->click();
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(w.statusPanel()->text(), "Operation done correctly");
    EXPECT_EQ(config->description(kTabGeneral)->text(),
              "Imported from the device connected remote: Truck 71");
    // The simulated unit reports its serial as MYID.
    const ParamList& general = w.context().lists.tabs[kTabGeneral];
    EXPECT_EQ(general.Value("MYID"), "356000000000871");
    EXPECT_EQ(config->table(kTabGeneral)->item(general.IndexOf("MYID"), 1)->text(),
              "356000000000871");
    EXPECT_FALSE(w.state().busy);

    // Closing the window logs out.
    w.close();
    EXPECT_FALSE(w.state().consoleConnected);
}

}  // namespace
