#pragma once
// Relaying a unit's answers to the console session that waits for them:
// the answer blocks through their printers, acknowledgements and refusals as
// final console lines. Runs on the unit's connection thread, inside its
// session; the whole answer is written before the claim is released.

#include <vector>

#include "server/device/line_frames.h"

// Frame 37 (acknowledged) or 44 (refused) of unit `slot` while console
// session `owner` waits: "done"/"Wykonano" or "reject"/"Odrzucono" in the
// session's mode, then the claim released. Nothing is written for a session
// that is gone, nor for an acknowledged block of a firmware transfer, which
// watches the claim itself. Writing and releasing happen under the session's
// send lock, so its waiting loop never prints a progress sign after the answer;
// and only while the claim `owner` still stands: a waiter that gave up (time-
// out, cancellation) printed its own ending under that lock and the late
// answer is dropped. The release is a compare-and-set from `owner`, so a
// claim taken since (the session's next record) is left alone.
void RelayAcknowledgement(int slot, int owner, bool acknowledged);

// The answer blocks of one line in relay order: each is dumped to the log
// (all but the short firmware answers), printed to the waiting console
// session in its mode (only while the claim read for it stands, as above),
// and the claim on the unit released.
void RelayAnswers(int slot, const std::vector<AnswerFrame>& answers);

// The answers of one line as they are relayed: one per frame kind (a kind
// that came twice keeps its last payload, as a unit's newer block replaces
// the older one), kinds in the fixed order 33, 35, 48, 50, 52, 54, 57, 59,
// 61, 67, 69, 74, 80, 82, 88, 84, 86, 90, 92, 94, 96, 133 whatever their
// order in the line. Console clients rely on that order when a line carries
// several blocks.
std::vector<const AnswerFrame*> AnswersInRelayOrder(const std::vector<AnswerFrame>& answers);

// The request kind of the block-by-block firmware transfer.
inline constexpr int kRequestKindFirmwareBlocks = 27;
