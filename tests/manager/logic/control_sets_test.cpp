// Which controls each state of the main window enables.

#include "manager/logic/control_sets.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/manager/qt_printers.h"

namespace {

using C = Control;

struct Case {
    const char* name;
    bool local, remote;
    int deviceType, monitorStep;
    bool firmwareLoaded;
    std::set<Control> enabled;
};

const std::set<Control> kLocalVimko3 = {
    C::kAutomatic,     C::kConfigRead,  C::kConfigWrite, C::kMonitorRefresh, C::kDistanceUpdate,
    C::kDistanceField, C::kClearMemory, C::kSysDump,     C::kArchiveRead,    C::kArchiveCount,
    C::kUnreadRead,    C::kMoveUp,      C::kMoveDown,    C::kDallasWrite};

std::set<Control> Without(std::set<Control> s, std::initializer_list<Control> gone) {
    for (Control c : gone) s.erase(c);
    return s;
}
std::set<Control> With(std::set<Control> s, std::initializer_list<Control> more) {
    s.insert(more.begin(), more.end());
    return s;
}

const Case kCases[] = {
    {"nothing selected", false, false, kVimko3, 0, true, {C::kSpeed4800}},
    {"local Vimko-3/4", true, false, kVimko3, 0, false, kLocalVimko3},
    {"local Vimko-1 has no archive reads", true, false, kVimko1, 0, false,
     Without(kLocalVimko3, {C::kArchiveRead, C::kArchiveCount, C::kUnreadRead})},
    {"local while polling", true, false, kVimko2, 4, false,
     Without(kLocalVimko3, {C::kMonitorRefresh})},
    {"local with firmware", true, false, kVimko2, 0, true, With(kLocalVimko3, {C::kFirmwareSend})},
    {"remote",
     false,
     true,
     kVimko1,
     0,
     false,
     {C::kSpeed4800, C::kConfigRead, C::kConfigWrite, C::kDistanceUpdate, C::kDistanceField,
      C::kArchiveRead, C::kArchiveCount, C::kGroupAdd, C::kFirmwareVersionRead, C::kDallasWrite}},
    {"remote with firmware",
     false,
     true,
     kVimko3,
     0,
     true,
     {C::kSpeed4800, C::kConfigRead, C::kConfigWrite, C::kFirmwareSend, C::kDistanceUpdate,
      C::kDistanceField, C::kArchiveRead, C::kArchiveCount, C::kGroupAdd, C::kFirmwareVersionRead,
      C::kDallasWrite}},
};

TEST(ControlSets, EachStateEnablesExactlyItsControls) {
    for (const Case& c : kCases) {
        ManagerState state;
        state.localControlsOn = c.local;
        state.remoteControlsOn = c.remote;
        state.deviceType = c.deviceType;
        state.monitorStep = c.monitorStep;
        state.firmwareLoaded = c.firmwareLoaded;
        for (int i = 0; i < kControlCount; ++i) {
            Control control = static_cast<Control>(i);
            EXPECT_EQ(ControlEnabled(control, state), c.enabled.count(control) == 1)
                << c.name << ": " << ControlName(control).toStdString();
        }
    }
}

TEST(ControlSets, SwitchingASetOffTurnsOffEveryMember) {
    ManagerState state;
    state.firmwareLoaded = true;
    for (const ControlState& c : LocalControlSet(false, state)) {
        EXPECT_EQ(c.enabled, c.control == Control::kSpeed4800)
            << ControlName(c.control).toStdString();
    }
    for (const ControlState& c : RemoteControlSet(false, state)) {
        EXPECT_FALSE(c.enabled) << ControlName(c.control).toStdString();
    }
}

}  // namespace
