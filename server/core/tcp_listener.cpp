#include "server/core/tcp_listener.h"

#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>

#include "common/text_format.h"
#include "server/core/clock.h"
#include "server/core/counters.h"
#include "server/core/descriptor_limit.h"
#include "server/core/fatal.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/server_socket.h"
#include "server/core/socket_ops.h"
#include "server/device/device_session.h"
#include "server/device/device_slot.h"
#include "server/device/frame_send.h"
#include "server/device/line_assembly.h"
#include "server/device/owner_wait.h"
#include "server/device/slot_table.h"
#include "server/store/sql_pool.h"
#include "server/store/statdata_sql.h"
#include "server/store/status_event.h"

namespace {

constexpr size_t kThreadStack = 1 << 20;
constexpr size_t kTunnelBufferSize = 256;

// The state of one connection thread beside its slot.
class Connection {
  public:
    explicit Connection(int slot) : m_slot(slot), m_device(tasks[slot]) {}
    void Run();

  private:
    enum class Source { kUnit, kTunnel, kIdle };

    Source Receive(bool ignoreTunnel, int& result, uint8_t& byte);
    bool UnitByte(uint8_t byte);
    void TunnelByte(uint8_t byte);
    bool IdleSecond();
    void FlushCounters();

    int m_slot;
    DeviceSlot& m_device;
    int m_countdown = 0;
    uint8_t m_tunnel[kTunnelBufferSize] = {};
    size_t m_tunnelCount = 0;
    bool m_flushPending = false;
    bool m_closePending = false;
    // Bytes are read from the unit in chunks and handed out one by one.
    uint8_t m_buffer[1024] = {};
    size_t m_bufferLength = 0;
    size_t m_bufferPos = 0;
    uint32_t m_uncounted = 0;  // received bytes not yet added to the counters
};

// Waits at most a second for the unit (and the tunnel, unless ignored).
Connection::Source Connection::Receive(bool ignoreTunnel, int& result, uint8_t& byte) {
    if (m_bufferPos < m_bufferLength) {
        byte = m_buffer[m_bufferPos++];
        result = 1;
        return Source::kUnit;
    }
    int unitFd = m_device.socket.load();
    int tunnelFd = -1;
    if (m_device.tunnelOpen.load() && !ignoreTunnel) {
        tunnelFd = m_device.tunnelSocket.load();
        if (tunnelFd == unitFd) tunnelFd = -1;
    }
    bool unitReady = false;
    bool tunnelReady = false;
    int ready = SockWaitReadable2(unitFd, tunnelFd, 1000, unitReady, tunnelReady);
    result = 0;
    if (ready < 0) return Source::kUnit;
    if (unitReady) {
        ssize_t n = SockRecv(unitFd, m_buffer, sizeof m_buffer);
        if (n <= 0) return Source::kUnit;
        m_bufferLength = static_cast<size_t>(n);
        m_bufferPos = 1;
        byte = m_buffer[0];
        result = 1;
        return Source::kUnit;
    }
    if (m_device.terminate.load()) return Source::kUnit;
    if (tunnelReady) {
        ssize_t n = SockRecv(tunnelFd, &byte, 1);
        result = n > 0 ? 1 : 0;
        return Source::kTunnel;
    }
    return Source::kIdle;
}

void Connection::FlushCounters() {
    if (m_uncounted == 0) return;
    m_device.bytesReceived += m_uncounted;
    total_received += m_uncounted;
    m_uncounted = 0;
}

// One byte from the unit. False when the connection must end.
bool Connection::UnitByte(uint8_t byte) {
    m_countdown = m_device.loggedIn.load() ? gConfig.rcvTimeout : gConfig.rcvTimeout2;
    ++m_uncounted;
    m_device.lastReceive = WallClockNow();
    if (!FeedLineByte(m_device.line, m_device.lineLength, byte)) return true;

    m_device.terminator = byte;
    FlushCounters();
    // The line and its frame log go out as one write; a line that needs
    // no statement (empty, or discarded) needs no database connection.
    LineFrames frames;
    LineParse parse = ParseUnitLine(m_slot, frames);
    std::string entry = LogPrefix(gLogClock.load(std::memory_order_relaxed)) +
                        StringPrintf("D%d: <- %s\n", m_slot, m_device.line);
    if (!frames.frameLog.empty()) entry += frames.frameLog + "\n";
    LogAppendText(entry);
    if (parse == LineParse::kEmpty || parse == LineParse::kDiscarded) return true;
    SqlLease db;
    if (!db) return false;
    if (ProcessParsedLine(m_slot, frames, parse, db) < 0) db.ReleaseClosing();
    // The line may have identified the unit: its silence allowance is then
    // RCV_TIMEOUT from now on, not the anonymous RCV_TIMEOUT2 its last byte
    // was given.
    if (m_device.loggedIn.load()) m_countdown = gConfig.rcvTimeout;
    return true;
}

void Connection::TunnelByte(uint8_t byte) {
    m_tunnel[m_tunnelCount++] = byte;
    if (m_tunnelCount == kTunnelBufferSize) m_flushPending = true;
}

// A second without a byte. False when the silence allowance ran out.
bool Connection::IdleSecond() {
    if (--m_countdown == 0) return false;
    if (m_tunnelCount > 0) m_flushPending = true;

    int32_t owner = m_device.owner.load();
    if (owner == kOwnerTunnelClose || owner == kOwnerTunnelData) {
        uint8_t left = m_device.tunnelCountdown.load();
        left = left > 0 ? static_cast<uint8_t>(left - 1) : 0;
        m_device.tunnelCountdown = left;
        if (left == 0) {
            LogWrite(owner == kOwnerTunnelClose ? "D%d: SockClose TIMEOUT\n"
                                                : "D%d: SockReceive TIMEOUT\n",
                     m_slot);
            m_device.owner.compare_exchange_strong(owner, kOwnerNone);
        }
    }
    int32_t none = kOwnerNone;
    if (m_flushPending && m_device.owner.compare_exchange_strong(none, kOwnerTunnelData)) {
        std::string hex;
        for (size_t i = 0; i < m_tunnelCount; ++i) StringAppendF(hex, "%02X", m_tunnel[i]);
        LogWrite("D%d: SocketReceive %s\n", m_slot, hex.c_str());
        m_device.tunnelCountdown = static_cast<uint8_t>(gConfig.sndTimeout & 0xFF);
        m_flushPending = false;
        std::string frame{115, 0, static_cast<char>(m_tunnelCount & 0xFF),
                          static_cast<char>(m_tunnelCount >> 8)};
        frame.append(reinterpret_cast<const char*>(m_tunnel), m_tunnelCount);
        m_tunnelCount = 0;
        SendDeviceFrame(m_slot, frame);
    } else if (m_closePending && m_device.owner.compare_exchange_strong(none, kOwnerTunnelClose)) {
        LogWrite("D%d: SockClose\n", m_slot);
        m_device.tunnelCountdown = static_cast<uint8_t>(gConfig.sndTimeout & 0xFF);
        m_closePending = false;
        SendDeviceFrame(m_slot, std::string{114, 0});
    }
    return true;
}

void Connection::Run() {
    sockaddr_in peer;
    {
        std::lock_guard<std::mutex> lock(m_device.textLock);
        peer = m_device.peer;
    }
    std::string address = AddressText(peer);
    int port = AddressPort(peer);
    LogWrite("TCP: Connected %s:%d -> D%d\n", address.c_str(), port, m_slot);
    m_countdown = gConfig.rcvTimeout2;

    for (;;) {
        int result = 0;
        uint8_t byte = 0;
        Source source = Receive(m_flushPending || m_closePending, result, byte);
        if (source == Source::kUnit) {
            if (result <= 0 || !UnitByte(byte)) break;
        } else if (source == Source::kTunnel) {
            if (result <= 0) {
                SockClose(m_device.tunnelSocket.exchange(-1));
                m_device.tunnelOpen = 0;
                m_closePending = true;
            } else {
                TunnelByte(byte);
            }
        } else if (!IdleSecond()) {
            break;
        }
    }
    FlushCounters();

    if (m_device.tunnelOpen.load()) {
        SockClose(m_device.tunnelSocket.exchange(-1));
        m_device.tunnelOpen = 0;
    }
    CloseDeviceSocket(m_slot);
    bool terminated = m_device.terminate.load() != 0;
    unsigned long received = m_device.bytesReceived.load();
    unsigned long sent = m_device.bytesSent.load();
    LogWrite(terminated ? "D%d: Disconnected (terminate) %s:%d %lu %lu\n"
                        : "D%d: Disconnected %s:%d %lu %lu\n",
             m_slot, address.c_str(), port, received, sent);
    // The slot is held (or free) before the status event waits for a
    // database connection: when a whole fleet drops at once, the returning
    // units must find held slots to take over, not slots still ending.
    std::string serial = DeviceSerial(m_slot);
    m_device.state = (!terminated && m_device.loggedIn.load()) ? kSlotHeld : kSlotFree;
    NotifyOwnerReleased();
    StatusEventOf(m_slot, serial, kEventConnectionEnd, static_cast<long>(received),
                  static_cast<long>(sent));
}

void* ConnectionThread(void* arg) {
    Connection connection(static_cast<int>(reinterpret_cast<intptr_t>(arg)));
    connection.Run();
    return nullptr;
}

}  // namespace

