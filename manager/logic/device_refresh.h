#pragma once
// "&Refresh": reconnect to the console, read the device list and build the
// remote half of the device tree.

#include <QList>

#include "manager/logic/console_client.h"
#include "manager/logic/device_list.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/user_prompt.h"

struct ServerSettings {
    QString address = QStringLiteral("127.0.0.1:9000");
    QString user = QStringLiteral("administrator");
    QString password = QStringLiteral("tavrel");
    bool grouping = false;   // "Grouping devices"
    bool onlyLogged = true;  // "Show only logged"
};

// Disconnects, connects and logs in, runs "list" and sorts the rows into
// ManagerState::deviceList; returns the children of "Remote managnent".
// Refused (nothing done, an empty list) while another operation runs.
QList<TreeNode> RefreshDeviceList(ManagerState& state, ConsoleClient& console, UserPrompt& prompt,
                                  const ServerSettings& settings);
