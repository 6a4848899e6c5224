// VimkoSrv: the fleet server. Reads its configuration, echoes it into the
// log, clears the process-wide tables, starts the worker threads, records the
// start in statdata and then runs the one-second tick until SIGINT or SIGTERM
// ends the process (code 0, nothing joined, nothing logged).

#include <mysql.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>

#include "common/leak_check.h"
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

// The whole command line is the configuration path, blanks included.
std::string ConfigPathFromArgs(int argc, char** argv) {
    std::string path;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) path += ' ';
        path += argv[i];
    }
    return path;
}

// Waits until the next whole second of the wall clock. Returns the signal
// number when SIGINT or SIGTERM came first, otherwise 0.
int WaitForTick(const sigset_t& stopSignals) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    timespec wait{0, 1000000000L - now.tv_nsec};
    for (;;) {
        int sig = sigtimedwait(&stopSignals, nullptr, &wait);
        if (sig > 0) return sig;
        if (errno == EAGAIN) return 0;
        if (errno != EINTR) return 0;
    }
}

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
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
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
            // Closing the server: no thread is told, joined or flushed; the
            // log holds nothing open, so there is nothing to lose.
            std::fflush(stdout);
            RunLeakCheck();
            _exit(0);
        }
        display.Draw(StatusTick(WallClockNow()));
    }
}
