#pragma once
// Every raw socket call of the server, in one thin layer: waits use poll()
// (select() cannot take descriptors above 1023, and the server holds 2000
// unit connections), sends never raise SIGPIPE, and descriptors are owned by
// UniqueFd so no early return leaks one.

#include <netinet/in.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            m_fd = other.Release();
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    int Release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void Reset(int fd = -1);

private:
    int m_fd = -1;
};

// 1 readable (or closed by the peer), 0 time-out, -1 error.
int SockWaitReadable(int fd, int timeoutMs);
// Waits on two descriptors (fd2 may be -1). 0 time-out, -1 error, otherwise
// 1 with `ready1`/`ready2` saying which of them can be read.
int SockWaitReadable2(int fd1, int fd2, int timeoutMs, bool& ready1, bool& ready2);
// 1 writable, 0 time-out, -1 error.
int SockWaitWritable(int fd, int timeoutMs);

ssize_t SockRecv(int fd, void* buffer, size_t size);
ssize_t SockSend(int fd, const void* bytes, size_t count);
ssize_t SockSendTo(int fd, const void* bytes, size_t count, const sockaddr_in& to);
ssize_t SockRecvFrom(int fd, void* buffer, size_t size, sockaddr_in& from);
void SockClose(int fd);

// A TCP connection to address:port (blocking connect), or an invalid fd.
UniqueFd SockConnectTcp(const sockaddr_in& address);

// "a.b.c.d" of an IPv4 address, and its port in host order.
std::string AddressText(const sockaddr_in& address);
int AddressPort(const sockaddr_in& address);
