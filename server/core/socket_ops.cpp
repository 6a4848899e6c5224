#include "server/core/socket_ops.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

// Runs a socket call again while a signal interrupts it before it did anything.
template <typename Call>
ssize_t RetryInterrupted(Call call) {
    for (;;) {
        ssize_t n = call();
        if (n >= 0 || errno != EINTR) return n;
    }
}

int PollOne(int fd, short events, int timeoutMs) {
    pollfd pfd{fd, events, 0};
    for (;;) {
        int n = poll(&pfd, 1, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) return 0;
        if (pfd.revents & POLLNVAL) return -1;
        return 1;
    }
}

}  // namespace

int SockWaitReadable(int fd, int timeoutMs) {
    return PollOne(fd, POLLIN, timeoutMs);
}

int SockWaitWritable(int fd, int timeoutMs) {
    pollfd pfd{fd, POLLOUT, 0};
    for (;;) {
        int n = poll(&pfd, 1, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) return 0;
        if (pfd.revents & (POLLERR | POLLNVAL)) return -1;
        return 1;
    }
}

ListenStep SockOpenServer(bool stream, int port, UniqueFd& fd) {
    fd.Reset(socket(AF_INET, (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, 0));
    if (!fd) return ListenStep::kSocket;
    int on = 1;
    if ((stream && setsockopt(fd.get(), SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0) ||
        setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        return ListenStep::kSetsockopt;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        return ListenStep::kBind;
    }
    // The kernel caps the backlog at its own maximum (net.core.somaxconn).
    if (stream && listen(fd.get(), INT_MAX) != 0) return ListenStep::kListen;
    return ListenStep::kOk;
}

std::string ListenStepText(ListenStep step, int thread) {
    const char* what = "";
    switch (step) {
        case ListenStep::kOk:
            return "";
        case ListenStep::kSocket:
            what = "Socket";
            break;
        case ListenStep::kSetsockopt:
            what = "Setsockopt";
            break;
        case ListenStep::kBind:
            what = "Bind";
            break;
        case ListenStep::kListen:
            what = "Listen";
            break;
    }
    return std::string(what) + " error #" + std::to_string(thread);
}

int SockAccept(int listener, sockaddr_in& peer) {
    constexpr int kShortageWaitMs = 100;
    for (;;) {
        socklen_t length = sizeof peer;
        int fd = accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
        if (fd >= 0) return fd;
        switch (errno) {
            case EINTR:
            case ECONNABORTED:
            case EPROTO:
                continue;
            case EMFILE:
            case ENFILE:
            case ENOBUFS:
            case ENOMEM:
                // Descriptors or memory run short: connected units go on
                // while this thread waits for some to be given back.
                poll(nullptr, 0, kShortageWaitMs);
                return -1;
            default:
                return -1;
        }
    }
}

ssize_t SockRecv(int fd, void* buffer, size_t size) {
    return RetryInterrupted([&] { return recv(fd, buffer, size, 0); });
}

ssize_t SockRecvNow(int fd, void* buffer, size_t size) {
    return RetryInterrupted([&] { return recv(fd, buffer, size, MSG_DONTWAIT); });
}

ssize_t SockSend(int fd, const void* bytes, size_t count) {
    return RetryInterrupted([&] { return send(fd, bytes, count, MSG_NOSIGNAL | MSG_DONTWAIT); });
}

ssize_t SockSendTo(int fd, const void* bytes, size_t count, const sockaddr_in& to) {
    return sendto(fd, bytes, count, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to);
}

ssize_t SockRecvFrom(int fd, void* buffer, size_t size, sockaddr_in& from) {
    socklen_t length = sizeof from;
    return RetryInterrupted(
        [&] { return recvfrom(fd, buffer, size, 0, reinterpret_cast<sockaddr*>(&from), &length); });
}

void SockClose(int fd) {
    if (fd >= 0) close(fd);
}

UniqueFd SockConnectTcp(const sockaddr_in& address) {
    UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) return fd;
    int rc;
    do {
        rc = connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) fd.Reset();
    return fd;
}

std::string AddressText(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return text;
}

int AddressPort(const sockaddr_in& address) {
    return ntohs(address.sin_port);
}

bool SockResolveIpv4(const std::string& host, int port, sockaddr_in& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return false;
    bool ok = false;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addrlen < sizeof(sockaddr_in)) continue;
        std::memcpy(&address, a->ai_addr, sizeof address);
        address.sin_port = htons(static_cast<uint16_t>(port));
        ok = true;
        break;
    }
    freeaddrinfo(found);
    return ok;
}

ConnectResult SockConnectTcpWithin(const sockaddr_in& address, int timeoutMs, UniqueFd& out) {
    out.Reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!out) return ConnectResult::kNoSocket;
    int rc = connect(out.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (rc < 0 && errno != EINPROGRESS && errno != EINTR) {
        out.Reset();
        return ConnectResult::kFailed;
    }
    if (rc < 0) {
        int error = 0;
        socklen_t length = sizeof error;
        if (SockWaitWritable(out.get(), timeoutMs) != 1 ||
            getsockopt(out.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            out.Reset();
            return ConnectResult::kFailed;
        }
    }
    int flags = fcntl(out.get(), F_GETFL);
    if (flags >= 0) fcntl(out.get(), F_SETFL, flags & ~O_NONBLOCK);
    return ConnectResult::kOk;
}
