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

RunningServer::RunningServer(const ConfigValues& overrides, unsigned long fileLimit) {
    ConfigValues values = ServerValues(m_db, "srv.log");
    for (const auto& [key, value] : overrides) values[key] = value;
    m_devicePort = std::stoi(values["DEVICE_PORT"]);
    m_telnetPort = std::stoi(values["TELNET_PORT"]);
    WriteFile(m_dir.File("VimkoSrv.cfg"), SampleConfigWith(values));
    ServerProcess::Options options{m_dir.path(), {}};
    options.fileLimit = fileLimit;
    m_process = std::make_unique<ServerProcess>(options);
    // The probe connection shows in the log as a unit that never identified.
    EXPECT_TRUE(WaitUntil([&] { return Accepts(m_devicePort); }, std::chrono::seconds(20)))
        << "the server does not accept units:\n"
        << m_process->Stderr() << Log();
    EXPECT_TRUE(WaitForLog("Disconnected 127.0.0.1:"));
}

std::string RunningServer::Log() const {
    return ReadFile(m_dir.File("srv.log"));
}

bool RunningServer::WaitForLog(const std::string& text, std::chrono::milliseconds limit) {
    return WaitUntil([&] { return Log().find(text) != std::string::npos; }, limit);
}

bool RunningServer::WaitForRows(const std::string& sql, size_t rows,
                                std::chrono::milliseconds limit) {
    return WaitUntil([&] { return m_db.Query(sql).size() >= rows; }, limit);
}

bool RunningServer::WaitUntilCount(const std::string& text, size_t count,
                                   std::chrono::milliseconds limit) {
    return WaitUntil([&] { return CountInLog(text) >= count; }, limit);
}

size_t RunningServer::CountInLog(const std::string& text) const {
    std::string log = Log();
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
}

namespace {

std::vector<int> FindSlots(const std::string& log, const std::string& serial) {
    std::vector<int> slots;
    size_t line = 0;
    while (line < log.size()) {
        size_t end = log.find('\n', line);
        if (end == std::string::npos) end = log.size();
        std::string text = log.substr(line, end - line);
        line = end + 1;
        // "hhmmss D5: <serial> <description>"
        if (text.size() > 8 && text.compare(7, 1, "D") == 0) {
            size_t colon = text.find(": ", 8);
            if (colon != std::string::npos &&
                text.compare(colon + 2, serial.size() + 1, serial + " ") == 0) {
                int slot = std::stoi(text.substr(8, colon - 8));
                // A UDP unit's identification names the slot its datagram already took.
                if (slots.empty() || slots.back() != slot) slots.push_back(slot);
                continue;
            }
        }
        // "hhmmss UDP: Connected a.b.c.d:p <serial> -> D5"
        std::string marker = " " + serial + " -> D";
        size_t at = text.find(marker);
        if (text.find("UDP: Connected") != std::string::npos && at != std::string::npos) {
            slots.push_back(std::stoi(text.substr(at + marker.size())));
        }
    }
    return slots;
}

}  // namespace

std::vector<int> RunningServer::SlotsOf(const std::string& serial, size_t count,
                                        std::chrono::milliseconds limit) {
    std::vector<int> slots;
    WaitUntil([&] { return (slots = FindSlots(Log(), serial)).size() >= count; }, limit);
    EXPECT_GE(slots.size(), count) << "unit " << serial << " not in the log:\n" << Log();
    return slots;
}
