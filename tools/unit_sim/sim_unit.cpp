#include "tools/unit_sim/sim_unit.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace unit_sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxPendingOutput = 1 << 20;  // a server that stops reading
constexpr size_t kMaxLine = 16384;             // server lines are far shorter
constexpr int kReadsPerEvent = 16;             // fairness inside a shared loop

size_t DefaultBinaryBlockSize(uint8_t id) {
    switch (id) {
        case 80:
            return 212;  // general configuration
        case 82:
            return 68;  // calibration
        case 84:
            return 98;  // FMS selection
        case 86:
            return 216;  // CAN configuration
        case 88:
            return 363;  // statuses
        case 90:
            return 92;  // CAN events
        case 92:
            return 481;  // 1-Wire keys
        case 94:
            return 244;  // networks
        case 96:
            return 212;  // second CAN block
        default:
            return 0;
    }
}

// Counts one request of a kind; true when this one is to be refused.
bool RefuseThis(uint64_t& seen, int every) {
    ++seen;
    return every > 0 && seen % static_cast<uint64_t>(every) == 0;
}

bool WouldBlock(int err) {
    return err == EAGAIN || err == EWOULDBLOCK;
}

}  // namespace

std::string DefaultReadAnswer(uint8_t id, const Identity& identity) {
    if (IsTextBlockId(id)) return TextBlockAnswer(id, identity.serial);
    if (IsBinaryBlockId(id)) {
        std::string block(DefaultBinaryBlockSize(id), '\0');
        if (id == 80) block.replace(1, 16, (identity.serial + std::string(16, '\0')).substr(0, 16));
        return BinaryBlockAnswer(id, block);
    }
    switch (id) {
        case kFirmwareStatus:
            return FirmwareStatusAnswer(0, identity.version, 0u);
        case kTerminalFirmwareStatus:
            return TerminalFirmwareStatusAnswer(0, identity.version);
        case kPicoFirmwareVersion:
            return PicoFirmwareVersionAnswer(identity.version);
        case kAdapterFirmwareVersion:
            return AdapterFirmwareVersionAnswer(std::to_string(identity.version));
        default:
            return Frame(id, {});
    }
}

SimUnit::SimUnit(UnitConfig config) : m_config(std::move(config)) {}

