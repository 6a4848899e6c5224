// vimko-unit: one or many simulated tracking units against a running server.
// See tools/unit_sim/README.md for the options.

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tools/unit_sim/fleet.h"
#include "tools/unit_sim/route.h"

using namespace unit_sim;

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) {
    g_stop = true;
}

constexpr const char kUsage[] =
    "usage: vimko-unit [options]\n"
    "  --host H                  server address (127.0.0.1)\n"
    "  --port P                  server DEVICE_PORT (5100)\n"
    "  --udp                     send datagrams instead of a TCP connection\n"
    "  --terminator lf|dot|semicolon   line terminator / protocol family (lf)\n"
    "  --pico                    identify with frame 64, report with frame 66\n"
    "  --serial S                serial of the first unit (350000000000001)\n"
    "  --count N                 units S, S+1, ... from this one process (1)\n"
    "  --description T --ccid T --vin T --vrn T --version N   identity\n"
    "  --route FILE              scripted route (see README)\n"
    "  --circle LAT,LON,RADIUS_M,STEPS,KMH   generated circle route\n"
    "                            (52.2297,21.0122,500,36,40 unless --route)\n"
    "  --interval-ms N           between two lines of one unit (1000)\n"
    "  --closed-loop             next line as soon as the previous got 38/41\n"
    "  --ack-timeout-ms N        a line unanswered this long counts as lost (5000)\n"
    "  --lines K                 location lines per unit, then exit\n"
    "  --duration-s N            stop sending after N seconds\n"
    "  --refuse-every-messages N / --refuse-every-writes N / --refuse-every-downloads N\n"
    "                            answer every N-th such request with 44\n"
    "  --firmware-out FILE       write each firmware image received to FILE\n"
    "                            (FILE.<serial> per unit with --count)\n"
    "  --silent                  never answer the server's requests\n"
    "  --quiet                   no line per received frame\n";

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "vimko-unit: %s\n%s", message.c_str(), kUsage);
    std::exit(2);
}

template <typename T>
T Number(std::string_view name, std::string_view text, T lo, T hi) {
    T value{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < lo || value > hi) {
        Fail("bad value for " + std::string(name) + ": '" + std::string(text) + "'");
    }
    return value;
}

struct Circle {
    double lat = 52.2297, lon = 21.0122, radius_m = 500;
    int steps = 36;
    double speed_kmh = 40;
};

