#pragma once
// The two delivery queues' sender threads: the outbox sender (#7) hands
// dispatcher messages to vehicles, the download request sender (#8) hands
// tachograph download requests to units. One entry at a time per thread:
// each pass walks the units in ascending devices.id and gives each idle,
// identified TCP unit (not PICO, not in back-off) its oldest pending entry,
// then waits CMMD_TIMEOUT seconds for the unit's answer. No answer backs the
// unit off for attempts x 300 s, a refusal for an hour; an entry is tried 10
// times at most.

#include <atomic>
#include <cstdint>
#include <string>

#include <mysql.h>

#include "server/device/device_slot.h"
#include "server/store/queue_item.h"

// What differs between the two queues.
struct QueueKind {
    const char* who;  // log prefix: "MSG" or "KORV"
    int startPauseSeconds;
    bool isDownload;
    std::atomic<uint32_t> DeviceSlot::*backoff;
    int (*next)(MYSQL* connection, uint32_t lastUnit, QueueItem& item);
    int (*setTries)(MYSQL* connection, uint32_t id, int attempts);
    void (*announce)(const QueueItem& item);      // the "Send ..." log entry
    std::string (*frame)(const QueueItem& item);  // what the unit receives
};

extern const QueueKind kOutboxQueue;
extern const QueueKind kDownloadQueue;

inline constexpr int kQueueIdleSeconds = 30;  // after a pass that delivered nothing, or a failure
inline constexpr uint32_t kNoAnswerBackoff = 300;  // x attempts
inline constexpr uint32_t kRefusalBackoff = 3600;

class QueueSender {
  public:
    explicit QueueSender(const QueueKind& kind) : m_kind(kind) {}

    // One round of the loop: at most one delivery. Returns the seconds to
    // pause before the next round.
    int Round();

    // The thread body: the start pause, then rounds forever.
    [[noreturn]] void Run();

  private:
    void Deliver(const QueueItem& item);

    const QueueKind& m_kind;
    uint32_t m_lastUnit = 0;
    bool m_delivered = false;
};

// The frame 43 of a message: address in 16 bytes, text in 150 bytes, each
// NUL-padded (cut when longer).
std::string VehicleMessageFrame(const std::string& addr, const std::string& msg);

// Thread entries.
void OutboxSender();
void DownloadRequestSender();

// Cuts a sender's idle pause short: something may have become deliverable
// (a unit identified itself, a back-off ran out, an entry was queued here).
// The pause after a failure is cut as well: a unit identifying itself is the
// moment a retry matters. Dispatchers writing the tables directly are picked
// up within the 30-second pause.
void WakeQueueSenders();
