// The main window's local road end to end: the port node opens the real
// serial link to the simulated unit on the far end of a socat pair, and the
// Configuration page's "&Read" fills the list from the unit.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <chrono>
#include <memory>
#include <optional>

#include "manager/ui/configuration_page.h"
#include "manager/ui/settings_page.h"
#include "manager/ui/status_panel.h"
#include "tests/manager/qt_printers.h"
#include "tests/manager/ui/window_fixture.h"
#include "tests/support/server_process.h"
#include "tests/tools/socat_pair.h"

namespace {

TEST(MainWindowLocal, PortNodeAndReadTakeTheGeneralListFromTheUnitUntilTheCableIsPulled) {
    std::optional<SocatPair> pair;
    pair.emplace();
    ASSERT_TRUE(pair->ok());
    TempDir unitDir;
    ServerProcess unit(ServerProcess::Options{.workDir = unitDir.path(),
                                              .args = {"--generation", "3", pair->second()},
                                              .program = "vimko-serial-unit"});
    ASSERT_TRUE(WaitUntil([&] { return unit.Stdout().find("ready") != std::string::npos; },
                          std::chrono::seconds(10)));

    WindowFixture f;
    f.Open();
    MainWindow& w = *f.window;
    const QString port = QString::fromStdString(pair->first());
    w.listPorts = [port] { return QStringList{port}; };
    w.BuildTree({TreeNode{"Refresh device list", kImageRefresh, -1}});
    f.Click(f.Node(port));
    ASSERT_TRUE(w.state().localLinkOpen) << f.prompt.TakeWarnings().join('|').toStdString();
    EXPECT_EQ(w.settingsPage()->localStatus()->text(), "Connected (" + port + ")");

    // A wrong PIN is refused by the unit and leaves the defaults.
    f.prompt.unitPins = {QStringLiteral("9999")};
    w.configurationPage()->readButton()->click();
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{"Authorization failed"});
    EXPECT_EQ(w.configurationPage()->description(kTabGeneral)->text(), "Default configuration");

    f.prompt.unitPins = {QStringLiteral("1234")};
    w.configurationPage()->readButton()->click();
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(w.configurationPage()->description(kTabGeneral)->text(),
              "Imported from device connected locally");
    EXPECT_EQ(w.statusPanel()->text(), "Operation done correctly");
    EXPECT_FALSE(w.state().busy);

    // The cable is pulled (the pseudo-terminal pair goes away). A hung-up
    // terminal reads as an end of data, so the loss shows at the next write:
    // the window then closes the local road instead of leaving its controls
    // on a dead port.
    pair.reset();
    f.prompt.unitPins = {QStringLiteral("1234")};
    w.configurationPage()->readButton()->click();
    ASSERT_TRUE(WaitUntil(
        [&] {
            QCoreApplication::processEvents();
            return w.settingsPage()->localStatus()->text() == "Disconnected";
        },
        std::chrono::seconds(10)))
        << w.settingsPage()->localStatus()->text().toStdString() << ", link open "
        << w.state().localLinkOpen;
    EXPECT_FALSE(w.state().localLinkOpen);
    EXPECT_FALSE(w.configurationPage()->readButton()->isEnabled());
}

}  // namespace
