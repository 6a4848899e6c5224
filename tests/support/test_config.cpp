#include "tests/support/test_config.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <random>
#include <sstream>

#include "tests/support/temp_dir.h"

std::string SampleConfigWith(const ConfigValues& values) {
    return SampleFileWith("VimkoSrv.cfg", values);
}

std::string SampleFileWith(const std::string& name, const ConfigValues& values) {
    std::string sample = ReadFile(std::string(VIMKO_SOURCE_DIR) + "/etc/" + name);
    EXPECT_FALSE(sample.empty()) << "etc/" << name << " not found";
    std::istringstream in(sample);
    std::string out;
    std::string line;
    size_t used = 0;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) {
            auto it = values.find(line.substr(0, eq));
            if (it != values.end()) {
                line = it->first + "=" + it->second;
                ++used;
            }
        }
        out += line + "\n";
    }
    EXPECT_EQ(used, values.size()) << "a key is not in the sample configuration";
    return out;
}

ConfigValues DatabaseValues(const TestDatabase& db) {
    ServerConfig config;
    db.Configure(config);
    return {{"SQL_HOST", config.sqlHost},
            {"SQL_PORT", std::to_string(config.sqlPort)},
            {"SQL_USER", config.sqlUser},
            {"SQL_PASSWD", config.sqlPasswd},
            {"SQL_DATABASE", config.sqlDatabase}};
}

namespace {

// Test ports lie below the kernel's ephemeral range (32768 and up on Linux),
// so no outgoing connection of any process is ever given one of them between
// the test choosing it and the server binding it.
constexpr int kFirstTestPort = 12000;
constexpr int kTestPortCount = 20000;
constexpr const char* kReservationDir = "/tmp/vimko-test-ports";

bool Bindable(int type, int port) {
    int fd = socket(AF_INET, type, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    bool ok = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// Test processes run side by side (ctest -j): a port is reserved by an
// exclusive lock on a file named after it, held until this process ends, so
// two tests never hand out the same port however late their servers bind it.
bool Reserve(int port) {
    mkdir(kReservationDir, 0777);
    std::string path = std::string(kReservationDir) + "/" + std::to_string(port);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    return true;  // the descriptor stays open: the lock lasts as long as the test
}

}  // namespace

int FreePort() {
    static std::mt19937 random(static_cast<unsigned>(getpid()) ^
                               static_cast<unsigned>(time(nullptr)));
    for (int attempt = 0; attempt < 1000; ++attempt) {
        int port = kFirstTestPort + static_cast<int>(random() % kTestPortCount);
        if (!Reserve(port)) continue;
        if (Bindable(SOCK_STREAM, port) && Bindable(SOCK_DGRAM, port)) return port;
    }
    ADD_FAILURE() << "no free port";
    return 0;
}

UniqueFd ListenOnLoopback(int port, int backlog) {
    UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    int on = 1;
    setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(listen(fd.get(), backlog), 0);
    return fd;
}

ConfigValues ServerValues(const TestDatabase& db, const std::string& logFile) {
    ConfigValues values = DatabaseValues(db);
    values["LOG_FILE"] = logFile;
    values["DEVICE_PORT"] = std::to_string(FreePort());
    values["TELNET_PORT"] = std::to_string(FreePort());
    return values;
}
