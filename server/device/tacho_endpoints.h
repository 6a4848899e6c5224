#pragma once
// Where the two outside tachograph services are: the card server
// (VIMKO_CARD_SERVER) and the tachograph web service (VIMKO_TACHO_WEB), each
// "host" or "host:port" in the environment. Without the variable the host is
// 127.0.0.1 and the port the service's usual one (9100, 80). A value that
// cannot be read leaves the host empty, so every exchange with that service
// fails at its name look-up and says so in the log.

#include <string>
#include <string_view>

inline constexpr int kCardServerPort = 9100;
inline constexpr int kTachoWebPort = 80;
inline constexpr char kServiceDefaultHost[] = "127.0.0.1";

struct ServiceEndpoint {
    std::string host;
    int port = 0;
};

// "host" (port `defaultPort`) or "host:port" with a port of 1 to 65535.
// False for an empty host or a bad port.
bool ParseServiceEndpoint(std::string_view text, int defaultPort, ServiceEndpoint& out);

// The endpoint named by environment variable `variable`, or the default host
// with `defaultPort` when it is not set; empty host when it is unreadable.
ServiceEndpoint EndpointFromEnvironment(const char* variable, int defaultPort);

// Read from the environment on first use, then fixed for the process.
const ServiceEndpoint& CardServerEndpoint();
const ServiceEndpoint& TachoWebEndpoint();
