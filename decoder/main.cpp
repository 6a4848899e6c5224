// VimkoDecoder: the batch decoder of vehicle-bus values. Reads its
// configuration, echoes it into the log and then runs one step of its work
// per second: it follows locdata and writes the decoded FMS values of every
// new row into the row's own columns. SIGINT or SIGTERM ends it between two
// steps with code 0.

#include <mysql.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "common/clock.h"
#include "common/config_file.h"
#include "common/status_screen.h"
#include "common/tick_wait.h"
#include "decoder/decoder_config.h"
#include "decoder/decoder_device.h"
#include "decoder/decoder_log.h"
#include "decoder/decoder_status.h"
#include "decoder/decoder_step.h"

namespace {

constexpr const char* kDefaultConfig = "VimkoDecoder.cfg";

}  // namespace

int main(int argc, char** argv) {
    std::string path = ConfigPathFromArgs(argc, argv);
    bool defaultPath = path.empty();
    DecoderConfig config;
    auto rules = std::make_unique<DecoderRules>();
    if (!LoadDecoderConfig(defaultPath ? kDefaultConfig : path, config, *rules)) {
        std::fprintf(
            stderr, "%s\n",
            defaultPath ? "Error in config file (VimkoDecoder.cfg)" : "Error in config file");
        return 1;
    }

    DecoderLog log(config.logFile);
    log.WriteEntries(DecoderEchoLines(config, *rules));

    auto devices = std::make_unique<DecoderDeviceTable>();
    sigset_t stopSignals = BlockStopSignals();
    signal(SIGPIPE, SIG_IGN);
    if (mysql_library_init(0, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "Database library error\n");
        return 1;
    }

    bool terminal = isatty(STDOUT_FILENO) == 1;
    StatusScreen screen(stdout, terminal, kDecoderLabelWidth);
    if (terminal) std::printf("%s\n", kDecoderCaption);
    {
        DecoderStep step(config, *rules, *devices, log);
        while (WaitForTick(stopSignals) == 0) {
            DecoderStatus status;
            status.utc = UtcTime(WallClockNow());
            log.Tick(status.utc);
            step.ProcessDatabaseData();
            status.devices = static_cast<unsigned long>(devices->used());
            status.recordNo = step.recordNo();
            status.processed = step.processed();
            screen.Draw(DecoderStatusRows(status));
        }
    }
    mysql_library_end();
    std::fflush(stdout);
    return 0;
}
