// A picture of every page and dialog, saved as PNG into the build folder
// (screenshots/window_*.png), so a change of the layout can be looked at without a
// display. The README shows copies of the main ones.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTabWidget>

#include "manager/logic/device_list.h"
#include "manager/ui/bit_dialog.h"
#include "manager/ui/group_page.h"
#include "manager/ui/password_dialogs.h"
#include "manager/ui/profiles_dialog.h"
#include "manager/ui/repository_dialog.h"
#include "tests/manager/ui/window_fixture.h"

namespace {

const QString kDir = QStringLiteral(VIMKO_SCREENSHOT_DIR);

void Save(QWidget& widget, const QString& name) {
    QDir().mkpath(kDir);
    widget.show();
    QPixmap picture = widget.grab();
    ASSERT_FALSE(picture.isNull()) << name.toStdString();
    QString path = kDir + QStringLiteral("/window_") + name + ".png";
    ASSERT_TRUE(picture.save(path)) << path.toStdString();
    EXPECT_GT(QFileInfo(path).size(), 1000) << path.toStdString();
}

TEST(Screenshots, EveryPage) {
    WindowFixture f;
    f.Open();
    MainWindow& w = *f.window;
    w.resize(1100, 700);
    w.state().deviceList = {"Truck 1,356000000000001,1,256,10.0.0.1,5100,10:00:00,2026-12-09,4,5",
                            "Van 2,356000000000002,3,4,10.0.0.2,5101,11:00:00,2026-12-09,6,7",
                            "Bus 3,356000000000003,0,1,10.0.0.3,5102,09:00:00,2026-12-08,1,1"};
    w.BuildTree(RemoteTreeChildren(w.state().deviceList, false));
    const struct {
        int page;
        const char* name;
    } pages[] = {
        {MainWindow::kPageConfiguration, "configuration"}, {MainWindow::kPageFirmware, "firmware"},
        {MainWindow::kPageMonitoring, "monitoring"},       {MainWindow::kPageDebug, "debug"},
        {MainWindow::kPageSettings, "settings"},
    };
    for (const auto& p : pages) {
        w.pages()->setCurrentIndex(p.page);
        Save(w, p.name);
    }
    w.ShowRemoteView();
    w.context().remote.group = {{"Truck 1", "356000000000001", "Vimko-3 TCP", "Correct"},
                                {"Van 2", "356000000000002", "Vimko-2 TCP", "Invalid device type"}};
    w.groupPage()->Reload();
    w.pages()->setCurrentIndex(MainWindow::kPageGroup);
    Save(w, "group");
}

TEST(Screenshots, EveryDialog) {
    TempDir dir;
    BitDialog bits(1, 2, "6", nullptr);
    Save(bits, "binary_parameter");
    RepositoryDialog repo({{"tractors.xml", {"Imported from the device connected remote: T 81"}},
                           {"vans.xml", {"Vans of the north depot"}}},
                          true, [](const QString&) { return true; });
    Save(repo, "import_export");
    ProfilesDialog profiles(QString::fromStdString(dir.File("p.ini")), {"", "h:1", "u", "p"});
    Save(profiles, "configurations");
    std::unique_ptr<PasswordDialog> code(NewAccessCodeDialog(nullptr));
    Save(*code, "repository_code");
    std::unique_ptr<PasswordDialog> pin(NewUnitPinDialog(nullptr));
    Save(*pin, "local_configuration");
}

}  // namespace
