// vimko-card-server: a stand-in for the tachograph card server, for tests and
// manual runs. It answers each message on its own connection, then closes
// it. See tools/card_server/README.md.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/card_message.h"
#include "tools/standin/standin_options.h"
#include "tools/standin/standin_socket.h"

namespace {

struct Options {
    std::string host = "127.0.0.1";
    int port = 9100;
    std::string answerHex;  // raw answer bytes instead of the computed answer
    bool haveAnswer = false;
    std::string prefix = "OK";
    std::string record;  // file of received messages
    int delayMs = 0;
};

constexpr char kUsage[] =
    "usage: vimko-card-server [--host H] [--port P] [--prefix TEXT] [--answer-hex HEX]\n"
    "                         [--record FILE] [--delay-ms N]\n";

Options ParseOptions(int argc, char** argv) {
    Options o;
    standin::ParseOptions(argc, argv, kUsage, o.host, o.port,
                          [&](const std::string& arg, const std::string& value) {
                              if (arg == "--prefix") {
                                  o.prefix = value;
                              } else if (arg == "--answer-hex") {
                                  if (!standin::FromHex(value, o.answerHex)) return false;
                                  o.haveAnswer = true;
                              } else if (arg == "--record") {
                                  o.record = value;
                              } else if (arg == "--delay-ms") {
                                  o.delayMs = std::atoi(value.c_str());
                              } else {
                                  return false;
                              }
                              return true;
                          });
    return o;
}

// One connection: one message in, at most one answer out.
void Serve(int fd, const Options& o) {
    std::string header;
    if (!standin::ReadExact(fd, kCardHeaderSize, header, 10000)) return;
    uint8_t mode = static_cast<uint8_t>(header[4]);
    size_t size = static_cast<uint8_t>(header[5]) | (static_cast<uint8_t>(header[6]) << 8);
    std::string data;
    if (!standin::ReadExact(fd, size, data, 10000)) return;
    standin::AppendRecord(o.record, "mode=" + standin::Hex(header.substr(4, 1)) +
                                        " size=" + std::to_string(size) +
                                        " data=" + standin::Hex(data) + "\n");
    std::printf("message mode=%02X size=%zu\n", mode, size);
    std::fflush(stdout);
    if (mode == kCardModeDataNoAnswer) return;
    if (o.delayMs > 0) {
        std::string ignored;
        standin::ReadExact(fd, 1, ignored, o.delayMs);
    }
    std::string answer = o.haveAnswer ? o.answerHex : BuildCardMessage(mode, o.prefix + data);
    standin::WriteAll(fd, answer);
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
