#pragma once
// How a console session asks a unit something: claim the unit (its `owner`
// becomes the session's index, by compare-and-set, so two waiters can never
// both hold it), send the line, and wait while keeping the client informed
// and letting it cancel; the unit's session prints the answer and releases
// the claim. Every outcome is reported to the client as a keyword (binary
// mode) or a sentence (text mode).
//
// The waiter and the unit's answer relay meet under the session's send lock:
// the relay prints an answer only while the claim it read still stands, and
// the waiter's own endings (time-out, cancellation) release the claim by
// compare-and-set and print their text as one step under that lock. So an
// answer arriving just as the waiter gives up is either printed before the
// waiter's ending (which then does not happen) or dropped; nothing of it
// follows "timeout" or the next "command".

#include <string>

// Sends `text` to unit `device` for session `session` and waits for the
// answer; a UDP unit that was heard from but did not answer gets the line
// again, five times at most.
void SendAndWait(int device, int session, const std::string& text, int kind);

// The wait itself. 1 asks the caller to send again (a UDP unit is alive but
// did not answer in time); 0 when the outcome has been reported.
int WaitForAnswer(int device, int session, bool binary);

// SendAndWaitOnce results.
inline constexpr int kOnceAnswered = 0;  // the unit answered (its answer was printed)
inline constexpr int kOnceReported = 1;  // busy, time-out, cancellation, lost unit: reported
inline constexpr int kOnceNotSent = -1;  // the line could not be sent; nothing reported

// For one record of a series. A session that still holds the unit from its
// previous record may send the next one; the claim is set again before the
// line goes out. When the line cannot be sent the claim is released and the
// caller reports the failure (a series must not go on as if the unit had
// acknowledged a record it never received).
int SendAndWaitOnce(int device, int session, const std::string& text, int kind);

// Claims unit `device` for `session`; false when another waiter has it.
bool ClaimDevice(int device, int session);

// Claims unit `device` for `session` whether it is free or already held by
// the session: a compare-and-set from the value read, read again when that
// value changed meanwhile (a release landing between the read and the
// store), so the claim is never left unset and never taken from another
// waiter. False when another waiter has it.
bool ReclaimDevice(int device, int session);

// Releases the session's claim and prints `binary` / `text` (by the
// session's mode) as one step under the session's send lock. False, with
// nothing printed, when the claim is no longer the session's: the unit's
// answer was printed and released it meanwhile, or another waiter has it.
bool ReleaseWithAnswer(int device, int session, const char* binary, const char* text);

// How a wait ended.
enum class WaitEnd {
    kReleased,   // the claim ended (answer printed, unit gone, taken over)
    kCancelled,  // the client sent bytes; reported
    kTimedOut,   // CMMD_TIMEOUT passed; reported
    kResend,     // a UDP unit alive but silent: send again (only with the UDP rule)
};

// What a wait prints when it ends by itself, in binary and in text mode.
struct WaitEndings {
    const char* cancelledBinary;
    const char* cancelledText;
    const char* timedOutBinary;
    const char* timedOutText;
};

// The wait loop: a progress sign every 250 ms tick ("waiting" once in four
// ticks in binary mode, a spinner in text mode) while the unit is active
// and claimed by the session; bytes from the client cancel; CMMD_TIMEOUT x 4
// ticks time out. With `udpRule`, a UDP unit does not time out: it asks for a
// re-send when heard from in the last 15 seconds, otherwise goes on waiting.
WaitEnd WaitWhileOwned(int device, int session, const WaitEndings& endings, bool udpRule);

// Bytes from the client cancel a request: they are given a second to arrive
// whole, then up to 256 of them are thrown away.
void DiscardCancellation(int session);
