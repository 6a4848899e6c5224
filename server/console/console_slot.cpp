#include "server/console/console_slot.h"

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
