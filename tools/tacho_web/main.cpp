// vimko-tacho-web: a stand-in for the tachograph web service, for tests and
// manual runs. It answers POST /Tele.php with a text body, one request per
// connection. See tools/tacho_web/README.md.

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/standin/standin_options.h"
#include "tools/standin/standin_socket.h"

namespace {

struct Options {
    std::string host = "127.0.0.1";
    int port = 8080;
    std::string reply;  // fixed answer body
    bool haveReply = false;
    std::string prefix = "OK:";
    std::string record;
};

constexpr char kUsage[] =
    "usage: vimko-tacho-web [--host H] [--port P] [--prefix TEXT] [--reply TEXT] [--record "
    "FILE]\n";

Options ParseOptions(int argc, char** argv) {
    Options o;
    standin::ParseOptions(argc, argv, kUsage, o.host, o.port,
                          [&](const std::string& arg, const std::string& value) {
                              if (arg == "--prefix") {
                                  o.prefix = value;
                              } else if (arg == "--reply") {
                                  o.reply = value;
                                  o.haveReply = true;
                              } else if (arg == "--record") {
                                  o.record = value;
                              } else {
                                  return false;
                              }
                              return true;
                          });
    return o;
}

// The value of header `name` in `head`, empty when missing.
std::string Header(std::string_view head, std::string_view name) {
    size_t at = 0;
    while ((at = head.find("\r\n", at)) != std::string_view::npos) {
        at += 2;
        if (head.size() - at > name.size() &&
            strncasecmp(head.data() + at, name.data(), name.size()) == 0 &&
            head[at + name.size()] == ':') {
            size_t start = head.find_first_not_of(' ', at + name.size() + 1);
            size_t end = head.find("\r\n", start);
            return std::string(head.substr(start, end - start));
        }
    }
    return "";
}

// The content of the form field "KorvalenTelematics" of a multipart body.
bool FormField(std::string_view body, std::string_view boundary, std::string& out) {
    std::string delimiter = "--" + std::string(boundary);
    size_t part = body.find(delimiter);
    while (part != std::string_view::npos) {
        size_t headEnd = body.find("\r\n\r\n", part);
        if (headEnd == std::string_view::npos) return false;
        std::string_view head = body.substr(part, headEnd - part);
        size_t next = body.find("\r\n" + delimiter, headEnd + 4);
        if (next == std::string_view::npos) return false;
        if (head.find("name=\"KorvalenTelematics\"") != std::string_view::npos) {
            out = std::string(body.substr(headEnd + 4, next - headEnd - 4));
            return true;
        }
        part = next + 2;
    }
    return false;
}

std::string Answer(int code, const char* reason, const std::string& body) {
    return "HTTP/1.1 " + std::to_string(code) + " " + reason +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

void Serve(int fd, const Options& o) {
    std::string head;
    if (!standin::ReadUntil(fd, "\r\n\r\n", 65536, head, 10000)) return;
    long length = std::atol(Header(head, "Content-Length").c_str());
    std::string body;
    if (length < 0 || length > 1 << 20 ||
        !standin::ReadExact(fd, static_cast<size_t>(length), body, 10000)) {
        standin::WriteAll(fd, Answer(400, "Bad Request", ""));
        return;
    }
    if (!head.starts_with("POST /Tele.php ")) {
        standin::WriteAll(fd, Answer(404, "Not Found", ""));
        return;
    }
    std::string type = Header(head, "Content-Type");
    size_t b = type.find("boundary=");
    std::string field;
    if (b == std::string::npos || !FormField(body, type.substr(b + 9), field)) {
        standin::WriteAll(fd, Answer(400, "Bad Request", ""));
        return;
    }
    standin::AppendRecord(o.record, "field=" + field + "\n");
    std::printf("request field=%s\n", field.c_str());
    std::fflush(stdout);
    standin::WriteAll(fd, Answer(200, "OK", o.haveReply ? o.reply : o.prefix + field));
}

}  // namespace

int main(int argc, char** argv) {
    Options o = ParseOptions(argc, argv);
    UniqueFd listener = standin::ListenTcp(o.host, o.port);
    if (!listener) return 1;
    std::printf("listening on %s:%d\n", o.host.c_str(), o.port);
    std::fflush(stdout);
    for (;;) {
        UniqueFd connection = standin::Accept(listener.get());
        if (connection) Serve(connection.get(), o);
    }
}
