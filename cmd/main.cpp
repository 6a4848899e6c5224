// VimkoCmd: runs one operator-console command against a running server and
// prints the answer, for scripts and scheduled jobs.
//   VimkoCmd ip port user passwd command [more words...]

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cmd/cmd_dialogue.h"
#include "common/unique_fd.h"

namespace {

constexpr int kByteWaitMs = 100;
constexpr int kSilentWaits = 600;  // about a minute without data

// Sends byte by byte, each after a wait of at most 100 ms for room; stops
// at the first byte the socket does not take.
void SendText(int fd, const std::string& text) {
    for (char c : text) {
        pollfd pfd{fd, POLLOUT, 0};
        if (poll(&pfd, 1, kByteWaitMs) <= 0) return;
        if (send(fd, &c, 1, MSG_NOSIGNAL) != 1) return;
    }
}

// Reads one line. False when the server closed or stayed silent a minute.
bool ReadLine(int fd, LineAssembler& assembler, std::string& text, LineEnd& end) {
    int silent = 0;
    assembler.Clear();
    for (;;) {
        pollfd pfd{fd, POLLIN, 0};
        int ready = poll(&pfd, 1, kByteWaitMs);
        if (ready < 0) return false;
        if (ready == 0) {
            if (assembler.Flush(end)) {
                text = assembler.text();
                return true;
            }
            if (++silent >= kSilentWaits) return false;
            continue;
        }
        uint8_t byte;
        if (recv(fd, &byte, 1, 0) != 1) return false;
        silent = 0;
        if (assembler.Feed(byte, end)) {
            text = assembler.text();
            return true;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fputs("Usage: VimkoCmd ip port user passwd command\n", stderr);
        return -1;
    }
    std::string command = argv[5];
    for (int i = 6; i < argc; ++i) command += std::string(" ") + argv[i];

    UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        std::fputs("Socket error\n", stderr);
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[2])));
    if (inet_pton(AF_INET, argv[1], &address.sin_addr) != 1 ||
        connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::fputs("Failed to conect with server\n", stdout);
        return -1;
    }

    CmdDialogue dialogue(argv[3], argv[4], command);
    LineAssembler assembler;
    std::string text;
    LineEnd end;
    while (ReadLine(fd.get(), assembler, text, end)) {
        std::string send;
        std::string print;
        dialogue.OnLine(text, end, send, print);
        if (!print.empty()) {
            std::fputs(print.c_str(), stdout);
            std::fflush(stdout);
        }
        if (!send.empty()) SendText(fd.get(), send);
    }
    std::fputs(dialogue.OnEnd().c_str(), stdout);
    return 0;
}
