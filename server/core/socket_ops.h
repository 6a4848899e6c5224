#pragma once
// Every raw socket call of the server, in one thin layer: waits use poll()
// (select() cannot take descriptors above 1023, and the server holds 2000
// unit connections), sends never raise SIGPIPE, and descriptors are owned by
// UniqueFd so no early return leaks one.

#include <netinet/in.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

#include "common/unique_fd.h"

// 1 readable (or closed by the peer), 0 time-out, -1 error.
int SockWaitReadable(int fd, int timeoutMs);
// 1 writable, 0 time-out, -1 error.
int SockWaitWritable(int fd, int timeoutMs);

ssize_t SockRecv(int fd, void* buffer, size_t size);
// The same without waiting: -1 with errno EAGAIN when nothing is there yet.
ssize_t SockRecvNow(int fd, void* buffer, size_t size);
ssize_t SockSend(int fd, const void* bytes, size_t count);
ssize_t SockSendTo(int fd, const void* bytes, size_t count, const sockaddr_in& to);
ssize_t SockRecvFrom(int fd, void* buffer, size_t size, sockaddr_in& from);
void SockClose(int fd);

// The steps of opening a server socket, for the caller's error texts.
enum class ListenStep { kOk, kSocket, kSetsockopt, kBind, kListen };

// A socket bound to every local address at `port`: TCP (`stream`) with
// keep-alive and address reuse, listening with the system's largest
// backlog (a fleet reconnecting after a restart arrives all at once), or
// UDP with address reuse. Returns the step that failed, kOk with `fd` set.
ListenStep SockOpenServer(bool stream, int port, UniqueFd& fd);

// The start-up failure text of a step of thread #`thread`: "Socket error #1",
// "Setsockopt error #2", "Bind error #3", "Listen error #1".
std::string ListenStepText(ListenStep step, int thread);

// accept4() of the next connection with close-on-exec. Returns the new
// descriptor, or -1. A failure for lack of descriptors or memory waits a
// little (on the listener, so a connection arriving meanwhile is taken at
// once) instead of spinning; a connection aborted before it was taken is
// retried at once.
int SockAccept(int listener, sockaddr_in& peer);

// A TCP connection to address:port (blocking connect), or an invalid fd.
UniqueFd SockConnectTcp(const sockaddr_in& address);

// "a.b.c.d" of an IPv4 address, and its port in host order.
std::string AddressText(const sockaddr_in& address);
int AddressPort(const sockaddr_in& address);

// The first IPv4 address of `host` (a name or dotted text) with `port`.
// False when the name does not resolve to one.
bool SockResolveIpv4(const std::string& host, int port, sockaddr_in& address);

enum class ConnectResult { kOk, kNoSocket, kFailed };
// A TCP connection to address:port that gives up after `timeoutMs` (a
// non-blocking connect and a writable-wait), so a peer that never answers
// cannot hold the caller longer. The descriptor is blocking again on return.
ConnectResult SockConnectTcpWithin(const sockaddr_in& address, int timeoutMs, UniqueFd& out);
