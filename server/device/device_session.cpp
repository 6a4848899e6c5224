#include "server/device/device_session.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "common/text_format.h"
#include "server/core/clock.h"
#include "server/core/counters.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/socket_ops.h"
#include "server/core/unit_workers.h"
#include "server/device/answer_relay.h"
#include "server/device/device_slot.h"
#include "server/device/frame_send.h"
#include "server/device/line_outcome.h"
#include "server/device/line_parser.h"
#include "server/device/owner_wait.h"
#include "server/device/slot_table.h"
#include "server/device/tacho_session.h"
#include "server/store/device_registry.h"
#include "server/store/korvalen_store.h"
#include "server/store/location_store.h"
#include "server/store/message_store.h"
#include "server/store/queue_sender.h"
#include "server/store/statdata_sql.h"
#include "server/store/status_event.h"

namespace {

constexpr char kFrameAck = 38;
constexpr char kFrameNack = 41;

void StoreIdentity(DeviceSlot& d, const LineFrames& f, bool withSerial) {
    std::lock_guard<std::mutex> lock(d.textLock);
    if (withSerial) CopyText(d.devId, f.devId);
    CopyText(d.description, f.description);
    CopyText(d.ccid, f.ccid);
    CopyText(d.vin, f.vin);
    CopyText(d.vrn, f.vrn);
}

// The registry step of an identification: the devices row, then the
// acknowledgement asked for (with the server time for a unit that reported
// its firmware version).
int Register(int slot, MYSQL* db, const LineFrames& f, LineOutcome& out) {
    if (writetodevices(slot, db) < 0) {
        LogWrite("D%d: writetodevices error\n", slot);
        return -1;
    }
    out.answerKind = f.version != 0 ? kTimeAck : kPlainAck;
    out.identified = true;
    return 0;
}

int Identify(int slot, MYSQL* db, const LineFrames& f, LineOutcome& out) {
    DeviceSlot& d = tasks[slot];
    LogWrite("D%d: %s %s\n", slot, f.devId, f.description);
    StoreIdentity(d, f, true);
    d.version = f.version;
    d.loggedIn = 1;
    d.pico = f.identPico ? 1 : 0;
    HandOver(slot);
    StatusEventOn(db, slot, kEventIdentified, 0, d.pico.load());
    return Register(slot, db, f, out);
}

int Reidentify(int slot, MYSQL* db, const LineFrames& f, LineOutcome& out) {
    DeviceSlot& d = tasks[slot];
    LogWrite("D%d: %s\n", slot, f.description);
    StoreIdentity(d, f, false);
    d.version = f.version;
    d.loggedIn = 1;
    d.pico = f.reidentPico ? 1 : 0;
    d.location.present = 0;
    uint32_t received = d.bytesReceived.load();
    uint32_t sent = d.bytesSent.load();
    if (received != 0 || sent != 0) {
        LogWrite("D%d: Reconnected %lu %lu\n", slot, static_cast<unsigned long>(received),
                 static_cast<unsigned long>(sent));
        StatusEventOn(db, slot, kEventConnectionEnd, received, sent);
        d.bytesReceived = 0;
        d.bytesSent = 0;
    }
    StatusEventOn(db, slot, kEventIdentified, 1, d.pico.load());
    return Register(slot, db, f, out);
}

// The unit's answer (37 acknowledged, 44 refused) to whatever request of the
// server it concerns: decided by who waits for it.
void AnswerServerRequest(int slot, MYSQL* db, bool acknowledged) {
    DeviceSlot& d = tasks[slot];
    int32_t owner = d.owner.load();
    unsigned long dbId = d.dbId.load();
    if (owner == kOwnerSender) {
        bool download = d.requestIsDownload.load() != 0;
        const char* who = download ? "KORV" : "MSG";
        if (acknowledged) {
            LogWrite("%s: Receive ack from %d/%lu\n", who, slot, dbId);
            d.requestResult = 1;
            uint32_t request = d.requestId.load();
            // A failed bookkeeping statement is logged; the unit's answer stands.
            if (download) {
                d.downloadId = request;
                if (ackkorvalen(slot, db, request) < 0) LogWrite("D%d: ackkorvalen error\n", slot);
            } else if (ackmessages(slot, db, request) < 0) {
                LogWrite("D%d: ackmessages error\n", slot);
            }
        } else {
            LogWrite("%s: Receive nack from %d/%lu\n", who, slot, dbId);
            d.requestResult = -1;
        }
    } else if (owner >= 0 && owner < kOwnerSender) {
        RelayAcknowledgement(slot, owner, acknowledged);
    } else if (owner == kOwnerOfflineConfig) {
        LogWrite(acknowledged ? "CFG: Receive ack from %d\n" : "CFG: Receive nack from %d\n", slot);
        // The answer is booked on the configuration that was sent (status 2
        // to 4), by compare-and-set: one the console stored after the claim
        // was read here is still to be sent and stays pending.
        int8_t sent = d.offlineStatus.load();
        if (sent >= 2 && sent <= 4 &&
            d.offlineStatus.compare_exchange_strong(sent, acknowledged ? 7 : 6)) {
            std::lock_guard<std::mutex> lock(d.textLock);
            d.offlineTime = UtcTime(WallClockNow());
        }
    }
    // Released from the value read: a claim someone took meanwhile stays.
    d.owner.compare_exchange_strong(owner, kOwnerNone);
    NotifyOwnerReleased();
}

void TunnelClose(DeviceSlot& d) {
    if (d.tunnelOpen.load()) {
        SockClose(d.tunnelSocket.load());
        d.tunnelSocket = -1;
        d.tunnelOpen = 0;
    }
}

// A tunnel to the far end the unit names. The connect gives up after
// SND_TIMEOUT seconds and holds no database connection while it waits, so
// units asking for tunnels to a host that never answers cannot take the
// pool away from the rest of the fleet. A unit that has not identified
// itself gets no tunnel.
void TunnelConnect(int slot, const LineFrames& f, SqlLease& lease, LineOutcome& out) {
    DeviceSlot& d = tasks[slot];
    std::string address = StringPrintf("%d.%d.%d.%d", f.tunnelAddress[0], f.tunnelAddress[1],
                                       f.tunnelAddress[2], f.tunnelAddress[3]);
    LogWrite("D%d: SocketConnect %s %s:%d\n", slot, f.tunnelKind != 0 ? "TCP" : "UDP",
             address.c_str(), f.tunnelPort);
    TunnelClose(d);
    if (f.tunnelKind != 0 && d.tcp.load() != 0 && d.loggedIn.load() != 0) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(f.tunnelPort);
        std::memcpy(&to.sin_addr, f.tunnelAddress, 4);
        lease.Pause();
        BlockingScope blocking;
        UniqueFd tunnel;
        if (SockConnectTcpWithin(to, std::max(gConfig.sndTimeout, 1) * 1000, tunnel) ==
            ConnectResult::kOk) {
            LogWrite("D%d: SocketConnect OK\n", slot);
            d.tunnelSocket = tunnel.Release();
            d.tunnelOpen = 1;
            out.answerKind = kPlainAck;
            return;
        }
    }
    LogWrite("D%d: SocketConnect ERROR\n", slot);
    out.lineError = true;
}

