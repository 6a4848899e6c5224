#pragma once
// The unit slot table `tasks`: everything the server knows about a unit that
// is, or recently was, connected. The slot index (0..1999) is the unit's
// handle everywhere: log prefix "D%d: ", console list, request routing.
//
// Invariants of the table:
//  - 2000 slots, statically allocated, never grown or compacted.
//  - `state` alone decides whether a slot is in use (0 free, 1 held,
//    2 active); other fields mean something only while `state` is not 0.
//  - A free slot is taken only under gSlotTableLock, and is filled completely
//    before `state` becomes 2 (release store), so a reader that sees 2 sees
//    the filled slot.
//  - Held -> free happens in the held-slot sweep and in the identification
//    hand-over; both use a compare-and-set so neither frees a slot the other
//    already gave away.
//  - `owner` is -1 while nobody waits for the unit's answer; a waiter claims
//    it by a compare-and-set from -1 and whoever consumes the answer or gives
//    up sets it back to -1.
//
// Thread contract: the unit worker running the slot's connection (TCP; one
// worker at a time, handed on through the worker queue) or the UDP thread
// (all UDP slots) is the only writer of the receive fields (`line`, `lineLength`,
// `lastReceive`, `bytesReceived`, `terminator`), of `location` and of the
// identity. Fields read or written by other threads are atomic; the text
// fields that other threads read (identity, peer, offline configuration,
// download file name) are guarded by the slot's own `textLock`.

#include <netinet/in.h>
#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>

#include "common/location_record.h"

inline constexpr int kMaxDevices = 2000;
inline constexpr int kLineSize = 1024;  // received line, terminator replaced by NUL
inline constexpr int kDriverBlocks = 112;
inline constexpr int kDriverBlockSize = 256;
inline constexpr int kDownloadFileSize = 68;

enum SlotState : uint8_t { kSlotFree = 0, kSlotHeld = 1, kSlotActive = 2 };

// Who waits for the unit's next answer (`owner`).
inline constexpr int32_t kOwnerNone = -1;
inline constexpr int32_t kOwnerSender = 50;         // outbox or download sender
inline constexpr int32_t kOwnerOfflineConfig = 51;  // offline configuration delivery
inline constexpr int32_t kOwnerTunnelClose = 52;    // tunnel-closed frame unacknowledged
inline constexpr int32_t kOwnerTunnelData = 53;     // tunnel data frame unacknowledged

struct DeviceSlot {
    std::atomic<uint8_t> state{kSlotFree};
    std::atomic<uint8_t> tcp{0};  // 1 TCP, 0 UDP
    sockaddr_in peer{};           // textLock; for UDP the sender of the latest datagram
    std::atomic<int> socket{-1};  // TCP: the connection; UDP: the shared server socket
    std::atomic<uint8_t> loggedIn{0};
    std::atomic<uint32_t> dbId{0};  // devices.id, 0 until known
    char devId[15 + 1]{};           // textLock; serial number (devices.sn)
    char description[16 + 1]{};     // textLock
    char ccid[20 + 1]{};            // textLock; SIM card number
    std::atomic<int32_t> owner{kOwnerNone};
    std::atomic<uint32_t> requestId{0};         // outbox message or download request last sent
    std::atomic<uint8_t> requestIsDownload{0};  // 0: requestId is a message; 1: a download
    uint32_t lineLength = 0;                    // receive thread only
    char line[kLineSize]{};                     // receive thread only
    std::tm loginTime{};                        // set at allocation, before state becomes 2
    std::atomic<int64_t> lastReceive{0};        // seconds since 1970
    std::atomic<uint32_t> bytesReceived{0};
    std::atomic<uint32_t> bytesSent{0};
    bool sendBusy = false;   // sendLock
    int64_t nextSendNs = 0;  // sendLock: steady-clock time before which no line may follow
    std::atomic<uint8_t> newProtocol{0};
    LocationRecord location{};  // receive thread only
    std::atomic<uint8_t> routeEvent{0};
    std::atomic<uint8_t> terminate{0};
    std::atomic<uint8_t> pico{0};
    std::atomic<uint8_t> terminator{'\n'};
    uint8_t blockno = kDriverBlocks;  // receive thread only; 112: no transfer
    uint8_t driverFile[kDriverBlocks * kDriverBlockSize]{};  // receive thread only
    std::atomic<int8_t> offlineStatus{
        0};  // 0 none, 1 stored, 2..4 sent, 5 given up, 6 refused, 7 acknowledged
    std::atomic<int8_t> offlineType{0};
    std::tm offlineTime{};          // textLock
    char offlineText[kLineSize]{};  // textLock; complete line with terminator
    std::atomic<uint8_t> tunnelOpen{0};
    std::atomic<int> tunnelSocket{-1};
    std::atomic<uint8_t> tunnelCountdown{0};
    char vin[17 + 1]{};                        // textLock
    char vrn[13 + 1]{};                        // textLock
    std::atomic<uint32_t> messageBackoff{0};   // seconds, counted down by the tick
    std::atomic<uint32_t> downloadBackoff{0};  // seconds, counted down by the tick
    std::atomic<int8_t> requestResult{0};      // 0 none yet, 1 acknowledged, -1 refused
    std::atomic<uint32_t> downloadId{0};
    char downloadFile[kDownloadFileSize]{};  // textLock
    std::atomic<uint32_t> lastDataCounter{0};
    std::atomic<uint32_t> companyId{0};
    std::atomic<uint32_t> cardReserved{0};
    std::atomic<uint32_t> version{0};

    mutable std::mutex textLock;
    // Guards sendBusy and nextSendNs, so each outgoing line is whole on the
    // socket; sendDone wakes a thread waiting for this unit's send to end.
    std::mutex sendLock;
    std::condition_variable sendDone;
};

extern DeviceSlot tasks[kMaxDevices];

// Taken only while a listener looks for and fills a free slot.
extern std::mutex gSlotTableLock;
// Values every newly taken slot starts with, all but `tcp`: `socket` and
// `peer` are the unit's, `now` (seconds since 1970) its login and
// last-receive time; no byte received yet, lines ending in '\n'. Called
// under gSlotTableLock with the slot still free; `state` becomes 2 only
// after this.
void ResetDeviceSlot(DeviceSlot& d, int socket, const sockaddr_in& peer, int64_t now);

// Start-up: every slot free and reset as a newly taken one, with no send
// under way.
void ClearDeviceSlots();

// Number of active slots (state 2), read without a lock.
int CountActiveDeviceSlots();

// Decreases `counter` by one when it is above 0; never below 0, even while a
// sender sets it at the same time. True when this step brought it to 0.
bool CountDown(std::atomic<uint32_t>& counter);
