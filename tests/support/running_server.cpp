#include "tests/support/running_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool Accepts(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

}  // namespace

RunningServer::RunningServer(const ConfigValues& overrides) {
    ConfigValues values = ServerValues(m_db, "srv.log");
    for (const auto& [key, value] : overrides) values[key] = value;
    m_devicePort = std::stoi(values["DEVICE_PORT"]);
    m_telnetPort = std::stoi(values["TELNET_PORT"]);
    WriteFile(m_dir.File("VimkoSrv.cfg"), SampleConfigWith(values));
    m_process = std::make_unique<ServerProcess>(ServerProcess::Options{m_dir.path(), {}});
    // The probe connection shows in the log as a unit that never identified.
    EXPECT_TRUE(WaitUntil([&] { return Accepts(m_devicePort); }, std::chrono::seconds(20)))
        << "the server does not accept units:\n" << m_process->Stderr() << Log();
    EXPECT_TRUE(WaitForLog("Disconnected 127.0.0.1:"));
}

std::string RunningServer::Log() const { return ReadFile(m_dir.File("srv.log")); }

bool RunningServer::WaitForLog(const std::string& text, std::chrono::milliseconds limit) {
    return WaitUntil([&] { return Log().find(text) != std::string::npos; }, limit);
}

bool RunningServer::WaitForRows(const std::string& sql, size_t rows, std::chrono::milliseconds limit) {
    return WaitUntil([&] { return m_db.Query(sql).size() >= rows; }, limit);
}

size_t RunningServer::CountInLog(const std::string& text) const {
    std::string log = Log();
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
}
