#include "server/device/tacho_endpoints.h"

#include <charconv>
#include <cstdlib>

bool ParseServiceEndpoint(std::string_view text, int defaultPort, ServiceEndpoint& out) {
    size_t colon = text.rfind(':');
    std::string_view host = text.substr(0, colon);
    int port = defaultPort;
    if (colon != std::string_view::npos) {
        std::string_view digits = text.substr(colon + 1);
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
            return false;
        }
    }
    if (host.empty() || port < 1 || port > 65535) return false;
    out.host = std::string(host);
    out.port = port;
    return true;
}

ServiceEndpoint EndpointFromEnvironment(const char* variable, int defaultPort) {
    ServiceEndpoint endpoint;
    const char* value = std::getenv(variable);
    if (value == nullptr) return ServiceEndpoint{kServiceDefaultHost, defaultPort};
    if (!ParseServiceEndpoint(value, defaultPort, endpoint)) return ServiceEndpoint{"", 0};
    return endpoint;
}

const ServiceEndpoint& CardServerEndpoint() {
    static const ServiceEndpoint endpoint =
        EndpointFromEnvironment("VIMKO_CARD_SERVER", kCardServerPort);
    return endpoint;
}

const ServiceEndpoint& TachoWebEndpoint() {
    static const ServiceEndpoint endpoint =
        EndpointFromEnvironment("VIMKO_TACHO_WEB", kTachoWebPort);
    return endpoint;
}
