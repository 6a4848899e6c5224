#include "server/store/queue_sender.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/device/frame_send.h"
#include "server/device/owner_wait.h"
#include "server/store/korvalen_sql.h"
#include "server/store/korvalen_store.h"
#include "server/store/message_store.h"
#include "server/store/sql_pool.h"

namespace {

constexpr size_t kAddrField = 16;
constexpr size_t kMsgField = 150;

std::mutex gWakeMutex;
std::condition_variable gWake;
uint64_t gWakeGeneration = 0;  // gWakeMutex

uint64_t WakeGeneration() {
    std::lock_guard<std::mutex> lock(gWakeMutex);
    return gWakeGeneration;
}

// Sleeps `seconds`, or less when WakeQueueSenders was called since the
// generation `seen` was read (so a wake during a round is not lost).
void Pause(int seconds, uint64_t seen) {
    std::unique_lock<std::mutex> lock(gWakeMutex);
    gWake.wait_for(lock, std::chrono::seconds(seconds), [&] { return gWakeGeneration != seen; });
}

void AnnounceMessage(const QueueItem& item) {
    LogWrite("MSG: Send message to %d/%lu\n", item.slot, static_cast<unsigned long>(item.unitId));
}

void AnnounceRequest(const QueueItem& item) {
    LogWrite("KORV: Send request %d to %d/%lu\n", item.request, item.slot,
             static_cast<unsigned long>(item.unitId));
}

std::string MessageFrame(const QueueItem& item) {
    return VehicleMessageFrame(item.addr, item.msg);
}

std::string RequestFrame(const QueueItem& item) {
    return DownloadRequestFrame(item.id, item.request);
}

}  // namespace

const QueueKind kOutboxQueue = {
    "MSG",           1,           false, &DeviceSlot::messageBackoff, OutboxNext, OutboxSetTries,
    AnnounceMessage, MessageFrame};
const QueueKind kDownloadQueue = {"KORV",
                                  2,
                                  true,
                                  &DeviceSlot::downloadBackoff,
                                  KorvalenNext,
                                  KorvalenSetTries,
                                  AnnounceRequest,
                                  RequestFrame};

std::string VehicleMessageFrame(const std::string& addr, const std::string& msg) {
    std::string frame{43, 0};
    std::string a = addr.substr(0, kAddrField);
    std::string m = msg.substr(0, kMsgField);
    a.resize(kAddrField, '\0');
    m.resize(kMsgField, '\0');
    return frame + a + m;
}

void WakeQueueSenders() {
    {
        std::lock_guard<std::mutex> lock(gWakeMutex);
        ++gWakeGeneration;
    }
    gWake.notify_all();
}

int QueueSender::Round() {
    int db = SqlAcquire();
    if (db < 0) {
        LogWrite("%s: Can't connect to database\n", m_kind.who);
        return kQueueIdleSeconds;
    }
    QueueItem item;
    int found = m_kind.next(SqlConnection(db), m_lastUnit, item);
    if (found < 0) {
        m_lastUnit = 0;
        SqlRelease(db, true);
        m_delivered = false;
        return kQueueIdleSeconds;
    }
    if (found == 0) {
        // The pass reached the last unit; the next one starts from the first.
        m_lastUnit = 0;
        SqlRelease(db, false);
        int pause = m_delivered ? 0 : kQueueIdleSeconds;
        m_delivered = false;
        return pause;
    }

    DeviceSlot& unit = tasks[item.slot];
    m_lastUnit = unit.dbId.load();
    if ((unit.*m_kind.backoff).load() != 0) {
        SqlRelease(db, false);
        return 0;
    }
    item.attempts += 1;
    m_delivered = true;
    // The delivery goes on even when the attempts could not be recorded.
    bool recorded = m_kind.setTries(SqlConnection(db), item.id, item.attempts) == 1;
    SqlRelease(db, !recorded);
    Deliver(item);
    return 0;
}

void QueueSender::Deliver(const QueueItem& item) {
    DeviceSlot& unit = tasks[item.slot];
    // Claim first: the request fields belong to whoever holds the claim, so a
    // sender that loses the unit to the other sender (or a console) must not
    // touch them, or the unit's answer is booked as the wrong kind.
    int32_t none = kOwnerNone;
    if (!unit.owner.compare_exchange_strong(none, kOwnerSender)) {
        // Claimed by someone else meanwhile; the next pass retries.
        return;
    }
    m_kind.announce(item);
    unit.requestId = item.id;
    unit.requestIsDownload = m_kind.isDownload ? 1 : 0;
    unit.requestResult = 0;
    int32_t claimed = kOwnerSender;
    if (!SendDeviceFrame(item.slot, m_kind.frame(item))) {
        unit.owner.compare_exchange_strong(claimed, kOwnerNone);
    } else if (!WaitWhileClaimed(item.slot, kOwnerSender, gConfig.cmmdTimeout)) {
        unit.owner.compare_exchange_strong(claimed, kOwnerNone);
    }
    // The unit may have gone while we waited and its slot been given to
    // another unit: that one's deliveries must not inherit this back-off.
    if (unit.state.load() == kSlotFree || unit.dbId.load() != item.unitId) return;
    int8_t result = unit.requestResult.load();
    if (result == 0) {
        (unit.*m_kind.backoff).store(static_cast<uint32_t>(item.attempts) * kNoAnswerBackoff);
    } else if (result < 0) {
        (unit.*m_kind.backoff).store(kRefusalBackoff);
    }
}

void QueueSender::Run() {
    std::this_thread::sleep_for(std::chrono::seconds(m_kind.startPauseSeconds));
    for (;;) {
        uint64_t generation = WakeGeneration();
        int pause = Round();
        if (pause > 0) Pause(pause, generation);
    }
}

void OutboxSender() {
    QueueSender(kOutboxQueue).Run();
}

void DownloadRequestSender() {
    QueueSender(kDownloadQueue).Run();
}
