#pragma once
// How a console session asks a unit something: claim the unit (its `owner`
// becomes the session's index, by compare-and-set, so two waiters can never
// both hold it), send the line, and wait while keeping the client informed
// and letting it cancel; the unit's session prints the answer and releases
// the claim. Every outcome is reported to the client as a keyword (binary
// mode) or a sentence (text mode).

#include <string>

// Sends `text` to unit `device` for session `session` and waits for the
// answer; a UDP unit that was heard from but did not answer gets the line
// again, five times at most.
void SendAndWait(int device, int session, const std::string& text, int kind);

// The wait itself. 1 asks the caller to send again (a UDP unit is alive but
// did not answer in time); 0 when the outcome has been reported.
int WaitForAnswer(int device, int session, bool binary);

// For one record of a series: 0 when the unit answered (or the line could
// not be sent), 1 for every other outcome (reported to the client).
int SendAndWaitOnce(int device, int session, const std::string& text, int kind);

// Claims unit `device` for `session`; false when another waiter has it.
bool ClaimDevice(int device, int session);
