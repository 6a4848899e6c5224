#include "server/console/console_session.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <map>
#include <mutex>

#include "common/text_format.h"
#include "server/console/command_table.h"
#include "server/console/console_slot.h"
#include "server/console/help_text.h"
#include "server/console/info_commands.h"
#include "server/console/line_reader.h"
#include "server/console/unit_commands.h"
#include "server/core/fatal.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/server_socket.h"
#include "server/core/socket_ops.h"
#include "server/device/frame_send.h"
#include "server/device/slot_table.h"

namespace {

constexpr size_t kUserNameMax = 31;

void SelectHandler(int session, const std::string& args) {
    SelectCommand(session, args);
}

// Runs one command line. False when the session is to end.
bool Dispatch(int session, const std::string& line) {
    ConsoleDispatch d = DispatchConsoleLine(line);
    switch (d.kind) {
        case ConsoleDispatch::kEmpty:
            return true;
        case ConsoleDispatch::kExact:
            if (d.word == "exit") return false;
            if (d.word == "help") SendText(session, HelpScreen());
            if (d.word == "list") ListCommand(session);
            if (d.word == "readlog") ReadLogCommand(session);
            if (d.word == "clearlog") ClearLogCommand(session);
            return true;
        case ConsoleDispatch::kMissingArgs:
            SendText(session, "Brak parametrow poleceia\r\n");
            return true;
        case ConsoleDispatch::kPrefix:
            if (PrefixHandler handler = FindPrefixHandler(d.word)) {
                handler(session, d.args);
                return true;
            }
            break;
        case ConsoleDispatch::kUnknown:
            break;
    }
    SendAnswer(session, "error\r\n", "Nieznane polecenie\r\n");
    return true;
}

void RunSession(int session) {
    ConsoleSlot& c = consoles[session];
    sockaddr_in peer;
    {
        std::lock_guard<std::mutex> lock(c.textLock);
        peer = c.peer;
    }
    std::string address = AddressText(peer);
    int port = AddressPort(peer);
    LogWrite("T%d: Connected %s:%d\n", session, address.c_str(), port);

    std::string user;
    std::string password;
    std::string mode;
    bool loggedIn = false;
    bool dialogueRead = false;
    SendText(session, "Telnet console ver. 2.004.256\r\nusername\r\n");
    if (ReadConsoleLine(session, user)) {
        {
            std::lock_guard<std::mutex> lock(c.textLock);
            CopyText(c.userName, user.substr(0, kUserNameMax));
        }
        SendText(session, "password\r\n");
        if (ReadConsoleLine(session, password)) {
            SendText(session, "mode\r\n");
            dialogueRead = ReadConsoleLine(session, mode) == 1;
        }
    }
    if (dialogueRead && password == gConfig.telnetPasswd && (mode == "binary" || mode == "text")) {
        loggedIn = true;
        c.binaryMode = mode == "binary" ? 1 : 0;
        if (mode == "text") SendText(session, "Wpisz 'help' dla uzyskania pomocy\r\n");
        LogWrite("T%d: %s\n", session, user.substr(0, kUserNameMax).c_str());
        c.loggedIn = true;
    }
    if (loggedIn) {
        for (;;) {
            SendText(session, "command\r\n");
            std::string line;
            if (!ReadConsoleLine(session, line)) break;
            LogWrite("T%d: %s\n", session, line.c_str());
            if (!Dispatch(session, line)) break;
        }
    }
    if (dialogueRead) SendText(session, "logout\r\n");
    // No answer is printed for this client any more, and no unit stays
    // claimed by a session that is gone.
    c.loggedIn = false;
    ReleaseClaimsOf(session);
    {
        std::lock_guard<std::mutex> lock(c.sendLock);
        SockClose(c.socket.exchange(-1));
    }
    LogWrite("T%d: Disconnected %s:%d\n", session, address.c_str(), port);
    c.inUse = false;
}

void* SessionThread(void* arg) {
    RunSession(static_cast<int>(reinterpret_cast<intptr_t>(arg)));
    return nullptr;
}

}  // namespace

int ReadConsoleLine(int session, std::string& line) {
    ConsoleSlot& c = consoles[session];
    ConsoleLineReader reader;
    reader.state = c.optionState;
    line.clear();
    int fd = c.socket.load();
    // A configured time-out of 0 or less waits without limit, as it does for units.
    int waitMs = gConfig.rcvTimeout > 0 ? gConfig.rcvTimeout * 1000 : -1;
    for (;;) {
        if (SockWaitReadable(fd, waitMs) <= 0) break;
        uint8_t byte;
        if (SockRecv(fd, &byte, 1) <= 0) break;
        std::string reply;
        bool complete = reader.Feed(byte, line, reply);
        if (!reply.empty()) SendText(session, reply);
        if (complete) {
            c.optionState = reader.state;
            return 1;
        }
    }
    c.optionState = reader.state;
    return 0;
}

PrefixHandler FindPrefixHandler(const std::string& word) {
    if (word == "select") return SelectHandler;
    return FindUnitCommand(word);
}

void ConsoleListener() {
    UniqueFd listener = OpenServerSocketOrExit(true, gConfig.telnetPort, 2);
    for (;;) {
        sockaddr_in peer{};
        int fd = SockAccept(listener.get(), peer);
        if (fd < 0) continue;
        int session = -1;
        for (int i = 0; i < kMaxConsoles; ++i) {
            if (!consoles[i].inUse.load()) {
                session = i;
                break;
            }
        }
        if (session < 0) {
            LogWrite("TELNET: Serwer overflow, reject: %s:%d\n", AddressText(peer).c_str(),
                     AddressPort(peer));
            SockClose(fd);
            continue;
        }
        ConsoleSlot& c = consoles[session];
        {
            std::lock_guard<std::mutex> lock(c.textLock);
            c.peer = peer;
            CopyText(c.userName, "unknown");
        }
        c.socket = fd;
        c.optionState = 0;
        c.requestKind = 0;
        c.binaryMode = 0;
        c.uploadLength = 0;
        c.loggedIn = false;
        c.inUse = true;
        pthread_t thread;
        if (pthread_create(&thread, nullptr, SessionThread,
                           reinterpret_cast<void*>(static_cast<intptr_t>(session))) != 0) {
            LogWrite("TELNET: Thread error, reject: %s:%d\n", AddressText(peer).c_str(),
                     AddressPort(peer));
            c.socket = -1;
            SockClose(fd);
            c.inUse = false;
            continue;
        }
        pthread_detach(thread);
        c.thread = thread;
    }
}
