#include "server/device/answer_relay.h"

#include "server/console/console_slot.h"

void RelayAcknowledgement(int owner, bool acknowledged) {
    if (owner < 0 || owner >= kMaxConsoles || !consoles[owner].inUse.load()) return;
    if (acknowledged) {
        if (consoles[owner].requestKind.load() == kRequestKindFirmwareBlocks) return;
        SendAnswer(owner, "done\r\n", "Wykonano\r\n");
    } else {
        SendAnswer(owner, "reject\r\n", "Odrzucono\r\n");
    }
}
