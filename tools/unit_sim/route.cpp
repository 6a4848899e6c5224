#include "tools/unit_sim/route.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <fstream>
#include <sstream>

namespace unit_sim {
namespace {

constexpr double kEarthRadiusM = 6371000.0;
constexpr double kPi = 3.14159265358979323846;
constexpr double kFuelPerKm = 0.32;  // litres, a loaded truck
constexpr double kFuelTotalStart = 10000.0;

double Radians(double deg) {
    return deg * kPi / 180.0;
}

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool ParseDouble(std::string_view token, double& value) {
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    return ec == std::errc() && end == token.data() + token.size() && std::isfinite(value);
}

bool ParseByte(std::string_view token, uint8_t& value) {
    int base = 10;
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        token.remove_prefix(2);
        base = 16;
    }
    unsigned v = 0;
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v, base);
    if (ec != std::errc() || end != token.data() + token.size() || v > 255) return false;
    value = static_cast<uint8_t>(v);
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool ParseFms(std::string_view hex, std::array<uint8_t, kFmsDataSize>& out) {
    if (hex.size() != 2 * kFmsDataSize) return false;
    for (size_t i = 0; i < kFmsDataSize; ++i) {
        int hi = HexDigit(hex[2 * i]);
        int lo = HexDigit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

bool ValidTag(std::string_view tag) {
    if (tag.empty() || tag.size() > 16) return false;
    for (char c : tag) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!ok) return false;
    }
    return true;
}

// Parses one non-empty route line; returns the reason on failure.
std::string ParseStep(const std::vector<std::string_view>& t, RouteStep& step) {
    if (t.size() < 5) return "expected: lat lon speed_kmh course inputs [fms=HEX] [tag=TEXT]";
    if (!ParseDouble(t[0], step.lat) || step.lat < -90 || step.lat > 90) return "bad latitude";
    if (!ParseDouble(t[1], step.lon) || step.lon < -180 || step.lon > 180) return "bad longitude";
    if (!ParseDouble(t[2], step.speed_kmh) || step.speed_kmh < 0 || step.speed_kmh > 655) {
        return "bad speed";
    }
    if (!ParseDouble(t[3], step.course) || step.course < 0 || step.course > 360) {
        return "bad course";
    }
    if (!ParseByte(t[4], step.inputs)) return "bad inputs byte";
    for (size_t i = 5; i < t.size(); ++i) {
        std::string_view token = t[i];
        if (token.starts_with("fms=")) {
            std::array<uint8_t, kFmsDataSize> fms{};
            if (!ParseFms(token.substr(4), fms)) return "fms= needs 40 hexadecimal digits";
            step.fms = fms;
        } else if (token.starts_with("tag=")) {
            if (!ValidTag(token.substr(4))) return "tag= needs 1 to 16 letters or digits";
            step.tag = std::string(token.substr(4));
        } else {
            return "unknown field '" + std::string(token) + "'";
        }
    }
    return {};
}

}  // namespace

std::optional<std::vector<RouteStep>> ParseRoute(std::string_view text, std::string& error) {
    std::vector<RouteStep> steps;
    size_t line_no = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++line_no;
        std::vector<std::string_view> tokens = Tokens(line);
        if (tokens.empty() || tokens[0].starts_with("#")) continue;
        RouteStep step;
        std::string reason = ParseStep(tokens, step);
        if (!reason.empty()) {
            error = "line " + std::to_string(line_no) + ": " + reason;
            return std::nullopt;
        }
        steps.push_back(std::move(step));
    }
    if (steps.empty()) {
        error = "the route has no steps";
        return std::nullopt;
    }
    return steps;
}

std::optional<std::vector<RouteStep>> LoadRouteFile(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto steps = ParseRoute(text.str(), error);
    if (!steps) error = path + ": " + error;
    return steps;
}

std::vector<RouteStep> CircleRoute(double lat, double lon, double radius_m, int steps,
                                   double speed_kmh) {
    std::vector<RouteStep> out;
    if (steps < 1) steps = 1;
    double dlat = radius_m / kEarthRadiusM * 180.0 / kPi;
    double dlon = dlat / std::max(std::cos(Radians(lat)), 1e-6);
    for (int k = 0; k < steps; ++k) {
        // Bearing from the centre: north, east, south, west: clockwise.
        double bearing = 360.0 * k / steps;
        RouteStep s;
        s.lat = lat + dlat * std::cos(Radians(bearing));
        s.lon = lon + dlon * std::sin(Radians(bearing));
        s.speed_kmh = speed_kmh;
        s.course = std::fmod(bearing + 90.0, 360.0);
        s.inputs = 0x01;
        out.push_back(s);
    }
    return out;
}

