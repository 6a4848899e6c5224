#include "server/core/unit_connection.h"

#include <netinet/in.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <string>

#include "common/text_format.h"
#include "server/core/clock.h"
#include "server/core/counters.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/socket_ops.h"
#include "server/core/unit_poller.h"
#include "server/core/unit_workers.h"
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

constexpr size_t kTunnelBufferSize = 256;
constexpr int64_t kSecondNs = 1'000'000'000;

class Connection {
  public:
    void Start(int slot);
    void Finish();
    bool SocketReadable();
    bool TunnelReadable();
    bool Second();

    // Written by the worker running the connection; read by the sweep.
    std::atomic<bool> running{false};
    std::atomic<int64_t> idleDeadlineNs{0};  // when a second without a byte is over

  private:
    bool UnitByte(uint8_t byte);
    void ReadTunnel();
    bool IdleSecond();
    void FlushCounters();
    bool TunnelIgnored() const { return m_flushPending || m_closePending; }

    int m_slot = 0;
    DeviceSlot* m_device = nullptr;
    std::string m_address;
    int m_port = 0;
    int m_countdown = 0;
    uint8_t m_tunnel[kTunnelBufferSize] = {};
    size_t m_tunnelCount = 0;
    bool m_flushPending = false;
    bool m_closePending = false;
    // The tunnel may hold bytes that were left unread while a flush or a
    // close was pending.
    bool m_tunnelUnread = false;
    uint8_t m_buffer[1024] = {};
    uint32_t m_uncounted = 0;  // received bytes not yet added to the counters
};

Connection gConnections[kMaxDevices];

void Connection::Start(int slot) {
    m_slot = slot;
    m_device = &tasks[slot];
    sockaddr_in peer;
    {
        std::lock_guard<std::mutex> lock(m_device->textLock);
        peer = m_device->peer;
    }
    m_address = AddressText(peer);
    m_port = AddressPort(peer);
    m_countdown = gConfig.rcvTimeout2;
    m_tunnelCount = 0;
    m_flushPending = m_closePending = m_tunnelUnread = false;
    m_uncounted = 0;
    LogWrite("TCP: Connected %s:%d -> D%d\n", m_address.c_str(), m_port, m_slot);
    idleDeadlineNs = SteadyNowNs() + kSecondNs;
    running = true;
    // Bytes that came before the socket was watched are reported at once.
    if (!WatchUnitSocket(m_slot, m_device->socket.load())) Finish();
}

void Connection::FlushCounters() {
    if (m_uncounted == 0) return;
    m_device->bytesReceived += m_uncounted;
    total_received += m_uncounted;
    m_uncounted = 0;
}

// Everything the unit sent so far, up to a short read. False when the
// connection must end (closed by the unit, a read error, or a line).
bool Connection::SocketReadable() {
    int fd = m_device->socket.load();
    for (;;) {
        ssize_t n = SockRecvNow(fd, m_buffer, sizeof m_buffer);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) return false;
        m_device->lastReceive = WallClockNow();
        for (ssize_t i = 0; i < n; ++i) {
            if (!UnitByte(m_buffer[i])) return false;
        }
        if (static_cast<size_t>(n) < sizeof m_buffer) break;
    }
    // The silence allowance starts again: RCV_TIMEOUT once the unit has
    // identified itself (perhaps by a line just read), RCV_TIMEOUT2 before.
    m_countdown = m_device->loggedIn.load() ? gConfig.rcvTimeout : gConfig.rcvTimeout2;
    idleDeadlineNs = SteadyNowNs() + kSecondNs;
    return true;
}

// One byte from the unit. False when the connection must end.
bool Connection::UnitByte(uint8_t byte) {
    DeviceSlot& d = *m_device;
    ++m_uncounted;
    if (!FeedLineByte(d.line, d.lineLength, byte)) return true;

    d.terminator = byte;
    FlushCounters();
    // The line and its frame log go out as one write; a line that needs
    // no statement (empty, or discarded) needs no database connection.
    LineFrames frames;
    LineParse parse = ParseUnitLine(m_slot, frames);
    std::string entry = LogPrefix(gLogClock.load(std::memory_order_relaxed));
    entry += 'D';
    AppendDecimal(entry, static_cast<long long>(m_slot));
    entry += ": <- ";
    entry += d.line;
    entry += '\n';
    if (!frames.frameLog.empty()) entry += frames.frameLog + "\n";
    if (parse == LineParse::kEmpty || parse == LineParse::kDiscarded) {
        LogAppendText(entry);
        return true;
    }
    // A line of location frames only wakes nobody else: its entry, and the
    // decode entries of its rows, may wait for the entry that ends the line
    // (its acknowledgement, or an error) and go out with it in one write.
    if (frames.location && !frames.otherFrames) {
        LogHold(entry);
    } else {
        LogAppendText(entry);
    }
    {
        DatabaseScope holding;
        SqlLease db;
        if (!db) {
            LogReleaseHeld();
            return false;
        }
        if (ProcessParsedLine(m_slot, frames, parse, db) < 0) db.ReleaseClosing();
    }
    LogReleaseHeld();
    // A tunnel the line opened is read from now on.
    if (frames.tunnelConnect && d.tunnelOpen.load()) {
        m_tunnelUnread = false;
        int tunnel = d.tunnelSocket.load();
        if (tunnel != d.socket.load()) WatchTunnelSocket(m_slot, tunnel);
    }
    return true;
}

bool Connection::TunnelReadable() {
    if (m_device->terminate.load()) return false;
    if (!m_device->tunnelOpen.load()) return true;
    if (TunnelIgnored()) {
        m_tunnelUnread = true;
        return true;
    }
    ReadTunnel();
    idleDeadlineNs = SteadyNowNs() + kSecondNs;
    return true;
}

