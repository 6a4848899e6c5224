#include "manager/logic/control_sets.h"

#include <array>

namespace {

const std::array<const char*, kControlCount> kNames = {
    "&Automatic",
    "Use the speed 4800bps",
    "configuration &Read",
    "configuration &Write",
    "monitor &Refresh",
    "firmware &Send",
    "Distanse setup: &Update",
    "Distanse setup: distance",
    "Clear memory: &Clear",
    "Nodalink SysDump",
    "Read data archives: &Read",
    "Read data archives: count",
    "Read the data unread: &Read",
    "Move &up",
    "Move &down",
    "Long DALLAS list: &Write",
    "group &Add",
    "firmware version &Read",
};

}  // namespace

QString ControlName(Control control) {
    return QLatin1String(kNames[static_cast<size_t>(control)]);
}

QList<ControlState> LocalControlSet(bool on, const ManagerState& s) {
    // The archive and unread reads exist only on the binary framing.
    const bool binary = s.deviceType != kVimko1;
    return {
        {Control::kAutomatic, on},
        {Control::kSpeed4800, !on},
        {Control::kConfigRead, on},
        {Control::kConfigWrite, on},
        {Control::kMonitorRefresh, on && s.monitorStep == 0},
        {Control::kFirmwareSend, on && s.firmwareLoaded},
        {Control::kDistanceUpdate, on},
        {Control::kDistanceField, on},
        {Control::kClearMemory, on},
        {Control::kSysDump, on},
        {Control::kArchiveRead, on && binary},
        {Control::kArchiveCount, on && binary},
        {Control::kUnreadRead, on && binary},
        {Control::kMoveUp, on},
        {Control::kMoveDown, on},
        {Control::kDallasWrite, on},
    };
}

QList<ControlState> RemoteControlSet(bool on, const ManagerState& s) {
    return {
        {Control::kConfigRead, on},
        {Control::kConfigWrite, on},
        {Control::kFirmwareSend, on && s.firmwareLoaded},
        {Control::kDistanceUpdate, on},
        {Control::kDistanceField, on},
        {Control::kArchiveRead, on},
        {Control::kArchiveCount, on},
        {Control::kGroupAdd, on},
        {Control::kFirmwareVersionRead, on},
        {Control::kDallasWrite, on},
    };
}

bool ControlEnabled(Control control, const ManagerState& s) {
    if (control == Control::kSpeed4800) return !s.localControlsOn;
    bool enabled = false;
    for (const ControlState& c : LocalControlSet(s.localControlsOn, s)) {
        if (c.control == control) enabled = enabled || c.enabled;
    }
    for (const ControlState& c : RemoteControlSet(s.remoteControlsOn, s)) {
        if (c.control == control) enabled = enabled || c.enabled;
    }
    return enabled;
}
