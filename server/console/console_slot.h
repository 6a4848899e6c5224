#pragma once
// The console session table: 50 slots, one per operator connection; the
// index is the log prefix "T%d: " and the value a session writes into a
// unit's `owner` while it waits for the unit's answer.
//
// Invariants: the listener fills a free slot and sets `inUse` (release)
// before the session thread starts; only the session thread clears it.
// Other threads read a slot only while it is in use: the `list` command of
// other sessions (peer, user name, mode) and the unit sessions printing an
// answer to the session that waits (socket, mode, request kind). Text fields
// that others read are guarded by `textLock`; writes to the client's socket
// from several threads are kept whole by `sendLock`.

#include <netinet/in.h>
#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

inline constexpr int kMaxConsoles = 50;
inline constexpr size_t kUploadBufferSize = 253952;

struct ConsoleSlot {
    std::atomic<bool> inUse{false};
    // Set by the session thread once the client has logged in, cleared by it
    // before the session ends. Unit answers are printed only while it is set,
    // so nothing meant for an earlier client reaches one still at the login.
    std::atomic<bool> loggedIn{false};
    sockaddr_in peer{};  // textLock
    std::atomic<int> socket{-1};
    char userName[32]{};  // textLock; "unknown" until login
    pthread_t thread{};
    uint8_t optionState = 0;                    // session thread only: telnet negotiation state
    std::atomic<uint8_t> requestKind{0};        // the kind of the unit request last started
    std::atomic<uint8_t> binaryMode{0};         // 1 binary, 0 text
    uint8_t uploadBuffer[kUploadBufferSize]{};  // session thread only: firmware image
    int32_t uploadLength = 0;                   // session thread only

    mutable std::mutex textLock;
    std::mutex sendLock;
};

extern ConsoleSlot consoles[kMaxConsoles];

// Start-up: no slot in use.
void ClearConsoleSlots();

// Slots in use, read without a lock for the status display.
int CountConsolesInUse();

// Sends `text` to the client of session `session`, whole. The result is not
// reported: a client that went away fails the session's next read.
void SendText(int session, const std::string& text);

// The same for a caller that already holds the session's `sendLock` (to
// write an answer and release the unit as one step).
void SendTextHeld(int session, const std::string& text);

// The binary-mode keyword or the text-mode sentence, as the session's mode asks.
void SendAnswer(int session, const char* binary, const char* text);

bool IsBinary(int session);

// True when `owner` (a unit's owner value) is a console session whose
// logged-in client may be given a unit's answer.
bool AcceptsAnswers(int owner);
