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

class FirmwareImporter;
class FirmwareSender;
class LocalConfig;
class LocalFirmware;
class LongDallasWriter;
class MonitorController;
class SerialLink;
class ServiceTools;

struct ManagerContext {
    ManagerState& state;
    UserPrompt& prompt;
    ParamLists& lists;
    ConsoleClient& console;
    RepoClient& repo;
    RemoteConfig& remote;
    // The local link's and the firmware's controllers, owned by the main
    // window like the ones above and set by it when it makes them. A page's
    // button whose controller is not set does nothing.
    SerialLink* link = nullptr;
    LocalConfig* local = nullptr;
    LocalFirmware* localFirmware = nullptr;
    ServiceTools* tools = nullptr;
    MonitorController* monitor = nullptr;
    FirmwareImporter* importer = nullptr;
    FirmwareSender* sender = nullptr;
    LongDallasWriter* dallas = nullptr;
};
