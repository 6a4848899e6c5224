#include "server/device/answer_relay.h"

#include <mutex>
#include <string>

#include "common/block_frames.h"
#include "common/text_format.h"
#include "server/console/block_printers.h"
#include "server/console/console_slot.h"
#include "server/core/log.h"
#include "server/device/device_slot.h"
#include "server/device/owner_wait.h"

namespace {

// The short firmware answers are not dumped.
bool DumpedFirst(int id) {
    return id != 35 && id != 57 && id != 69 && id != 133;
}

// The bytes a dump shows: the whole text block, or a binary block's data.
std::string DumpBytes(const AnswerFrame& answer) {
    if (IsBinaryBlockFrame(answer.id) && answer.bytes.size() >= 2) return answer.bytes.substr(2);
    return answer.bytes;
}

constexpr int kRelayOrder[] = {33, 35, 48, 50, 52, 54, 57, 59, 61, 67, 69,
                               74, 80, 82, 88, 84, 86, 90, 92, 94, 96, 133};

}  // namespace

std::vector<const AnswerFrame*> AnswersInRelayOrder(const std::vector<AnswerFrame>& answers) {
    std::vector<const AnswerFrame*> ordered;
    for (int id : kRelayOrder) {
        const AnswerFrame* last = nullptr;
        for (const AnswerFrame& answer : answers) {
            if (answer.id == id) last = &answer;
        }
        if (last != nullptr) ordered.push_back(last);
    }
    return ordered;
}

void RelayAcknowledgement(int slot, int owner, bool acknowledged) {
    DeviceSlot& d = tasks[slot];
    if (AcceptsAnswers(owner)) {
        ConsoleSlot& c = consoles[owner];
        std::lock_guard<std::mutex> lock(c.sendLock);
        // A waiter that gave up (time-out, cancellation) released the claim
        // and printed its ending under this lock: the late answer is dropped.
        if (d.owner.load() == owner) {
            bool binary = IsBinary(owner);
            if (!acknowledged) {
                SendTextHeld(owner, binary ? "reject\r\n" : "Odrzucono\r\n");
            } else if (c.requestKind.load() != kRequestKindFirmwareBlocks) {
                SendTextHeld(owner, binary ? "done\r\n" : "Wykonano\r\n");
            }
        }
        int32_t expected = owner;
        d.owner.compare_exchange_strong(expected, kOwnerNone);
        return;
    }
    // Released from the value read: a claim someone took meanwhile stays.
    int32_t expected = owner;
    d.owner.compare_exchange_strong(expected, kOwnerNone);
}

void RelayAnswers(int slot, const std::vector<AnswerFrame>& answers) {
    DeviceSlot& d = tasks[slot];
    for (const AnswerFrame* relayed : AnswersInRelayOrder(answers)) {
        const AnswerFrame& answer = *relayed;
        if (DumpedFirst(answer.id)) {
            std::string hex;
            AppendHexBytes(hex, DumpBytes(answer));
            LogWrite("D%d: %s\n", slot, hex.c_str());
        }
        int32_t owner = d.owner.load();
        if (AcceptsAnswers(owner) && HasAnswerPrinter(answer.id)) {
            std::string devId;
            {
                std::lock_guard<std::mutex> lock(d.textLock);
                devId = d.devId;
            }
            AnswerTarget target{IsBinary(owner), slot, devId};
            std::string text = PrintAnswer(answer.id, answer.bytes, target);
            // Written and released in one step under the session's send lock,
            // and only while the claim still stands: a waiter that timed out
            // meanwhile has printed its ending, and nothing may follow it.
            std::lock_guard<std::mutex> lock(consoles[owner].sendLock);
            if (d.owner.load() == owner) SendTextHeld(owner, text);
            int32_t expected = owner;
            d.owner.compare_exchange_strong(expected, kOwnerNone);
        }
        // Whoever waited, the answer ends that claim (and only that one).
        d.owner.compare_exchange_strong(owner, kOwnerNone);
        NotifyOwnerReleased();
    }
}
