// The Firmware page: its part of the local and remote control sets per
// device type and state, the firmware-version line in both views, a loaded
// firmware dropped by a kind or device-type change, the description pane.

#include "manager/ui/firmware_page.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>

#include "tests/manager/ui/pages_fixture.h"

namespace {

// Every control of the three pages that a control set switches.
const char* const kSwitched[] = {
    "firmwareSend",     "distanceUpdate", "distanceField", "clearMemory",  "archiveRead",
    "archiveCount",     "unreadRead",     "dallasWrite",   "versionRead",  "monitorRefresh",
    "monitorAutomatic", "monitorUp",      "monitorDown",   "debugSysDump",
};

QStringList EnabledControls(PagesFixture& m) {
    QStringList enabled;
    for (const char* name : kSwitched) {
        QWidget* control = nullptr;
        for (QWidget* page : {static_cast<QWidget*>(&m.firmware), static_cast<QWidget*>(&m.monitor),
                              static_cast<QWidget*>(&m.debug)}) {
            if (!control) control = page->findChild<QWidget*>(QLatin1String(name));
        }
        EXPECT_NE(control, nullptr) << name;
        if (control && control->isEnabled()) enabled.append(QLatin1String(name));
    }
    return enabled;
}

struct ControlCase {
    const char* what;
    bool remote;  // which set is switched on
    int deviceType;
    bool firmwareLoaded;
    int monitorStep;
    QStringList enabled;
};

TEST(FirmwarePage, ControlSetsPerDeviceTypeAndState) {
    const QStringList localAll = {
        "firmwareSend", "distanceUpdate", "distanceField", "clearMemory",    "archiveRead",
        "archiveCount", "unreadRead",     "dallasWrite",   "monitorRefresh", "monitorAutomatic",
        "monitorUp",    "monitorDown",    "debugSysDump"};
    const ControlCase cases[] = {
        {"local Vimko-3/4 with firmware", false, kVimko3, true, 0, localAll},
        {"local Vimko-2 without firmware", false, kVimko2, false, 0,
         QStringList(localAll.begin() + 1, localAll.end())},
        {"local Vimko-1: no archives",
         false,
         kVimko1,
         true,
         0,
         {"firmwareSend", "distanceUpdate", "distanceField", "clearMemory", "dallasWrite",
          "monitorRefresh", "monitorAutomatic", "monitorUp", "monitorDown", "debugSysDump"}},
        {"local while a monitor cycle runs",
         false,
         kVimko2,
         false,
         3,
         {"distanceUpdate", "distanceField", "clearMemory", "archiveRead", "archiveCount",
          "unreadRead", "dallasWrite", "monitorAutomatic", "monitorUp", "monitorDown",
          "debugSysDump"}},
        {"remote Vimko-1 with firmware",
         true,
         kVimko1,
         true,
         0,
         {"firmwareSend", "distanceUpdate", "distanceField", "archiveRead", "archiveCount",
          "dallasWrite", "versionRead"}},
        {"remote Vimko-3/4 without firmware",
         true,
         kVimko3,
         false,
         0,
         {"distanceUpdate", "distanceField", "archiveRead", "archiveCount", "dallasWrite",
          "versionRead"}},
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.what);
        PagesFixture m;
        EXPECT_EQ(EnabledControls(m), QStringList());  // both sets start off
        m.SetDeviceType(c.deviceType);
        m.state.firmwareLoaded = c.firmwareLoaded;
        m.state.monitorStep = c.monitorStep;
        if (c.remote) {
            m.RemoteControls(true);
        } else {
            m.LocalControls(true);
        }
        EXPECT_EQ(EnabledControls(m), c.enabled);
        if (c.remote) {
            m.RemoteControls(false);
        } else {
            m.LocalControls(false);
        }
        EXPECT_EQ(EnabledControls(m), QStringList());
    }
}

TEST(FirmwarePage, DefaultsAndArchiveReadingFollowTheDeviceType) {
    PagesFixture m;
    EXPECT_EQ(m.firmware.kindCombo()->count(), 3);
    EXPECT_EQ(m.firmware.kindCombo()->itemText(1), "Firmware KX-05/Tacho");
    EXPECT_EQ(m.firmware.kind(), 0);
    EXPECT_EQ(Control<QLineEdit>(m.firmware, "distanceField")->text(), "0");
    EXPECT_EQ(Control<QLineEdit>(m.firmware, "archiveCount")->text(), "100");
    m.LocalControls(true);
    m.SetDeviceType(kVimko1);
    EXPECT_FALSE(Control(m.firmware, "archiveRead")->isEnabled());
    EXPECT_FALSE(Control(m.firmware, "unreadRead")->isEnabled());
    m.SetDeviceType(kVimko2);
    EXPECT_TRUE(Control(m.firmware, "archiveRead")->isEnabled());
    EXPECT_TRUE(Control(m.firmware, "unreadRead")->isEnabled());
}