double DistanceMetres(double lat1, double lon1, double lat2, double lon2) {
    double p1 = Radians(lat1), p2 = Radians(lat2);
    double dp = p2 - p1, dl = Radians(lon2 - lon1);
    double a = std::sin(dp / 2) * std::sin(dp / 2) +
               std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2 * kEarthRadiusM * std::asin(std::min(1.0, std::sqrt(a)));
}

UtcTime UtcNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    gmtime_r(&ts.tv_sec, &tm);
    return UtcTime{tm.tm_year + 1900,
                   tm.tm_mon + 1,
                   tm.tm_mday,
                   tm.tm_hour,
                   tm.tm_min,
                   tm.tm_sec,
                   static_cast<int>(ts.tv_nsec / 10000000)};
}

RoutePlayer::RoutePlayer(std::vector<RouteStep> steps, size_t start, bool pico)
    : m_steps(std::move(steps)),
      m_index(m_steps.empty() ? 0 : start % m_steps.size()),
      m_pico(pico) {}

std::vector<std::string> RoutePlayer::NextFrames(const UtcTime& now) {
    if (m_steps.empty()) return {};
    if (m_started) {
        size_t next = (m_index + 1) % m_steps.size();
        double metres = DistanceMetres(m_steps[m_index].lat, m_steps[m_index].lon,
                                       m_steps[next].lat, m_steps[next].lon);
        m_odometer_m += metres;
        m_fuel_used_l += metres / 1000.0 * kFuelPerKm;
        m_index = next;
    }
    m_started = true;
    ++m_seqno;
    const RouteStep& step = m_steps[m_index];

    uint32_t time = static_cast<uint32_t>(now.hour * 1000000 + now.minute * 10000 +
                                          now.second * 100 + now.hundredths);
    auto day = static_cast<uint8_t>(now.day);
    auto month = static_cast<uint8_t>(now.month);
    auto year = static_cast<uint16_t>(now.year);
    auto odometer = static_cast<uint32_t>(std::llround(m_odometer_m));

    if (m_pico) {
        PicoRecord r;
        r.fixstat = 1;
        r.satuse = 8;
        r.latitude = PackDecimalDegrees(step.lat);
        r.longitude = PackDecimalDegrees(step.lon);
        r.altitude = 100;
        r.altref = 40;
        r.kph = step.speed_kmh;
        r.time = time;
        r.day = day;
        r.month = month;
        r.year = year;
        r.rawdin = step.inputs;
        r.val0 = 12.6;
        r.sig = 20;
        r.network = 26001;
        r.lac = 1234;
        r.ci = 5678;
        r.distance = odometer;
        r.seqno = m_seqno;
        return {PicoRecordFrame(r, kPicoLengthWithDistance)};
    }

    Position p;
    p.fixstat = 1;
    p.satuse = 8;
    p.latitude = PackDecimalDegrees(step.lat);
    p.longitude = PackDecimalDegrees(step.lon);
    p.altitude = 100;
    p.altref = 40;
    p.cogt = step.course;
    p.kph = step.speed_kmh;
    p.distance = odometer;
    p.time = time;
    p.day = day;
    p.month = month;
    p.year = year;

    Analogue analogue;
    analogue.raw = {AnalogueMillivolts(12.6), AnalogueMillivolts(3.3), AnalogueMillivolts(0),
                    AnalogueMillivolts(0)};

    std::array<uint8_t, kFmsDataSize> fms;
    if (step.fms) {
        fms = *step.fms;
    } else {
        FmsSample s;
        s.speed_kmh = step.speed_kmh;
        s.engine_rpm = step.speed_kmh > 0 ? 800 + step.speed_kmh * 15 : 650;
        s.total_fuel_l = kFuelTotalStart + m_fuel_used_l;
        s.fuel_level_pct = 80.0 - std::fmod(m_fuel_used_l * 0.2, 60.0);
        fms = FmsBytes(s);
    }

    std::vector<std::string> frames;
    frames.push_back(PositionFrame(p));
    frames.push_back(InputsFrame(Inputs{step.inputs, 0, 0}));
    frames.push_back(AnalogueFrame(analogue));
    if (!step.tag.empty()) frames.push_back(TagTextFrame(kFrameTag, 1, step.tag));
    frames.push_back(GsmFrame(Gsm{20, 26001}));
    frames.push_back(SequenceFrame(Sequence{m_seqno, 0, 0}));
    frames.push_back(FmsFrame(1, 1, fms));
    return frames;
}

}  // namespace unit_sim
