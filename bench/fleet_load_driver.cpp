// The unit side of the fleet load benchmark: N simulated units on one poll
// loop report along a circle route, closed loop (each unit sends its next
// line as soon as the previous one was answered) or at a fixed interval per
// unit. Prints its figures as "key=value" lines for bench/fleet_load.

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/unit_sim/fleet.h"
#include "tools/unit_sim/route.h"

using namespace unit_sim;

namespace {

uint32_t Percentile(std::vector<uint32_t>& sorted, double p) {
    if (sorted.empty()) return 0;
    size_t at = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1));
    return sorted[at];
}

}  // namespace

int main(int argc, char** argv) {
    FleetOptions options;
    options.unit.identity.serial = "351000000000001";
    options.unit.identity.description = "Bench";
    options.unit.identity.version = 1;
    options.count = 2000;
    options.closed_loop = true;
    options.duration = std::chrono::seconds(30);
    options.warmup = std::chrono::seconds(5);
    options.ack_timeout = std::chrono::seconds(30);
    options.connect_timeout = std::chrono::seconds(30);
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (arg == "--port") {
            options.unit.port = static_cast<uint16_t>(std::stoi(next()));
        } else if (arg == "--units") {
            options.count = std::stoi(next());
        } else if (arg == "--udp") {
            options.unit.transport = Transport::kUdp;
        } else if (arg == "--duration-s") {
            options.duration = std::chrono::seconds(std::stoi(next()));
        } else if (arg == "--warmup-s") {
            options.warmup = std::chrono::seconds(std::stoi(next()));
        } else if (arg == "--interval-ms") {
            options.closed_loop = false;
            options.interval = std::chrono::milliseconds(std::stoi(next()));
        } else if (arg == "--serial") {
            options.unit.identity.serial = next();
        } else {
            std::fprintf(stderr, "unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    std::vector<RouteStep> steps = CircleRoute(52.2297, 21.0122, 800, 60, 50);
    std::vector<RoutePlayer> players;
    players.reserve(static_cast<size_t>(options.count));
    for (int i = 0; i < options.count; ++i) players.emplace_back(steps, static_cast<size_t>(i));
    LineSource source = [&](int index) {
        return players[static_cast<size_t>(index)].NextFrames(UtcNow());
    };
    std::atomic<bool> stop{false};
    FleetSummary s = RunFleet(options, source, nullptr, stop);

    std::vector<uint32_t> latencies = s.latencies_us;
    std::sort(latencies.begin(), latencies.end());
    double seconds = static_cast<double>(s.measured_time.count()) / 1000.0;
    std::printf("connected=%d\n", s.connected);
    std::printf("closed_by_server=%d\n", s.closed_by_server);
    std::printf("lines_sent=%llu\n", static_cast<unsigned long long>(s.lines_sent));
    std::printf("location_acks=%llu\n", static_cast<unsigned long long>(s.location_acks));
    std::printf("nacks=%llu\n", static_cast<unsigned long long>(s.nacks));
    std::printf("unanswered=%llu\n", static_cast<unsigned long long>(s.unanswered));
    std::printf("measured_acks=%llu\n", static_cast<unsigned long long>(s.measured_acks));
    std::printf("measured_seconds=%.3f\n", seconds);
    std::printf("lines_per_second=%.1f\n",
                seconds > 0 ? static_cast<double>(s.measured_acks) / seconds : 0.0);
    std::printf("p50_ms=%.2f\n", Percentile(latencies, 0.50) / 1000.0);
    std::printf("p99_ms=%.2f\n", Percentile(latencies, 0.99) / 1000.0);
    std::printf("max_ms=%.2f\n", latencies.empty() ? 0.0 : latencies.back() / 1000.0);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("driver_cpu_seconds=%.2f\n",
                static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
    return s.connected == options.count ? 0 : 1;
}