TEST(FirmwarePage, VersionLineInTheLocalAndTheRemoteView) {
    PagesFixture m;
    QLineEdit* version = Control<QLineEdit>(m.firmware, "versionLine");
    m.LocalView();
    EXPECT_FALSE(version->isEnabled());
    EXPECT_EQ(m.firmware.versionText(), "Available in tab 'Monitoring'");
    m.RemoteView();
    EXPECT_TRUE(version->isEnabled());
    EXPECT_EQ(m.firmware.versionText(), "");
    EXPECT_TRUE(version->isReadOnly());
}

// A kind change and a device-type change both drop a loaded image; the
// version line is emptied in the remote view and kept in the local one.
TEST(FirmwarePage, KindOrDeviceTypeChangeDropsTheLoadedFirmware) {
    struct Change {
        const char* what;
        bool remoteView;
        std::function<void(PagesFixture&)> change;
        QString versionAfter;
    };
    const Change changes[] = {
        {"kind, remote", true, [](PagesFixture& m) { m.firmware.kindCombo()->setCurrentIndex(2); },
         ""},
        {"device type, remote", true, [](PagesFixture& m) { m.SetDeviceType(kVimko2); }, ""},
        {"kind, local", false, [](PagesFixture& m) { m.firmware.kindCombo()->setCurrentIndex(1); },
         "Available in tab 'Monitoring'"},
        {"device type, local", false, [](PagesFixture& m) { m.SetDeviceType(kVimko1); },
         "Available in tab 'Monitoring'"},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        PagesFixture m;
        if (c.remoteView) {
            m.RemoteView();
            m.RemoteControls(true);
            m.state.firmwareVersion = "Status:1 Version:3.96 Crcc:7";
            emit m.sender.versionChanged();
            EXPECT_EQ(m.firmware.versionText(), "Status:1 Version:3.96 Crcc:7");
        } else {
            m.LocalView();
            m.LocalControls(true);
        }
        // An image taken by an import.
        QTemporaryDir dir;
        const QString path = dir.filePath("fw.bin");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(0x3E000, '\x5A'));
        file.close();
        m.prompt.files = {path};
        m.repo.settings.offline = true;
        Control(m.firmware, "firmwareImport")->click();
        ASSERT_TRUE(m.state.firmwareLoaded);
        EXPECT_EQ(m.firmware.descriptionText(), "File: " + path + "\nSize: 253952");
        ASSERT_TRUE(Control(m.firmware, "firmwareSend")->isEnabled());
        if (c.remoteView) SaveScreenshot(m.firmware, QStringLiteral("firmware_page"));

        c.change(m);
        EXPECT_FALSE(m.state.firmwareLoaded);
        EXPECT_FALSE(Control(m.firmware, "firmwareSend")->isEnabled());
        EXPECT_EQ(m.firmware.descriptionText(), "");
        EXPECT_EQ(m.firmware.versionText(), c.versionAfter);
        // The rest of the control set stays as it was.
        EXPECT_TRUE(Control(m.firmware, "distanceUpdate")->isEnabled());
    }
}

TEST(FirmwarePage, DescriptionPaneShowsItsBoldLinesInBold) {
    PagesFixture m;
    m.firmware.ShowDescription({{"Version: 3.96 Date: 2026-11-30", true},
                                {"first", false},
                                {"second", false},
                                {"Bold again", true}});
    EXPECT_EQ(m.firmware.descriptionText(),
              "Version: 3.96 Date: 2026-11-30\nfirst\nsecond\nBold again");
    QTextDocument* document = Control<QTextEdit>(m.firmware, "description")->document();
    const bool bold[] = {true, false, false, true};
    for (int i = 0; i < 4; ++i) {
        QTextBlock block = document->findBlockByNumber(i);
        ASSERT_TRUE(block.isValid());
        EXPECT_EQ(block.begin().fragment().charFormat().fontWeight() == QFont::Bold, bold[i])
            << block.text().toStdString();
    }
    m.firmware.ShowDescription({});
    EXPECT_EQ(m.firmware.descriptionText(), "");
}

}  // namespace
