// VimkoSrv: the fleet server. Reads its configuration, echoes it into the
// log, clears the process-wide tables, starts the worker threads, records the
// start in statdata and then runs the one-second tick until SIGINT or SIGTERM
// ends the process (code 0, nothing joined, nothing logged).

#include <mysql.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "common/config_file.h"
#include "common/leak_check.h"
#include "common/tick_wait.h"
#include "server/console/console_slot.h"
#include "server/core/clock.h"
#include "server/core/descriptor_limit.h"
#include "server/core/fatal.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/status_display.h"
#include "server/core/status_tick.h"
#include "server/core/worker_threads.h"
#include "server/device/device_slot.h"
#include "server/store/sql_pool.h"
#include "server/store/statdata_sql.h"
#include "server/store/status_event.h"

namespace {

constexpr const char* kDefaultConfig = "VimkoSrv.cfg";

}  // namespace

int main(int argc, char** argv) {
    std::string path = ConfigPathFromArgs(argc, argv);
    bool defaultPath = path.empty();
    if (!LoadServerConfig(defaultPath ? kDefaultConfig : path, gConfig, gDecodeTable)) {
        FatalExit(defaultPath ? "Error in config file (VimkoSrv.cfg)" : "Error in config file");
    }

    LogSetPath(gConfig.logFile);
    for (const std::string& line : ConfigEchoLines(gConfig, gDecodeTable)) {
        LogWrite("%s", line.c_str());
    }

    // Room for a full fleet: every unit and its tunnel, the consoles, the
    // database connections and a few more (listeners, log, outside services).
    constexpr unsigned long kDescriptorsNeeded =
        2UL * kMaxDevices + kMaxConsoles + kSqlSlots + kDescriptorReserve;
    unsigned long limit = RaiseDescriptorLimit();
    if (limit < kDescriptorsNeeded) {
        LogWrite("Open file limit %lu is below the %lu a full server needs\n", limit,
                 kDescriptorsNeeded);
    }

    // The stop signals are taken by the main thread's wait alone: block them
    // before any thread exists so every thread inherits the mask. A unit that
    // drops its connection mid-send must not kill the server.
    sigset_t stopSignals = BlockStopSignals();
    signal(SIGPIPE, SIG_IGN);

    // The connector's global state must exist before several threads connect.
    if (mysql_library_init(0, nullptr, nullptr) != 0) FatalExit("Database library error");

    ClearDeviceSlots();
    ClearConsoleSlots();
    ClearSqlSlots();

    if (int failed = StartWorkerThreads(ServerWorkerThreads()); failed != 0) {
        FatalExit("Nie moge utworzyc watku #" + std::to_string(failed));
    }

    StatusEvent(-1, kEventStart, -1, -1);

    StatusDisplay display(stdout, isatty(STDOUT_FILENO) == 1);
    for (;;) {
        if (WaitForTick(stopSignals) != 0) {
            // Closing the server: no thread is told or joined; only the
            // log's gathered entries are written, so nothing is lost.
            LogFlush();
            std::fflush(stdout);
            RunLeakCheck();
            _exit(0);
        }
        display.Draw(StatusTick(WallClockNow()));
    }
}
