#include "server/device/korvalen_http.h"

#include <mutex>

#include "server/core/log.h"
#include "server/core/socket_ops.h"
#include "server/device/korvalen_http_text.h"
#include "server/device/korvalen_server.h"

namespace {

// The boundary generator is one sequence for the whole process, whichever
// unit thread asks.
std::mutex gBoundaryLock;
uint32_t gBoundaryState = 1;  // gBoundaryLock

std::string Boundary() {
    std::lock_guard<std::mutex> lock(gBoundaryLock);
    return NextBoundary(gBoundaryState);
}

// The Host line names the port only when it is not HTTP's own.
std::string HostLine(const ServiceEndpoint& endpoint) {
    if (endpoint.port == 80) return endpoint.host;
    return endpoint.host + ":" + std::to_string(endpoint.port);
}

bool SendPiece(int fd, const std::string& piece) {
    if (SockWaitWritable(fd, ServiceConnectWaitMs()) != 1) return false;
    return SockSend(fd, piece.data(), piece.size()) == static_cast<ssize_t>(piece.size());
}

}  // namespace

int KorvalenHttp(int slot, std::string_view text, std::string& buffer,
                 const ServiceEndpoint& endpoint, int answerWaitMs) {
    buffer.clear();
    text = text.substr(0, text.find('\0'));
    sockaddr_in address{};
    std::string ip;
    if (!ResolveService(slot, "KorvalenHttp", endpoint, address, ip)) return 0;
    std::string shown(text);
    LogWrite("D%d: KorvalenHttp ip=%s data=%s\n", slot, ip.c_str(), shown.c_str());
    UniqueFd fd;
    if (!ConnectService(slot, "KorvalenHttp", address, fd)) return 0;

    std::string boundary = Boundary();
    std::string body = MultipartBody(boundary, text);
    for (const std::string& piece : HttpRequestLines(HostLine(endpoint), boundary, body)) {
        if (piece.back() == '\n') {
            LogWrite("R>%s", piece.c_str());
        } else {
            LogWrite("r>%s\n", piece.c_str());
        }
        if (!SendPiece(fd.get(), piece)) {
            LogWrite("D%d: KorvalenHttp send failed\n", slot);
            return 0;
        }
    }

    HttpAnswerReader reader;
    for (;;) {
        int ready = SockWaitReadable(fd.get(), answerWaitMs);
        if (ready < 0) {
            LogWrite("D%d: KorvalenHttp select failed\n", slot);
            return 0;
        }
        if (ready == 0) {
            LogWrite("D%d: KorvalenHttp recv timeout\n", slot);
            break;
        }
        char byte;
        if (SockRecv(fd.get(), &byte, 1) != 1) break;
        HttpFeed step = reader.Feed(byte);
        for (const std::string& line : reader.TakeHeaderLines()) LogWrite("A>%s", line.c_str());
        if (step == HttpFeed::kOverflow) {
            LogWrite("D%d: KorvalenHttp recv overflow\n", slot);
            break;
        }
        if (step == HttpFeed::kDone) break;
    }
    fd.Reset();
    if (reader.inBody()) {
        const std::string& got = reader.body();
        LogWrite("a>%s%s", got.c_str(), !got.empty() && got.back() == '\n' ? "" : "\n");
        buffer = got.substr(0, kWebBodyMax);
    }
    int length = reader.length();
    LogWrite("D%d: KorvalenHttp len=%d data=%s\n", slot, length, buffer.c_str());
    return length;
}
