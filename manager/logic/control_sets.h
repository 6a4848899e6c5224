#pragma once
// The local and the remote control sets of the main window: which buttons
// and fields a connected serial unit or a selected remote unit makes
// available. Pure: the enabled state of every named control follows from
// the two flags of ManagerState and a few facts beside them.
//
// A control that belongs to both sets is enabled while either set that
// holds it is on (and its own condition holds); the speed check box is the
// one control that the local set turns off.

#include <QList>
#include <QString>

#include "manager/logic/manager_state.h"

enum class Control : int {
    kAutomatic,            // monitor "&Automatic"
    kSpeed4800,            // "Use the speed 4800bps"
    kConfigRead,           // configuration "&Read"
    kConfigWrite,          // configuration "&Write"
    kMonitorRefresh,       // monitor "&Refresh"
    kFirmwareSend,         // firmware "&Send"
    kDistanceUpdate,       // "Distanse setup:" "&Update"
    kDistanceField,        // its distance field
    kClearMemory,          // "Clear memory:" "&Clear"
    kSysDump,              // "Nodalink SysDump"
    kArchiveRead,          // "Read data archives:" "&Read"
    kArchiveCount,         // its count field
    kUnreadRead,           // "Read the data unread:" "&Read"
    kMoveUp,               // "Move &up"
    kMoveDown,             // "Move &down"
    kDallasWrite,          // "Long DALLAS list:" "&Write"
    kGroupAdd,             // group "&Add"
    kFirmwareVersionRead,  // the firmware-version "&Read"
};
inline constexpr int kControlCount = 18;

// The control's caption, for messages and tests.
QString ControlName(Control control);

struct ControlState {
    Control control;
    bool enabled;
};

// The members of each set with the state the set gives them when `on`
// (conditions read from `state`: monitorStep, firmwareLoaded, deviceType).
QList<ControlState> LocalControlSet(bool on, const ManagerState& state);
QList<ControlState> RemoteControlSet(bool on, const ManagerState& state);

// Every control's state under both flags (localControlsOn, remoteControlsOn).
bool ControlEnabled(Control control, const ManagerState& state);
