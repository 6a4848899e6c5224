#include "manager/logic/device_refresh.h"

QList<TreeNode> RefreshDeviceList(ManagerState& state, ConsoleClient& console, UserPrompt& prompt,
                                  const ServerSettings& settings) {
    BusyScope busy(state);
    if (busy.refused()) return {};
    if (state.consoleConnected) {
        console.ConsoleDisconnect();
        state.consoleConnected = false;
        state.deviceList.clear();
    }
    state.remoteControlsOn = false;
    if (console.ConsoleConnect(settings.address, settings.user, settings.password)) {
        state.consoleConnected = true;
        ConsoleResult r = console.ConsoleExecute(QStringLiteral("list"), state.deviceList, false);
        if (r != kResultDone) {
            prompt.ShowWarning(
                QStringLiteral("An error occurred while reading the list of devices"));
        }
        SortDeviceList(state.deviceList, settings.grouping);
    }
    return RemoteTreeChildren(state.deviceList, settings.onlyLogged);
}
