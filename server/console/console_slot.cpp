#include "server/console/console_slot.h"

#include "server/device/frame_send.h"

ConsoleSlot consoles[kMaxConsoles];

void ClearConsoleSlots() {
    for (ConsoleSlot& slot : consoles) slot.inUse.store(false);
}

int CountConsolesInUse() {
    int n = 0;
    for (const ConsoleSlot& slot : consoles) {
        if (slot.inUse.load(std::memory_order_relaxed)) ++n;
    }
    return n;
}

void SendText(int session, const std::string& text) {
    ConsoleSlot& slot = consoles[session];
    std::lock_guard<std::mutex> lock(slot.sendLock);
    SendAll(slot.socket.load(), text.data(), text.size(), -1);
}

void SendTextHeld(int session, const std::string& text) {
    SendAll(consoles[session].socket.load(), text.data(), text.size(), -1);
}

bool IsBinary(int session) {
    return consoles[session].binaryMode.load() != 0;
}

bool AcceptsAnswers(int owner) {
    return owner >= 0 && owner < kMaxConsoles && consoles[owner].inUse.load() &&
           consoles[owner].loggedIn.load();
}

void SendAnswer(int session, const char* binary, const char* text) {
    SendText(session, IsBinary(session) ? binary : text);
}