void TcpDeviceListener() {
    UniqueFd listener = OpenServerSocketOrExit(true, gConfig.devicePort, 1);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kThreadStack);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    for (;;) {
        sockaddr_in peer{};
        int fd = SockAccept(listener.get(), peer);
        if (fd < 0) continue;
        // Descriptors are handed out lowest first, so the number tells how
        // many are in use: the last ones stay for what connected units need.
        unsigned long limit = DescriptorLimit();
        bool noRoom = limit > kDescriptorReserve &&
                      static_cast<unsigned long>(fd) >= limit - kDescriptorReserve;
        int slot = noRoom ? -1 : AllocateTcpSlot(fd, peer, WallClockNow());
        if (slot < 0) {
            LogWrite("TCP: Serwer overflow, reject: %s:%d\n", AddressText(peer).c_str(),
                     AddressPort(peer));
            SockClose(fd);
            continue;
        }
        pthread_t thread;
        if (pthread_create(&thread, &attr, ConnectionThread,
                           reinterpret_cast<void*>(static_cast<intptr_t>(slot))) != 0) {
            LogWrite("TCP: Thread error, reject: %s:%d\n", AddressText(peer).c_str(),
                     AddressPort(peer));
            tasks[slot].socket = -1;
            SockClose(fd);
            tasks[slot].state = kSlotFree;
            continue;
        }
        tasks[slot].thread = thread;
    }
}
