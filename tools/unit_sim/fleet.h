#pragma once
// Many simulated units driven from one thread and one epoll loop: each unit
// identifies itself, then sends location lines on a fixed interval or, in
// closed loop, as soon as the previous line was acknowledged (38 or 41).
// Requests from the server are answered by each unit's answer policy.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/unit_sim/sim_unit.h"

namespace unit_sim {

struct FleetOptions {
    UnitConfig unit;  // the first unit; the others get the following serials
    int count = 1;
    std::chrono::milliseconds interval{1000};  // between lines of one unit
    bool closed_loop = false;
    uint64_t lines = 0;                           // location lines per unit; 0: no limit
    std::chrono::milliseconds duration{0};        // sending time; 0: no limit
    std::chrono::milliseconds ack_timeout{5000};  // a line without 38/41 by then is unanswered
    std::chrono::milliseconds connect_timeout{5000};
    bool answer = true;  // false: the units stay silent
    int refuse_every_messages = 0;
    int refuse_every_writes = 0;
    int refuse_every_downloads = 0;
    // Lines sent during this first part of the run are left out of the
    // latency samples and `measured_acks` (for load measurements).
    std::chrono::milliseconds warmup{0};
};

struct FleetSummary {
    int units = 0;
    int connected = 0;
    int closed_by_server = 0;
    std::vector<std::string> failed;  // serials that could not connect
    uint64_t lines_sent = 0;          // identification lines included
    uint64_t acks = 0;
    uint64_t acks_with_time = 0;
    uint64_t nacks = 0;
    uint64_t unanswered = 0;  // lines that got neither 38 nor 41 in time
    uint64_t frames_received = 0;
    uint64_t answered = 0;  // 37 sent
    uint64_t refused = 0;   // 44 sent
    uint64_t blocks = 0;    // read requests answered
    // Location lines (not identifications) answered by 38, over the whole run.
    uint64_t location_acks = 0;
    // Location lines sent after the warm-up and answered (38 or 41) in time,
    // and the time each answer took, in microseconds.
    uint64_t measured_acks = 0;
    std::vector<uint32_t> latencies_us;
    std::chrono::milliseconds measured_time{0};  // from the end of the warm-up to the last send
};

// The frames of unit `index`'s next location line.
using LineSource = std::function<std::vector<std::string>(int index)>;
// Called for every frame a unit receives (on the loop's thread).
using FrameSink = std::function<void(const std::string& serial, const ServerFrame& frame)>;

// Serial of the n-th unit: the trailing decimal digits of `first` plus n,
// keeping their width ("000123" + 1 = "000124", "A99" + 1 = "A100").
std::string NthSerial(std::string_view first, int n);

// Runs until every unit has sent its lines (or the duration is over, or
// `stop` is set) and its last line was answered or timed out, or the
// connection closed.
FleetSummary RunFleet(const FleetOptions& options, const LineSource& source, const FrameSink& sink,
                      const std::atomic<bool>& stop);

}  // namespace unit_sim
