#pragma once
// Scripted routes: where a simulated unit drives and what it reports on each
// location line.
//
// Route file, one step per line, fields separated by blanks:
//
//   lat lon speed_kmh course inputs [fms=HEX] [tag=TEXT]
//
//   lat, lon   decimal degrees (south and west negative)
//   speed_kmh  km/h, course degrees 0..360
//   inputs     digital inputs byte, decimal or 0x-hexadecimal
//   fms=HEX    the 20 raw FMS bytes as 40 hexadecimal digits (frame 19);
//              without it the FMS bytes are made from the speed
//   tag=TEXT   a 1-Wire tag read at this step (up to 16 letters and digits)
//
// Blank lines and lines starting with '#' are skipped.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/unit_sim/unit_frames.h"

namespace unit_sim {

struct RouteStep {
    double lat = 0;
    double lon = 0;
    double speed_kmh = 0;
    double course = 0;
    uint8_t inputs = 0;
    std::optional<std::array<uint8_t, kFmsDataSize>> fms;
    std::string tag;
};

// Parses a route text. On error returns nullopt and sets `error` to
// "line N: reason".
std::optional<std::vector<RouteStep>> ParseRoute(std::string_view text, std::string& error);
std::optional<std::vector<RouteStep>> LoadRouteFile(const std::string& path, std::string& error);

// `steps` points on a circle of `radius_m` metres around the centre, driven
// clockwise at `speed_kmh`, ignition input (bit 0) on.
std::vector<RouteStep> CircleRoute(double lat, double lon, double radius_m, int steps,
                                   double speed_kmh);

// Great-circle distance in metres.
double DistanceMetres(double lat1, double lon1, double lat2, double lon2);

struct UtcTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, hundredths = 0;
};
UtcTime UtcNow();

// Walks a route, one step per location line, wrapping at its end, and keeps
// what a unit counts along the way: sequence number, odometer, fuel used.
class RoutePlayer {
  public:
    // `start` picks the first step (so that many units on one route spread
    // out); `pico` makes lines of frame 66 instead of the element frames.
    RoutePlayer(std::vector<RouteStep> steps, size_t start = 0, bool pico = false);

    // Frames of the next location line: 1, 2, 3, 5 (when the step has a
    // tag), 6, 7 and 19 (FMS configuration 1); for PICO units one frame 66.
    std::vector<std::string> NextFrames(const UtcTime& now);

    uint32_t seqno() const { return m_seqno; }
    double odometer_m() const { return m_odometer_m; }

  private:
    std::vector<RouteStep> m_steps;
    size_t m_index;
    bool m_pico;
    bool m_started = false;
    uint32_t m_seqno = 0;
    double m_odometer_m = 0;
    double m_fuel_used_l = 0;
};

}  // namespace unit_sim
