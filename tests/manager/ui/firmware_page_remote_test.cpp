// The Firmware page's remote service actions, clicked against the real
// server with a simulated unit.

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include "tests/manager/logic/live_unit.h"
#include "tests/manager/ui/pages_fixture.h"
#include "tests/support/running_server.h"

namespace {

TEST(FirmwarePageRemote, DistanceAndArchiveButtonsRunTheirConsoleCommands) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "5"}});
    LiveUnit unit(server.devicePort(), "356000000000861", ';', "Truck 61");
    ASSERT_TRUE(server.WaitForLog(" 356000000000861 Truck 61"));
    PagesFixture m;
    ASSERT_TRUE(m.Login(server.telnetPort()));
    ASSERT_TRUE(m.Select("356000000000861"));
    m.RemoteView();
    m.RemoteControls(true);

    // A click while another operation runs starts nothing.
    Control<QLineEdit>(m.firmware, "distanceField")->setText("777");
    m.state.busy = true;
    Control(m.firmware, "distanceUpdate")->click();
    m.state.busy = false;

    Control<QLineEdit>(m.firmware, "distanceField")->setText("1234");
    Control(m.firmware, "distanceUpdate")->click();
    EXPECT_TRUE(server.WaitForLog(": distance 356000000000861,1234\n"));
    EXPECT_EQ(m.state.statusText, "Operation done correctly");
    Control<QLineEdit>(m.firmware, "archiveCount")->setText("25");
    Control(m.firmware, "archiveRead")->click();
    EXPECT_TRUE(server.WaitForLog(": recovery 356000000000861,25\n"));
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(server.CountInLog(",777\n"), 0u);

    // A refusal by the unit is reported.
    unit.unit().SetRefuseEvery(unit_sim::RequestKind::kWrite, 1);
    Control(m.firmware, "distanceUpdate")->click();
    EXPECT_EQ(m.prompt.TakeWarnings(),
              QStringList{"An error occurred while saving the distance: 6"});
}

}  // namespace
