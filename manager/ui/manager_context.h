#pragma once
// What the pages of one main window share: the application state, the
// person at the screen and the controllers that own the console socket, the
// repository access and (when a port node is open) the serial link. The
// main window owns every object named here and outlives its pages; all of
// it is used on the GUI thread only.

#include "manager/logic/console_client.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/param_list.h"
#include "manager/logic/remote_config.h"
#include "manager/logic/repo_client.h"
#include "manager/logic/user_prompt.h"

struct ManagerContext {
    ManagerState& state;
    UserPrompt& prompt;
    ParamLists& lists;
    ConsoleClient& console;
    RepoClient& repo;
    RemoteConfig& remote;
    // The local link's and the firmware's controllers are added here as
    // members when the windows are wired to them.
};
