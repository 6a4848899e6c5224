#include "manager/logic/manager_state.h"

bool StatusTick(ManagerState& state) {
    if (state.busy) ++state.busyTicks;
    if (state.statusCountdown > 0) {
        if (--state.statusCountdown > 0) return false;
        state.statusText = QStringLiteral("Ready");
        return true;
    }
    if (!state.busy) return false;
    state.statusText = QStringLiteral("Executing command: ") +
                       QString::number(state.busyTicks / 10.0, 'f', 1) + QStringLiteral("...");
    return true;
}
