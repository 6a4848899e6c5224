#pragma once
// The manager's logic wired as the main window wires it (scripted person,
// real controllers), with the three pages on it, and helpers to find a
// page's controls by name and to save a screenshot of a page.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QWidget>

#include "manager/logic/firmware_import.h"
#include "manager/logic/label_command.h"
#include "manager/logic/local_config.h"
#include "manager/logic/local_firmware.h"
#include "manager/logic/long_dallas.h"
#include "manager/logic/monitor_controller.h"
#include "manager/logic/remote_firmware.h"
#include "manager/logic/serial_link.h"
#include "manager/logic/service_tools.h"
#include "manager/ui/debug_page.h"
#include "manager/ui/firmware_page.h"
#include "manager/ui/manager_context.h"
#include "manager/ui/monitor_page.h"
#include "tests/manager/logic/manager_fixture.h"

struct PagesFixture : ManagerFixture {
    LabelFacts label;
    SerialLink link{state, prompt};
    LocalConfig local{state, lists, link, repo, prompt, label};
    LocalFirmware localFirmware{state, link, prompt};
    ServiceTools tools{state, lists, link, prompt, label};
    MonitorController monitorController{state, link, label};
    FirmwareImporter importer{state, repo, prompt};
    FirmwareSender sender{state, console, remote, prompt};
    LongDallasWriter dallas{state, console, remote, prompt};
    ManagerContext context{state,
                           prompt,
                           lists,
                           console,
                           repo,
                           remote,
                           &link,
                           &local,
                           &localFirmware,
                           &tools,
                           &monitorController,
                           &importer,
                           &sender,
                           &dallas};
    FirmwarePage firmware{context};
    MonitorPage monitor{context};
    DebugPage debug{context};

    PagesFixture() {
        for (QWidget* page : {static_cast<QWidget*>(&firmware), static_cast<QWidget*>(&monitor),
                              static_cast<QWidget*>(&debug)}) {
            page->resize(800, 600);
        }
    }

    // What the main window does on a device combo change.
    void SetDeviceType(int type) {
        state.deviceType = type;
        remote.SetDeviceType(type);
        firmware.DeviceTypeChanged();
        monitor.DeviceTypeChanged();
        debug.DeviceTypeChanged();
    }
    void LocalControls(bool on) {
        state.localControlsOn = on;
        firmware.ApplyLocalControls(on);
        monitor.ApplyLocalControls(on);
        debug.ApplyLocalControls(on);
    }
    void RemoteControls(bool on) {
        state.remoteControlsOn = on;
        firmware.ApplyRemoteControls(on);
        monitor.ApplyRemoteControls(on);
        debug.ApplyRemoteControls(on);
    }
    void LocalView() {
        state.remoteView = false;
        firmware.ShowLocalView();
        monitor.ShowLocalView();
        debug.ShowLocalView();
    }
    void RemoteView() {
        state.remoteView = true;
        firmware.ShowRemoteView();
        monitor.ShowRemoteView();
        debug.ShowRemoteView();
    }
};

template <typename T = QAbstractButton>
T* Control(QWidget& page, const char* name) {
    T* control = page.findChild<T*>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// Saves `page` as <build dir>/screenshots/<name>.png.
inline void SaveScreenshot(QWidget& page, const QString& name) {
    QDir().mkpath(QStringLiteral(VIMKO_SCREENSHOT_DIR));
    EXPECT_TRUE(page.grab().save(QStringLiteral(VIMKO_SCREENSHOT_DIR "/") + name + ".png"));
}