Circle ParseCircle(std::string_view text) {
    std::vector<std::string_view> parts;
    while (true) {
        size_t comma = text.find(',');
        parts.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    if (parts.size() != 5) Fail("--circle needs LAT,LON,RADIUS_M,STEPS,KMH");
    Circle c;
    c.lat = Number<double>("--circle latitude", parts[0], -90, 90);
    c.lon = Number<double>("--circle longitude", parts[1], -180, 180);
    c.radius_m = Number<double>("--circle radius", parts[2], 1, 1e6);
    c.steps = Number<int>("--circle steps", parts[3], 1, 100000);
    c.speed_kmh = Number<double>("--circle speed", parts[4], 0, 655);
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    FleetOptions options;
    options.unit.port = 5100;
    options.unit.identity.serial = "350000000000001";
    options.unit.identity.description = "vimko-unit";
    options.unit.identity.ccid = "89480000000000000001";
    options.unit.identity.version = 1;
    std::string route_file;
    Circle circle;
    bool quiet = false;

    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        if (size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        auto need = [&]() -> std::string_view {
            if (!value.empty()) return value;
            if (i + 1 >= argc) Fail("missing value for " + std::string(arg));
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--host") {
            options.unit.host = std::string(need());
        } else if (arg == "--port") {
            options.unit.port = Number<uint16_t>(arg, need(), 1, 65535);
        } else if (arg == "--udp") {
            options.unit.transport = Transport::kUdp;
        } else if (arg == "--terminator") {
            std::string_view t = need();
            if (t == "lf") {
                options.unit.terminator = '\n';
            } else if (t == "dot") {
                options.unit.terminator = '.';
            } else if (t == "semicolon") {
                options.unit.terminator = ';';
            } else {
                Fail("--terminator is lf, dot or semicolon");
            }
        } else if (arg == "--pico") {
            options.unit.pico = true;
        } else if (arg == "--serial") {
            options.unit.identity.serial = std::string(need());
        } else if (arg == "--count") {
            options.count = Number<int>(arg, need(), 1, 100000);
        } else if (arg == "--description") {
            options.unit.identity.description = std::string(need());
        } else if (arg == "--ccid") {
            options.unit.identity.ccid = std::string(need());
        } else if (arg == "--vin") {
            options.unit.identity.vin = std::string(need());
        } else if (arg == "--vrn") {
            options.unit.identity.vrn = std::string(need());
        } else if (arg == "--version") {
            options.unit.identity.version = Number<uint32_t>(arg, need(), 0, UINT32_MAX);
        } else if (arg == "--route") {
            route_file = std::string(need());
        } else if (arg == "--circle") {
            circle = ParseCircle(need());
        } else if (arg == "--interval-ms") {
            options.interval = std::chrono::milliseconds(Number<int>(arg, need(), 0, 86400000));
        } else if (arg == "--closed-loop") {
            options.closed_loop = true;
        } else if (arg == "--ack-timeout-ms") {
            options.ack_timeout = std::chrono::milliseconds(Number<int>(arg, need(), 1, 86400000));
        } else if (arg == "--lines") {
            options.lines = Number<uint64_t>(arg, need(), 1, UINT64_MAX);
        } else if (arg == "--duration-s") {
            options.duration = std::chrono::seconds(Number<int>(arg, need(), 1, 31536000));
        } else if (arg == "--refuse-every-messages") {
            options.refuse_every_messages = Number<int>(arg, need(), 0, 1000000);
        } else if (arg == "--refuse-every-writes") {
            options.refuse_every_writes = Number<int>(arg, need(), 0, 1000000);
        } else if (arg == "--refuse-every-downloads") {
            options.refuse_every_downloads = Number<int>(arg, need(), 0, 1000000);
        } else if (arg == "--firmware-out") {
            options.unit.firmware_out = std::string(need());
        } else if (arg == "--silent") {
            options.answer = false;
        } else if (arg == "--quiet") {
            quiet = true;
        } else {
            Fail("unknown option " + std::string(arg));
        }
    }

    std::vector<RouteStep> steps;
    if (!route_file.empty()) {
        std::string error;
        auto loaded = LoadRouteFile(route_file, error);
        if (!loaded) Fail(error);
        steps = std::move(*loaded);
    } else {
        steps =
            CircleRoute(circle.lat, circle.lon, circle.radius_m, circle.steps, circle.speed_kmh);
    }
    std::vector<RoutePlayer> players;
    players.reserve(static_cast<size_t>(options.count));
    for (int i = 0; i < options.count; ++i) {
        players.emplace_back(steps, static_cast<size_t>(i), options.unit.pico);
    }

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    LineSource source = [&players](int index) {
        return players[static_cast<size_t>(index)].NextFrames(UtcNow());
    };
    FrameSink sink;
    if (!quiet) {
        sink = [](const std::string& serial, const ServerFrame& f) {
            std::printf("%s <- id=%d len=%d payload=%s%s\n", serial.c_str(), f.id, f.length_byte,
                        Hex(f.payload).c_str(), f.truncated ? " (truncated)" : "");
        };
    }

    FleetSummary s = RunFleet(options, source, sink, g_stop);

    for (const std::string& serial : s.failed) {
        std::fprintf(stderr, "vimko-unit: %s could not connect to %s:%u\n", serial.c_str(),
                     options.unit.host.c_str(), options.unit.port);
    }
    std::printf("summary units=%d connected=%d closed_by_server=%d\n", s.units, s.connected,
                s.closed_by_server);
    std::printf(
        "summary lines_sent=%llu acks=%llu acks_with_time=%llu nacks=%llu unanswered=%llu\n",
        static_cast<unsigned long long>(s.lines_sent), static_cast<unsigned long long>(s.acks),
        static_cast<unsigned long long>(s.acks_with_time), static_cast<unsigned long long>(s.nacks),
        static_cast<unsigned long long>(s.unanswered));
    std::printf("summary frames_received=%llu answered_37=%llu refused_44=%llu blocks=%llu\n",
                static_cast<unsigned long long>(s.frames_received),
                static_cast<unsigned long long>(s.answered),
                static_cast<unsigned long long>(s.refused),
                static_cast<unsigned long long>(s.blocks));
    std::fflush(stdout);
    return s.failed.empty() ? 0 : 1;
}