void TunnelData(int slot, const LineFrames& f, LineOutcome& out) {
    DeviceSlot& d = tasks[slot];
    std::string hex;
    AppendHexBytes(hex, f.tunnelBytes);
    LogWrite("D%d: SocketSend %s\n", slot, hex.c_str());
    if (d.tunnelOpen.load() &&
        TunnelSend(d.tunnelSocket.load(), f.tunnelBytes.data(), f.tunnelBytes.size())) {
        LogWrite("D%d: SocketSend OK\n", slot);
        out.answerKind = kPlainAck;
        return;
    }
    LogWrite("D%d: SocketSend ERROR\n", slot);
    out.lineError = true;
}

// Before the acknowledgement: a pending offline configuration goes out
// while nobody else waits for the unit, at most three times.
void SendOfflineConfig(int slot) {
    DeviceSlot& d = tasks[slot];
    int32_t owner = d.owner.load();
    if (owner == kOwnerOfflineConfig) {
        // Sent, and the unit answered with another line instead.
        d.owner.compare_exchange_strong(owner, kOwnerNone);
    }
    if (d.owner.load() != kOwnerNone) return;
    // The status moves on from the value read, by compare-and-set: a
    // configuration the console stores meanwhile (status 1 again) is
    // neither given up nor counted as an earlier one's send.
    int8_t status = d.offlineStatus.load();
    if (status == 4) {
        d.offlineStatus.compare_exchange_strong(status, 5);
        return;
    }
    if (status < 1 || status > 3) return;
    int32_t none = kOwnerNone;
    if (!d.owner.compare_exchange_strong(none, kOwnerOfflineConfig)) return;
    if (!d.offlineStatus.compare_exchange_strong(status, static_cast<int8_t>(status + 1))) {
        int32_t mine = kOwnerOfflineConfig;
        d.owner.compare_exchange_strong(mine, kOwnerNone);
        return;  // replaced just now: the new one goes out after the next line
    }
    LogWrite("CFG: Send offline config %d/%d\n", slot, d.offlineType.load());
    std::string text;
    {
        std::lock_guard<std::mutex> lock(d.textLock);
        d.offlineTime = UtcTime(WallClockNow());
        text = d.offlineText;
    }
    if (SendToDevice(slot, text)) {
        d.bytesSent += static_cast<uint32_t>(text.size());
        total_sent += static_cast<uint32_t>(text.size());
    }
}