// The tunnel's bytes into the buffer, until it is full (then it is sent to
// the unit before more is read) or the tunnel has no more for now.
void Connection::ReadTunnel() {
    m_tunnelUnread = false;
    DeviceSlot& d = *m_device;
    int fd = d.tunnelSocket.load();
    if (fd < 0 || fd == d.socket.load()) return;
    for (;;) {
        size_t room = kTunnelBufferSize - m_tunnelCount;
        ssize_t n = SockRecvNow(fd, m_tunnel + m_tunnelCount, room);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n <= 0) {
            SockClose(d.tunnelSocket.exchange(-1));
            d.tunnelOpen = 0;
            m_closePending = true;
            return;
        }
        m_tunnelCount += static_cast<size_t>(n);
        if (m_tunnelCount == kTunnelBufferSize) {
            m_flushPending = true;
            m_tunnelUnread = true;
            return;
        }
        if (static_cast<size_t>(n) < room) return;
    }
}

bool Connection::Second() {
    if (m_device->terminate.load()) return false;
    int64_t now = SteadyNowNs();
    if (now < idleDeadlineNs.load()) return true;  // a byte came since
    idleDeadlineNs = now + kSecondNs;
    if (!IdleSecond()) return false;
    if (m_tunnelUnread && !TunnelIgnored() && m_device->tunnelOpen.load()) ReadTunnel();
    return true;
}

// A second without a byte. False when the silence allowance ran out.
bool Connection::IdleSecond() {
    DeviceSlot& d = *m_device;
    if (--m_countdown == 0) return false;
    if (m_tunnelCount > 0) m_flushPending = true;

    int32_t owner = d.owner.load();
    if (owner == kOwnerTunnelClose || owner == kOwnerTunnelData) {
        uint8_t left = d.tunnelCountdown.load();
        left = left > 0 ? static_cast<uint8_t>(left - 1) : 0;
        d.tunnelCountdown = left;
        if (left == 0) {
            LogWrite(owner == kOwnerTunnelClose ? "D%d: SockClose TIMEOUT\n"
                                                : "D%d: SockReceive TIMEOUT\n",
                     m_slot);
            d.owner.compare_exchange_strong(owner, kOwnerNone);
        }
    }
    int32_t none = kOwnerNone;
    if (m_flushPending && d.owner.compare_exchange_strong(none, kOwnerTunnelData)) {
        std::string hex;
        AppendHexBytes(hex, m_tunnel, m_tunnelCount);
        LogWrite("D%d: SocketReceive %s\n", m_slot, hex.c_str());
        d.tunnelCountdown = static_cast<uint8_t>(gConfig.sndTimeout & 0xFF);
        m_flushPending = false;
        std::string frame{115, 0, static_cast<char>(m_tunnelCount & 0xFF),
                          static_cast<char>(m_tunnelCount >> 8)};
        frame.append(reinterpret_cast<const char*>(m_tunnel), m_tunnelCount);
        m_tunnelCount = 0;
        SendDeviceFrame(m_slot, frame);
    } else if (m_closePending && d.owner.compare_exchange_strong(none, kOwnerTunnelClose)) {
        LogWrite("D%d: SockClose\n", m_slot);
        d.tunnelCountdown = static_cast<uint8_t>(gConfig.sndTimeout & 0xFF);
        m_closePending = false;
        SendDeviceFrame(m_slot, std::string{114, 0});
    }
    return true;
}

void Connection::Finish() {
    running = false;
    DeviceSlot& d = *m_device;
    FlushCounters();
    if (d.tunnelOpen.load()) {
        SockClose(d.tunnelSocket.exchange(-1));
        d.tunnelOpen = 0;
    }
    CloseDeviceSocket(m_slot);
    bool terminated = d.terminate.load() != 0;
    unsigned long received = d.bytesReceived.load();
    unsigned long sent = d.bytesSent.load();
    LogWrite(terminated ? "D%d: Disconnected (terminate) %s:%d %lu %lu\n"
                        : "D%d: Disconnected %s:%d %lu %lu\n",
             m_slot, m_address.c_str(), m_port, received, sent);
    // The slot is held (or free) before the status event waits for a
    // database connection: when a whole fleet drops at once, the returning
    // units must find held slots to take over, not slots still ending.
    std::string serial = DeviceSerial(m_slot);
    d.state = (!terminated && d.loggedIn.load()) ? kSlotHeld : kSlotFree;
    NotifyOwnerReleased();
    StatusEventOf(m_slot, serial, kEventConnectionEnd, static_cast<long>(received),
                  static_cast<long>(sent));
}

}  // namespace

void HandleUnitConnectionEvents(int slot, uint32_t bits) {
    Connection& c = gConnections[slot];
    if ((bits & kUnitEventStart) != 0) c.Start(slot);
    if (!c.running.load()) return;
    bool ok = true;
    if ((bits & kUnitEventSocket) != 0) ok = c.SocketReadable();
    if (ok && (bits & kUnitEventTunnel) != 0) ok = c.TunnelReadable();
    if (ok && (bits & kUnitEventSecond) != 0) ok = c.Second();
    if (!ok) c.Finish();
}

void SweepUnitConnections(int64_t nowNs) {
    for (int slot = 0; slot < kMaxDevices; ++slot) {
        Connection& c = gConnections[slot];
        if (!c.running.load(std::memory_order_relaxed)) continue;
        if (nowNs >= c.idleDeadlineNs.load(std::memory_order_relaxed) ||
            tasks[slot].terminate.load(std::memory_order_relaxed) != 0) {
            PostUnitEvents(slot, kUnitEventSecond);
        }
    }
}
