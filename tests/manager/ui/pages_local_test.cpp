// The pages' local buttons clicked against the simulated serial unit
// (vimko-serial-unit) on the far end of a socat pseudo-terminal pair.

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include <QTableWidget>
#include <chrono>
#include <memory>

#include "tests/manager/logic/live_unit.h"
#include "tests/manager/ui/pages_fixture.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/socat_pair.h"

namespace {

struct LocalPages : PagesFixture {
    TempDir dir;
    SocatPair pair;
    std::unique_ptr<ServerProcess> unit;

    explicit LocalPages(int deviceType) {
        SetDeviceType(deviceType);
        unit = std::make_unique<ServerProcess>(ServerProcess::Options{
            .workDir = dir.path(),
            .args = {"--generation", std::to_string(deviceType + 1), pair.second()},
            .program = "vimko-serial-unit"});
    }
    bool Ready() {
        if (!pair.ok() ||
            !WaitUntil([&] { return unit->Stdout().find("ready") != std::string::npos; },
                       std::chrono::seconds(10)) ||
            !link.ConnectNode(QString::fromStdString(pair.first()), false)) {
            return false;
        }
        LocalView();
        LocalControls(true);
        return true;
    }
};

QString Cell(LocalPages& m, int row) {
    QTableWidgetItem* item = m.monitor.grid()->item(row, 1);
    return item ? item->text() : QString();
}

// "&Refresh" polls every item once: the unit's answers fill the rows, the
// module row carries its icon marker, and "&Refresh" comes back at the end.
TEST(PagesLocal, MonitorRefreshFillsTheGridFromTheUnit) {
    LocalPages m(kVimko3);
    ASSERT_TRUE(m.Ready());
    QAbstractButton* refresh = Control(m.monitor, "monitorRefresh");
    refresh->click();
    EXPECT_FALSE(refresh->isEnabled());
    // The main window's timer, one step each 100 ms; the answers come in
    // between.
    ASSERT_TRUE(PumpUntil(
        [&] {
            m.monitor.TimerStep();
            return m.state.monitorStep == 0;
        },
        20000));
    EXPECT_TRUE(refresh->isEnabled());
    EXPECT_TRUE(Cell(m, 0).startsWith("Imei:354330031234567")) << Cell(m, 0).toStdString();
    EXPECT_TRUE(Cell(m, 0).contains("\nIcon=")) << Cell(m, 0).toStdString();
    EXPECT_TRUE(Cell(m, 1).startsWith("Fixstat:")) << Cell(m, 1).toStdString();
    SaveScreenshot(m.monitor, QStringLiteral("monitor_page"));
}

// "Nodalink SysDump" asks the unit for its dump, whose lines reach the
// Debug log; "Distanse setup:" "&Update" sets the unit's distance.
TEST(PagesLocal, SysDumpAndDistanceButtonsReachTheUnit) {
    LocalPages m(kVimko2);
    ASSERT_TRUE(m.Ready());
    Control(m.debug, "debugSysDump")->click();
    ASSERT_TRUE(PumpUntil([&] { return m.debug.Lines().size() >= 2; }, 5000))
        << m.debug.Lines().join('|').toStdString();
    SaveScreenshot(m.debug, QStringLiteral("debug_page_dump"));

    m.prompt.unitPins = {QStringLiteral("1234")};
    Control<QLineEdit>(m.firmware, "distanceField")->setText("4321");
    Control(m.firmware, "distanceUpdate")->click();
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(m.state.statusText, "Operation done correctly");
    EXPECT_TRUE(PumpUntil([&] { return m.unit->Stderr().find("4321") != std::string::npos; }, 5000))
        << m.unit->Stderr();
}

}  // namespace