bool SimUnit::Connect(std::chrono::milliseconds timeout) {
    Close();
    bool tcp = m_config.transport == Transport::kTcp;
    addrinfo hints{};
    hints.ai_family = AF_INET;  // the server listens on IPv4
    hints.ai_socktype = tcp ? SOCK_STREAM : SOCK_DGRAM;
    addrinfo* found = nullptr;
    std::string port = std::to_string(m_config.port);
    if (getaddrinfo(m_config.host.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
        return false;
    }
    UniqueFd sock(::socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                           found->ai_protocol));
    int rc = sock.valid() ? ::connect(sock.get(), found->ai_addr, found->ai_addrlen) : -1;
    int err = rc == 0 ? 0 : errno;
    freeaddrinfo(found);
    if (!sock.valid()) return false;
    if (rc != 0 && err == EINPROGRESS) {
        pollfd p{sock.get(), POLLOUT, 0};
        auto deadline = Clock::now() + timeout;
        for (;;) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            rc = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(0, left.count())));
            if (rc < 0 && errno == EINTR) continue;
            break;
        }
        if (rc <= 0) return false;
        socklen_t len = sizeof err;
        if (::getsockopt(sock.get(), SOL_SOCKET, SO_ERROR, &err, &len) != 0) return false;
    }
    if (err != 0) return false;
    if (tcp) {
        int one = 1;
        ::setsockopt(sock.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    {
        std::lock_guard<std::mutex> lock(m_send_mutex);
        m_fd = std::move(sock);
        m_output.clear();
        m_output_offset = 0;
        m_output_bytes = 0;
        m_closed = false;
    }
    m_partial.clear();
    m_lines.clear();
    return true;
}

void SimUnit::Close() {
    std::lock_guard<std::mutex> lock(m_send_mutex);
    m_closed = true;
    m_fd.Reset();
    m_output.clear();
    m_output_offset = 0;
    m_output_bytes = 0;
}

void SimUnit::MarkClosed() {
    m_closed = true;
}

std::string SimUnit::IdentificationFrame() const {
    return m_config.pico ? PicoIdentification(m_config.identity)
                         : Identification(m_config.identity);
}

bool SimUnit::SendLine(const std::vector<std::string>& frames) {
    if (m_config.transport == Transport::kTcp) {
        return Enqueue(UnitLine(frames, m_config.terminator), true);
    }
    return Enqueue(UdpDatagram(m_config.identity.serial, frames, m_config.terminator), true);
}

bool SimUnit::SendRaw(std::string_view bytes) {
    return Enqueue(std::string(bytes), true);
}

bool SimUnit::Enqueue(std::string data, bool count_as_line) {
    size_t size = data.size();
    bool ok;
    {
        std::lock_guard<std::mutex> lock(m_send_mutex);
        if (m_closed || !m_fd.valid() || m_output_bytes + size > kMaxPendingOutput) return false;
        m_output.push_back(std::move(data));
        m_output_bytes += size;
        ok = FlushLocked();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (ok) m_stats.bytes_sent += size;
    if (ok && count_as_line) ++m_stats.lines_sent;
    return ok;
}

// Writes queued output until the socket would block. m_send_mutex is held.
bool SimUnit::FlushLocked() {
    bool tcp = m_config.transport == Transport::kTcp;
    while (!m_output.empty()) {
        const std::string& front = m_output.front();
        size_t offset = tcp ? m_output_offset : 0;
        ssize_t n = ::send(m_fd.get(), front.data() + offset, front.size() - offset, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (WouldBlock(errno)) return true;
            m_closed = true;
            m_output.clear();
            m_output_bytes = 0;
            m_output_offset = 0;
            return false;
        }
        size_t sent = static_cast<size_t>(n);
        if (tcp && offset + sent < front.size()) {
            m_output_offset = offset + sent;
            continue;
        }
        m_output_bytes -= front.size();
        m_output_offset = 0;
        m_output.pop_front();
    }
    return true;
}

short SimUnit::PollEvents() const {
    std::lock_guard<std::mutex> lock(m_send_mutex);
    return static_cast<short>(POLLIN | (m_output.empty() ? 0 : POLLOUT));
}

void SimUnit::HandleEvents(short revents) {
    if (revents & POLLOUT) {
        std::lock_guard<std::mutex> lock(m_send_mutex);
        if (m_fd.valid() && !m_closed) FlushLocked();
    }
    // After a hang-up the reads go on to the end of the stream, so the close
    // is seen in this call and not one round later.
    if (revents & (POLLIN | POLLHUP | POLLERR)) ReadAvailable((revents & (POLLHUP | POLLERR)) != 0);
}

void SimUnit::ReadAvailable(bool to_end) {
    if (!m_fd.valid()) return;
    bool tcp = m_config.transport == Transport::kTcp;
    char buffer[4096];
    for (int round = 0; round < kReadsPerEvent; ++round) {
        ssize_t n = ::recv(m_fd.get(), buffer, sizeof buffer, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (!WouldBlock(errno)) MarkClosed();
            return;
        }
        if (tcp) {
            if (n == 0) {
                MarkClosed();
                return;
            }
            m_partial.append(buffer, static_cast<size_t>(n));
            ExtractLines();
            // A short read drained the socket; anything that arrives later
            // is reported again, so the read that would only say EAGAIN is
            // saved.
            if (!to_end && static_cast<size_t>(n) < sizeof buffer) return;
        } else {
            // One datagram is one line; an empty one counts as a bare line feed.
            ProcessLine(n == 0 ? std::string("\n") : std::string(buffer, static_cast<size_t>(n)));
        }
    }
}

void SimUnit::ExtractLines() {
    size_t start = 0;
    for (;;) {
        size_t end = m_partial.find_first_of("\n.;", start);
        if (end == std::string::npos) break;
        ProcessLine(m_partial.substr(start, end + 1 - start));
        start = end + 1;
    }
    m_partial.erase(0, start);
    if (m_partial.size() > kMaxLine) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stats.dropped_bytes += m_partial.size();
        m_partial.clear();
    }
}

void SimUnit::ProcessLine(const std::string& line) {
    std::vector<ServerFrame> frames = ParseServerLine(line);
    std::vector<std::string> answers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_stats.lines_received;
        auto now = Clock::now();
        for (const ServerFrame& f : frames) {
            ++m_stats.frames_received;
            if (f.id == kServerAck) {
                ++m_stats.acks;
                if (AckServerTime(f)) ++m_stats.acks_with_time;
            } else if (f.id == kServerNack) {
                ++m_stats.nacks;
            }
            std::string answer;
            if (FirmwareReceiver::Handles(f.id)) {
                answer = FirmwareAnswerLocked(f);
            } else if (m_answer) {
                switch (ClassifyServerFrame(f.id)) {
                    case RequestKind::kMessage:
                        answer = RefuseThis(m_seen_messages, m_refuse_messages) ? NackFrame()
                                                                                : AckFrame();
                        break;
                    case RequestKind::kDownload:
                        answer = RefuseThis(m_seen_downloads, m_refuse_downloads) ? NackFrame()
                                                                                  : AckFrame();
                        break;
                    case RequestKind::kWrite:
                        answer =
                            RefuseThis(m_seen_writes, m_refuse_writes) ? NackFrame() : AckFrame();
                        break;
                    case RequestKind::kTunnel:
                        answer = AckFrame();
                        break;
                    case RequestKind::kRead:
                        answer = ReadAnswerLocked(f.id);
                        break;
                    case RequestKind::kNone:
                        break;
                }
            }
            int answer_id = answer.empty() ? -1 : static_cast<uint8_t>(answer[0]);
            if (answer_id == kAck) {
                ++m_stats.answered;
            } else if (answer_id == kNack) {
                ++m_stats.refused;
            } else if (answer_id >= 0) {
                ++m_stats.blocks;
            }
            if (!answer.empty()) answers.push_back(std::move(answer));
            m_received.push_back(ReceivedFrame{f, now, answer_id});
            while (m_received.size() > m_log_limit) m_received.pop_front();
        }
    }
    std::chrono::milliseconds delay;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        delay = m_answer_delay;
        if (delay.count() > 0) {
            for (std::string& a : answers)
                m_delayed.emplace_back(Clock::now() + delay, std::move(a));
        }
    }
    if (delay.count() == 0) {
        for (const std::string& a : answers) SendAnswer(a);
    }
    if (m_keep_lines) m_lines.push_back(line);
    if (m_observer) {
        for (const ServerFrame& f : frames) m_observer(f);
    }
}

