#pragma once
// Waiting for a unit's answer. A waiter (queue sender, console session)
// claims a unit by setting its `owner`; the unit's session releases it when
// the answer arrives. Releases are signalled, so a waiter wakes at once
// instead of at its next one-second check.

#include <cstdint>

// Called after an answer set a unit's `owner` back to -1, or a unit's
// connection ended (its state left "active").
void NotifyOwnerReleased();

// Waits up to `seconds` one-second steps while unit `slot` is active and
// its `owner` is still `owner`. True when the claim ended in time.
bool WaitWhileClaimed(int slot, int32_t owner, int seconds);
