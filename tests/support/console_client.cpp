#include "tests/support/console_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

ConsoleClient::ConsoleClient(int port) {
    m_fd.Reset(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(m_fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        m_fd.Reset();
}

void ConsoleClient::Send(const std::string& bytes) {
    if (m_fd.valid()) send(m_fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

bool ConsoleClient::ReadUntil(const std::string& text, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        size_t at = m_received.find(text, m_consumed);
        if (at != std::string::npos) {
            m_consumed = at + text.size();
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !m_fd.valid()) return false;
        pollfd pfd{m_fd.get(), POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) return false;
        char buffer[4096];
        ssize_t n = recv(m_fd.get(), buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        m_received.append(buffer, static_cast<size_t>(n));
    }
}

bool ConsoleClient::WaitClosed(std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_fd.valid() && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{m_fd.get(), POLLIN, 0};
        if (poll(&pfd, 1, 100) <= 0) continue;
        char buffer[4096];
        ssize_t n = recv(m_fd.get(), buffer, sizeof buffer, 0);
        if (n <= 0) return true;
        m_received.append(buffer, static_cast<size_t>(n));
    }
    return false;
}

std::string ConsoleClient::Take() {
    std::string out;
    out.swap(m_received);
    m_consumed = 0;
    return out;
}

bool ConsoleClient::Login(const std::string& password, const std::string& mode,
                          const std::string& user) {
    if (!ReadUntil("username\r\n")) return false;
    Send(user + "\n");
    if (!ReadUntil("password\r\n")) return false;
    Send(password + "\n");
    if (!ReadUntil("mode\r\n")) return false;
    Send(mode + "\n");
    bool ok = ReadUntil("command\r\n");
    Take();
    return ok;
}

std::string ConsoleClient::Command(const std::string& line, std::chrono::milliseconds limit) {
    Send(line + "\n");
    ReadUntil("command\r\n", limit);
    std::string out = Take();
    const std::string prompt = "command\r\n";
    if (out.size() >= prompt.size() &&
        out.compare(out.size() - prompt.size(), prompt.size(), prompt) == 0) {
        out.resize(out.size() - prompt.size());
    }
    return out;
}
