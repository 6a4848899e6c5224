#pragma once
// One simulated tracking unit on a real socket: it sends lines of frames the
// way a unit does and reacts to what the server sends back. With the answer
// policy on it acknowledges or refuses the server's requests (messages,
// download requests, parameter writes) and answers read requests with a
// block of the same identifier, so a console command against it completes.
//
// Threads: the receiving side (Connect, ReceiveLine, HandleEvents, TakeLine,
// Close) belongs to one thread at a time, the one that pumps the socket.
// Sending (SendLine, SendRaw), the policy setters and the read-outs
// (Received, Stats) may be called from any thread; each outgoing line goes to
// the socket whole.
//
// Everything is event-driven: the socket is non-blocking and every wait is a
// poll() with a deadline. Several units can share one poll loop through
// fd(), PollEvents() and HandleEvents() (see fleet.h).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/unique_fd.h"
#include "tools/unit_sim/firmware_receiver.h"
#include "tools/unit_sim/server_frames.h"
#include "tools/unit_sim/unit_frames.h"

namespace unit_sim {

enum class Transport { kTcp, kUdp };

struct UnitConfig {
    std::string host = "127.0.0.1";
    uint16_t port = 0;
    Transport transport = Transport::kTcp;
    char terminator = '\n';  // '\n', '.' or ';': the unit's protocol family
    bool pico = false;       // identifies with frame 64 instead of 0
    Identity identity;
    // When set, every firmware upload that ends (last block, adapter
    // activation) writes the image the unit received to this file.
    std::string firmware_out;
};

struct ReceivedFrame {
    ServerFrame frame;
    std::chrono::steady_clock::time_point when;
    int answer = -1;  // identifier of the frame sent in answer, -1 for none
};

struct UnitStats {
    uint64_t lines_sent = 0;  // lines the caller sent (answers not counted)
    uint64_t bytes_sent = 0;  // all bytes, answers included
    uint64_t lines_received = 0;
    uint64_t frames_received = 0;
    uint64_t acks = 0;            // frame 38
    uint64_t acks_with_time = 0;  // frame 38 carrying the server time
    uint64_t nacks = 0;           // frame 41
    uint64_t answered = 0;        // 37 sent
    uint64_t refused = 0;         // 44 sent
    uint64_t blocks = 0;          // read requests answered with a block
    uint64_t dropped_bytes = 0;   // over-long received line thrown away
};

class SimUnit {
  public:
    explicit SimUnit(UnitConfig config);
    ~SimUnit() = default;
    SimUnit(const SimUnit&) = delete;
    SimUnit& operator=(const SimUnit&) = delete;

    // Opens the socket to host:port (TCP: completes the connection within
    // `timeout`). False on failure; the unit is then closed.
    bool Connect(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void Close();
    bool Closed() const { return m_closed.load(); }

    // TCP: the frames as one line. UDP: one datagram with the identifier
    // header. False when the unit is closed or the socket failed.
    bool SendLine(const std::vector<std::string>& frames);
    // The bytes as they are (TCP: appended to the stream; UDP: one datagram).
    bool SendRaw(std::string_view bytes);
    // Frame 0 (or 64 for a PICO unit) from the configured identity.
    std::string IdentificationFrame() const;

    // Waits up to `timeout` for the next line from the server and returns it
    // with its terminator (TCP lines are reassembled across reads). Requests
    // in it have already been answered by the policy. Nullopt on time-out or
    // when the connection closed.
    std::optional<std::string> ReceiveLine(std::chrono::milliseconds timeout);

    // Answer policy. Off means "stay silent": everything is still received
    // and logged, nothing is answered.
    void AnswerRequests(bool on);
    // Refuse (44) every n-th request of the kind (kMessage, kDownload,
    // kWrite); 0 never refuses.
    void SetRefuseEvery(RequestKind kind, int n);
    // Content of the answer to read request `id`: for text blocks the text
    // (cut or NUL-padded to 256), for binary blocks the block (its size is the
    // count), for 35, 57, 69, 133 the raw payload.
    void SetBlock(uint8_t id, std::string content);
    // The answer frame for read request `id` (set block or the default).
    std::string ReadAnswer(uint8_t id) const;

    // Answers go out this long after the request came (0: at once). Kept by
    // ReceiveLine's pumping only, for tests of answers that come late.
    void SetAnswerDelay(std::chrono::milliseconds delay);

    // Firmware uploads as the unit received and checked them.
    BlockUpload FirmwareBlocks() const;
    AdapterUpload AdapterFirmware() const;
    std::vector<RawRecordReceived> RawFirmwareRecords() const;

    // Called on the pumping thread for every received frame, after it has
    // been logged and answered.
    void SetFrameObserver(std::function<void(const ServerFrame&)> observer);

    // The log of received frames, oldest first. It keeps the latest
    // `SetLogLimit` entries (100000 unless changed).
    std::vector<ReceivedFrame> Received() const;
    void SetLogLimit(size_t max_entries);
    UnitStats Stats() const;
    const UnitConfig& config() const { return m_config; }

    // Poll loop integration.
    int fd() const { return m_fd.get(); }
    short PollEvents() const;
    // Reads and writes what the events allow; complete lines are processed
    // (logged, answered) and queued for TakeLine unless KeepLines(false).
    void HandleEvents(short revents);
    std::optional<std::string> TakeLine();
    void KeepLines(bool keep) { m_keep_lines = keep; }

  private:
    bool Enqueue(std::string data, bool count_as_line);
    bool FlushLocked();
    void ReadAvailable(bool to_end);
    void ExtractLines();
    void ProcessLine(const std::string& line);
    void MarkClosed();
    std::string ReadAnswerLocked(uint8_t id) const;
    std::string FirmwareAnswerLocked(const ServerFrame& f);
    void SendAnswer(const std::string& answer);
    void SendDueAnswers();

    const UnitConfig m_config;
    UniqueFd m_fd;
    std::atomic<bool> m_closed{true};

    // Receiving side: the pumping thread only.
    std::string m_partial;
    std::deque<std::string> m_lines;
    bool m_keep_lines = true;
    std::function<void(const ServerFrame&)> m_observer;

    // Sending side.
    mutable std::mutex m_send_mutex;
    std::deque<std::string> m_output;  // TCP: stream chunks; UDP: datagrams
    size_t m_output_offset = 0;        // bytes of m_output.front() already sent (TCP)
    size_t m_output_bytes = 0;

    // Policy, log and counters.
    mutable std::mutex m_mutex;
    bool m_answer = true;
    int m_refuse_messages = 0, m_refuse_downloads = 0, m_refuse_writes = 0;
    uint64_t m_seen_messages = 0, m_seen_downloads = 0, m_seen_writes = 0;
    std::map<uint8_t, std::string> m_blocks;
    FirmwareReceiver m_firmware;
    std::chrono::milliseconds m_answer_delay{0};
    std::deque<std::pair<std::chrono::steady_clock::time_point, std::string>> m_delayed;
    std::deque<ReceivedFrame> m_received;
    size_t m_log_limit = 100000;
    UnitStats m_stats;
};

// Deterministic default content of the answer to read request `id` for a
// unit with `identity`: text blocks carry the serial in their first field,
// binary blocks are zero with the serial at the place of MYID for 80, short
// answers report the firmware version.
std::string DefaultReadAnswer(uint8_t id, const Identity& identity);

}  // namespace unit_sim
