#include "server/core/udp_server.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <mutex>
#include <string>

#include "common/text_format.h"
#include "server/core/clock.h"
#include "server/core/counters.h"
#include "server/core/fatal.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/server_socket.h"
#include "server/core/socket_ops.h"
#include "server/device/device_session.h"
#include "server/device/device_slot.h"
#include "server/device/owner_wait.h"
#include "server/device/slot_table.h"
#include "server/device/udp_packet.h"
#include "server/store/sql_pool.h"
#include "server/store/statdata_sql.h"
#include "server/store/status_event.h"

namespace {

constexpr size_t kDatagramMax = 1024;

// The active UDP slot of this unit, or -1. The slot keeps as much of the
// identifier as its devId holds, so a longer identifier is compared by that
// much; compared whole it would never match and every datagram would take a
// new slot.
int FindUdpSlot(const std::string& identifier) {
    const std::string kept = identifier.substr(0, sizeof(DeviceSlot::devId) - 1);
    for (int i = 0; i < kMaxDevices; ++i) {
        DeviceSlot& d = tasks[i];
        if (d.state.load() != kSlotActive || d.tcp.load() != 0) continue;
        std::lock_guard<std::mutex> lock(d.textLock);
        if (kept == d.devId) return i;
    }
    return -1;
}

void HandleDatagram(int socket, char* data, size_t length, const sockaddr_in& from) {
    // The last byte is the line's terminator (a line feed for an empty datagram).
    char terminator = '\n';
    if (length > 0) {
        terminator = data[length - 1];
        data[length - 1] = '\0';
    } else {
        data[0] = '\0';
    }
    std::string address = AddressText(from);
    int port = AddressPort(from);
    LogWrite("UDP: %s:%d <- %s\n", address.c_str(), port, data);

    std::string identifier;
    std::string frames;
    if (!DecodeUdpDatagram(data, identifier, frames)) {
        LogWrite("UDP: unknown packet %s:%d %s\n", address.c_str(), port, data);
        return;
    }
    LogWrite("UDP: %s\n", identifier.c_str());
    int64_t now = WallClockNow();
    uint32_t size = static_cast<uint32_t>(length);

    int slot = FindUdpSlot(identifier);
    if (slot >= 0) {
        DeviceSlot& d = tasks[slot];
        {
            std::lock_guard<std::mutex> lock(d.textLock);
            d.peer = from;
        }
        d.lastReceive = now;
        d.bytesReceived += size;
        total_received += size;
        d.terminator = static_cast<uint8_t>(terminator);
    } else {
        slot = AllocateUdpSlot(socket, from, identifier, size, terminator, now);
        if (slot < 0) {
            LogWrite("UDP: serwer overflow, reject: %s:%d %s\n", address.c_str(), port,
                     identifier.c_str());
            return;
        }
        total_received += size;
        LogWrite("UDP: Connected %s:%d %s -> D%d\n", address.c_str(), port, identifier.c_str(),
                 slot);
        HandOver(slot);
    }

    CopyText(tasks[slot].line, frames);
    int db = SqlAcquire();
    if (db < 0) return;
    int rc = ProcessDeviceLine(slot, SqlConnection(db));
    SqlRelease(db, rc < 0);
}

}  // namespace

void UdpSilenceSweep(int64_t now) {
    for (int i = 0; i < kMaxDevices; ++i) {
        DeviceSlot& d = tasks[i];
        if (d.state.load() != kSlotActive || d.tcp.load() != 0 || d.newProtocol.load() == 0)
            continue;
        unsigned long received = d.bytesReceived.load();
        unsigned long sent = d.bytesSent.load();
        if (d.terminate.load()) {
            LogWrite("D%d: Disconnected (terminate) %lu %lu\n", i, received, sent);
            StatusEvent(i, kEventConnectionEnd, static_cast<long>(received),
                        static_cast<long>(sent));
            d.state = kSlotFree;
        } else if (now - d.lastReceive.load() > static_cast<int64_t>(gConfig.rcvTimeout)) {
            LogWrite("D%d: Disconnected (timeout) %lu %lu\n", i, received, sent);
            StatusEvent(i, kEventConnectionEnd, static_cast<long>(received),
                        static_cast<long>(sent));
            d.state = kSlotHeld;
        }
        if (d.state.load() != kSlotActive) NotifyOwnerReleased();
    }
}

void UdpDeviceServer() {
    UniqueFd server = OpenServerSocketOrExit(false, gConfig.devicePort, 3);
    char data[kDatagramMax + 1];
    for (;;) {
        if (SockWaitReadable(server.get(), 1000) > 0) {
            sockaddr_in from{};
            ssize_t n = SockRecvFrom(server.get(), data, kDatagramMax, from);
            // A failed receive (an ICMP error reported on the socket) is skipped.
            if (n >= 0) HandleDatagram(server.get(), data, static_cast<size_t>(n), from);
        }
        UdpSilenceSweep(WallClockNow());
    }
}
