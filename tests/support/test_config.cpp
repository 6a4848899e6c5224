#include "tests/support/test_config.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

bool Bindable(int type, int port) {
    int fd = socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    bool ok = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

}  // namespace

int FreePort() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Let the kernel pick an ephemeral TCP port, then make sure UDP has it free too.
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        close(fd);
        int port = ntohs(address.sin_port);
        if (Bindable(SOCK_STREAM, port) && Bindable(SOCK_DGRAM, port)) return port;
    }
    ADD_FAILURE() << "no free port";
    return 0;
}

ConfigValues ServerValues(const TestDatabase& db, const std::string& logFile) {
    ConfigValues values = DatabaseValues(db);
    values["LOG_FILE"] = logFile;
    values["DEVICE_PORT"] = std::to_string(FreePort());
    values["TELNET_PORT"] = std::to_string(FreePort());
    return values;
}
