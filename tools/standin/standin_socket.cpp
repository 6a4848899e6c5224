#include "tools/standin/standin_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

namespace standin {

UniqueFd ListenTcp(const std::string& host, int port) {
    UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) return fd;
    int on = 1;
    setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1 ||
        bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd.get(), 16) != 0) {
        std::perror("listen");
        fd.Reset();
    }
    return fd;
}

UniqueFd Accept(int listener) {
    for (;;) {
        int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0 && errno == EINTR) continue;
        return UniqueFd(fd);
    }
}

namespace {

bool ReadByte(int fd, char& byte, int timeoutMs) {
    pollfd pfd{fd, POLLIN, 0};
    int n;
    do {
        n = poll(&pfd, 1, timeoutMs);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return false;
    return recv(fd, &byte, 1, 0) == 1;
}

}  // namespace

bool ReadExact(int fd, size_t count, std::string& out, int timeoutMs) {
    char byte;
    for (size_t i = 0; i < count; ++i) {
        if (!ReadByte(fd, byte, timeoutMs)) return false;
        out += byte;
    }
    return true;
}

bool ReadUntil(int fd, std::string_view end, size_t limit, std::string& out, int timeoutMs) {
    char byte;
    while (out.size() < limit) {
        if (!ReadByte(fd, byte, timeoutMs)) return false;
        out += byte;
        if (out.size() >= end.size() && std::string_view(out).ends_with(end)) return true;
    }
    return false;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void AppendRecord(const std::string& path, const std::string& text) {
    if (path.empty()) return;
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << text;
}

std::string Hex(std::string_view bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        out += kDigits[static_cast<uint8_t>(c) >> 4];
        out += kDigits[static_cast<uint8_t>(c) & 15];
    }
    return out;
}

bool FromHex(std::string_view text, std::string& out) {
    auto value = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (text.size() % 2 != 0) return false;
    out.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = value(text[i]), lo = value(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

}  // namespace standin
