// vimko-serial-unit: a simulated tracking unit on a serial device (a real
// port or one end of a socat pseudo-terminal pair).
//
//   vimko-serial-unit [--generation 1|2|3] [--pin PIN] [--imei IMEI] DEVICE
//
// Prints "ready" on standard output once the device is open and raw, then
// answers until the device hangs up or SIGINT/SIGTERM arrives. Reports
// (wrong PINs, written blocks, corrupt uploads) go to standard error.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/unique_fd.h"
#include "tools/serial_unit/serial_unit.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;  // written by the signal handler, read by the loop

void OnSignal(int) {
    g_stop = 1;
}

int Usage() {
    std::fprintf(
        stderr, "usage: vimko-serial-unit [--generation 1|2|3] [--pin PIN] [--imei IMEI] DEVICE\n");
    return 1;
}

bool MakeRaw(int fd, bool slow) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    cfsetispeed(&tio, slow ? B4800 : B9600);
    cfsetospeed(&tio, slow ? B4800 : B9600);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
            continue;
        }
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    serial_unit::Settings settings;
    bool slow = false;
    const char* device = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--generation" && i + 1 < argc) {
            settings.generation = std::atoi(argv[++i]);
        } else if (arg == "--pin" && i + 1 < argc) {
            settings.pin = argv[++i];
        } else if (arg == "--imei" && i + 1 < argc) {
            settings.imei = argv[++i];
        } else if (arg == "--4800") {
            slow = true;
        } else if (!arg.starts_with("--") && device == nullptr) {
            device = argv[i];
        } else {
            return Usage();
        }
    }
    if (device == nullptr || settings.generation < 1 || settings.generation > 3) return Usage();

    UniqueFd fd(open(device, O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0 || !MakeRaw(fd.get(), slow)) {
        std::fprintf(stderr, "cannot open %s: %s\n", device, std::strerror(errno));
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    serial_unit::SerialUnit unit(settings);
    std::printf("ready\n");
    std::fflush(stdout);
    uint8_t buffer[kSerialBufferSize];
    while (!g_stop) {
        pollfd p{fd.get(), POLLIN, 0};
        int ready = poll(&p, 1, 200);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) break;
        if (ready == 0) continue;
        if (p.revents & (POLLHUP | POLLERR) && !(p.revents & POLLIN)) break;
        ssize_t n = read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) break;
        std::vector<uint8_t> answer =
            unit.Feed(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
        for (const std::string& report : unit.TakeReports())
            std::fprintf(stderr, "%s\n", report.c_str());
        if (!answer.empty() && !WriteAll(fd.get(), answer)) break;
    }
    return 0;
}