void SimUnit::SendAnswer(const std::string& answer) {
    if (m_config.transport == Transport::kTcp) {
        Enqueue(UnitLine({answer}, m_config.terminator), false);
    } else {
        Enqueue(UdpDatagram(m_config.identity.serial, {answer}, m_config.terminator), false);
    }
}

void SimUnit::SendDueAnswers() {
    std::vector<std::string> due;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        while (!m_delayed.empty() && m_delayed.front().first <= Clock::now()) {
            due.push_back(std::move(m_delayed.front().second));
            m_delayed.pop_front();
        }
    }
    for (const std::string& a : due) SendAnswer(a);
}

// The answer to a firmware frame, by what the upload so far makes of it;
// the image goes to the configured file when an upload ends. m_mutex is held.
std::string SimUnit::FirmwareAnswerLocked(const ServerFrame& f) {
    FirmwareReceiver::Reply reply = m_firmware.Take(f);
    bool ended =
        (f.id == 36 || f.id == 58)
            ? reply != FirmwareReceiver::Reply::kNone
            : f.id == 134 && reply != FirmwareReceiver::Reply::kNone &&
                  (m_firmware.adapter().activated || reply == FirmwareReceiver::Reply::kNack);
    if (ended && !m_config.firmware_out.empty()) {
        const std::string& image =
            f.id == 134 ? m_firmware.adapter().image : m_firmware.blocks().image;
        std::ofstream(m_config.firmware_out, std::ios::binary | std::ios::trunc) << image;
    }
    if (!m_answer || reply == FirmwareReceiver::Reply::kNone) return {};
    if (reply == FirmwareReceiver::Reply::kNack) return NackFrame();
    // Records acknowledged one by one follow the refusal policy for writes.
    bool single = f.id == 134 || f.id == 63;
    if (single && RefuseThis(m_seen_writes, m_refuse_writes)) return NackFrame();
    return AckFrame();
}