void Acknowledge(int slot, int answerKind) {
    std::string frame{kFrameAck, 0};
    if (answerKind == kTimeAck) {
        uint32_t now = static_cast<uint32_t>(WallClockNow());
        for (int i = 0; i < 4; ++i) frame += static_cast<char>((now >> (8 * i)) & 0xFF);
    }
    SendDeviceFrame(slot, frame);
}

}  // namespace

LineParse ParseUnitLine(int slot, LineFrames& f) {
    DeviceSlot& d = tasks[slot];
    return ParseDeviceLine(d.line, f, d.location);
}

int ProcessDeviceLine(int slot, SqlLease& lease) {
    LineFrames f;
    LineParse parse = ParseUnitLine(slot, f);
    if (!f.frameLog.empty()) LogAppend("%s\n", f.frameLog.c_str());
    return ProcessParsedLine(slot, f, parse, lease);
}

int ProcessParsedLine(int slot, const LineFrames& f, LineParse parse, SqlLease& lease) {
    DeviceSlot& d = tasks[slot];
    MYSQL* db = lease.connection();
    if (parse == LineParse::kEmpty) return 1;
    if (parse == LineParse::kDiscarded) return 0;
    for (const GpsDateError& e : f.dateErrors) {
        LogWrite("D%d: GPS date/time error %04d-%02d-%02d %02d:%02d:%02d\n", slot, e.year, e.month,
                 e.day, e.hour, e.minute, e.second);
    }

    LineOutcome out;
    if (f.ident && Identify(slot, db, f, out) < 0) return -1;
    if (f.reident) {
        if (Reidentify(slot, db, f, out) < 0) return -1;
    } else if (f.location) {
        // The location of a re-identification line is not stored.
        if (d.loggedIn.load()) {
            if (writetolocdata(slot, db, d.location, d.dbId.load()) < 0) {
                LogWrite("D%d: writetolocdata error\n", slot);
                return -1;
            }
            out.answerKind = kPlainAck;
        } else {
            out.lineError = true;
        }
    }
    if (f.message) {
        const MessagePosition* position = f.messageHasPosition ? &f.messagePosition : nullptr;
        if (writetoinbox(slot, db, d.dbId.load(), f.messageAddr, f.messageText, position) < 0) {
            LogWrite("D%d: writetoinbox error\n", slot);
            return -1;
        }
        out.answerKind = kPlainAck;
    }
    RelayAnswers(slot, f.answers);
    if (f.ack) AnswerServerRequest(slot, db, true);
    if (f.nack) AnswerServerRequest(slot, db, false);
    if (f.ackRequest) out.answerKind = kPlainAck;
    if (f.driverBlock) DriverFileBlock(slot, f, out);

    if (f.tunnelConnect) TunnelConnect(slot, f, lease, out);
    if (f.tunnelDisconnect) {
        LogWrite("D%d: SocketDisconnect\n", slot);
        TunnelClose(d);
        out.answerKind = kPlainAck;
    }
    if (f.tunnelData) TunnelData(slot, f, out);
    TachoDownloadFrames(slot, f, lease, out);

    // Everything is stored: the answers go out without a database
    // connection, so a unit that does not read them holds none of the pool
    // while its send times out.
    lease.Pause();
    if (out.answerKind != kNoAnswer) {
        SendOfflineConfig(slot);
        Acknowledge(slot, out.answerKind);
    }
    if (out.lineError) SendDeviceFrame(slot, std::string{kFrameNack, 0});
    if (f.agps) {
        LogWrite("D%d: A-GPS done\n", slot);
        SendDeviceFrame(slot, std::string{kFrameAck, 0});
    }
    // Only now may the senders send: a unit must get the answer to its
    // identification before any message or download request.
    if (out.identified) WakeQueueSenders();
    return 1;
}