void SimUnit::SetAnswerDelay(std::chrono::milliseconds delay) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answer_delay = delay;
}

BlockUpload SimUnit::FirmwareBlocks() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_firmware.blocks();
}

AdapterUpload SimUnit::AdapterFirmware() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_firmware.adapter();
}

std::vector<RawRecordReceived> SimUnit::RawFirmwareRecords() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_firmware.raw();
}

std::optional<std::string> SimUnit::TakeLine() {
    if (m_lines.empty()) return std::nullopt;
    std::string line = std::move(m_lines.front());
    m_lines.pop_front();
    return line;
}

std::optional<std::string> SimUnit::ReceiveLine(std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
        SendDueAnswers();
        if (auto line = TakeLine()) return line;
        if (Closed() || !m_fd.valid()) return std::nullopt;
        auto until = deadline;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_delayed.empty()) until = std::min(until, m_delayed.front().first);
        }
        auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
        pollfd p{m_fd.get(), PollEvents(), 0};
        int rc = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(0, left.count())));
        if (rc < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (rc > 0) {
            HandleEvents(p.revents);
        } else if (Clock::now() >= deadline) {
            return TakeLine();
        }
    }
}

void SimUnit::AnswerRequests(bool on) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answer = on;
}

void SimUnit::SetRefuseEvery(RequestKind kind, int n) {
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (kind) {
        case RequestKind::kMessage:
            m_refuse_messages = n;
            break;
        case RequestKind::kDownload:
            m_refuse_downloads = n;
            break;
        case RequestKind::kWrite:
            m_refuse_writes = n;
            break;
        default:
            break;
    }
}

void SimUnit::SetBlock(uint8_t id, std::string content) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_blocks[id] = std::move(content);
}

std::string SimUnit::ReadAnswer(uint8_t id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ReadAnswerLocked(id);
}

// m_mutex is held.
std::string SimUnit::ReadAnswerLocked(uint8_t id) const {
    auto it = m_blocks.find(id);
    if (it == m_blocks.end()) return DefaultReadAnswer(id, m_config.identity);
    if (IsTextBlockId(id)) return TextBlockAnswer(id, it->second);
    if (IsBinaryBlockId(id)) return BinaryBlockAnswer(id, it->second);
    return Frame(id, it->second);
}

void SimUnit::SetFrameObserver(std::function<void(const ServerFrame&)> observer) {
    m_observer = std::move(observer);
}

std::vector<ReceivedFrame> SimUnit::Received() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return {m_received.begin(), m_received.end()};
}

void SimUnit::SetLogLimit(size_t max_entries) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log_limit = max_entries;
    while (m_received.size() > m_log_limit) m_received.pop_front();
}

UnitStats SimUnit::Stats() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stats;
}

}  // namespace unit_sim
