#include "server/device/tacho_session.h"

#include <cstring>
#include <mutex>
#include <string>

#include "common/card_message.h"
#include "common/ddd_layout.h"
#include "server/core/clock.h"
#include "server/core/file_ops.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/unit_workers.h"
#include "server/device/device_slot.h"
#include "server/device/frame_send.h"
#include "server/device/korvalen_http.h"
#include "server/device/korvalen_server.h"
#include "server/device/tacho_frames.h"
#include "server/store/korvalen_store.h"

namespace {

constexpr uint8_t kFrameTachoAuthReply = 147;
constexpr uint8_t kFrameTachoDataReply = 149;

std::string DevId(const DeviceSlot& d) {
    std::lock_guard<std::mutex> lock(d.textLock);
    return d.devId;
}

std::string DownloadFile(const DeviceSlot& d) {
    std::lock_guard<std::mutex> lock(d.textLock);
    return d.downloadFile;
}

void SetDownloadFile(DeviceSlot& d, const std::string& name) {
    std::lock_guard<std::mutex> lock(d.textLock);
    CopyText(d.downloadFile, name);
}

// The connection for the next statement, taken again if an earlier exchange
// gave it back; null when the pool has none.
MYSQL* Connection(SqlLease& db) {
    return db.Resume() ? db.connection() : nullptr;
}

// A text field of a frame as the unit meant it: up to its first NUL.
std::string UpToNul(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

// ---- driver card upload -----------------------------------------------------

void WriteDriverFile(const DeviceSlot& d) {
    DriverFileResult result = AssembleDriverFile(d.driverFile);
    LogWriteEntries(result.log);
    if (!result.ok) return;
    std::string path = DriverFilePath(gConfig.driverDir, UtcTime(WallClockNow()), DevId(d));
    // A file that cannot be written is skipped; its name is logged only once
    // it is really there.
    if (FileReplace(path, result.file)) LogWrite("ESM_FILE=%s\n", path.c_str());
}

// ---- remote download ----------------------------------------------------------

// Status 2: the ".tmp" file becomes the ".ddd" file. False when the rename
// failed, so no name of a file that is not there gets recorded.
bool CompleteDownload(int slot, DeviceSlot& d, std::string& name) {
    std::string from = gConfig.driverDir + name + ".tmp";
    std::string to = gConfig.driverDir + name + ".ddd";
    if (!FileRename(from, to)) {
        LogWrite("D%d: %s->%s failed\n", slot, from.c_str(), to.c_str());
        return false;
    }
    LogWrite("D%d: %s->%s\n", slot, from.c_str(), to.c_str());
    name += ".ddd";
    SetDownloadFile(d, name);
    return true;
}

void KorvNotify(int slot, int status, SqlLease& db, LineOutcome& out) {
    DeviceSlot& d = tasks[slot];
    LogWrite("D%d: KorvNotify=%d\n", slot, status);
    out.answerKind = kPlainAck;
    uint32_t id = d.downloadId.load();
    if (id == 0) return;
    MYSQL* c = Connection(db);
    uint32_t company = d.companyId.load();

    bool recordName = true;
    if (status == 0) {
        // Without a database the card cannot be checked, so it is not taken.
        if (c == nullptr || CardBusyGet(slot, c, company) != 0) {
            out.lineError = true;
        } else {
            CardBusySet(slot, c, company, d.dbId.load());
            d.cardReserved = 1;
        }
    } else if (status == 1) {
        std::string name = DownloadBaseName(UtcTime(WallClockNow()), DevId(d));
        SetDownloadFile(d, name);
        // A new file starts its counters afresh: the last counter of an earlier
        // download must not make this file's first data frame look repeated.
        d.lastDataCounter = 0;
        LogWrite("KORVALEN_FILENAME=%s.tmp\n", name.c_str());
        if (c != nullptr) CardBusySet(slot, c, company, 0);
        d.cardReserved = 0;
    } else if (status == 2) {
        std::string name = DownloadFile(d);
        if (!name.empty()) recordName = CompleteDownload(slot, d, name);
    }

    std::string file = DownloadFile(d);
    const char* recorded = recordName && !file.empty() ? file.c_str() : nullptr;
    if (c == nullptr || KorvalenStatus(slot, c, id, status, recorded, 0) < 0) {
        LogWrite("D%d: ackkorvalen error\n", slot);
    }
    if (status >= 2) {
        if (d.cardReserved.load() != 0) {
            if (c != nullptr) CardBusySet(slot, c, company, 0);
            d.cardReserved = 0;
        }
        d.downloadId = 0;
        SetDownloadFile(d, "");
    }
}

void KorvData(int slot, const LineFrames& f, LineOutcome& out) {
    DeviceSlot& d = tasks[slot];
    LogWrite("D%d: KorvData cntr=%d, len=%d\n", slot, f.korvCounter,
             static_cast<int>(f.korvBytes.size()));
    std::string name = DownloadFile(d);
    // Counters 0 and 1 carry no file data; a repeated counter is a line the
    // unit sent again because it missed the acknowledgement.
    if (f.korvCounter > 1 && !name.empty() && f.korvCounter != d.lastDataCounter.load()) {
        FileAppend(gConfig.driverDir + name + ".tmp", f.korvBytes);
    }
    d.lastDataCounter = f.korvCounter;
    out.answerKind = kPlainAck;
}

void TachoNotify(int slot, const LineFrames& f, SqlLease& db, LineOutcome& out) {
    DeviceSlot& d = tasks[slot];
    std::string link = UpToNul(f.tachoLink);
    LogWrite("D%d: TachoNotify key=%u, event=%d, crcc=%u, link=%s\n", slot, f.tachoNotifyKey,
             f.tachoEvent, f.tachoCrcc, link.c_str());
    MYSQL* c = Connection(db);
    if (c == nullptr || KorvalenStatus(slot, c, f.tachoNotifyKey, f.tachoEvent,
                                       link.empty() ? nullptr : link.c_str(), f.tachoCrcc) < 0) {
        LogWrite("D%d: ackkorvalen error\n", slot);
    }
    if (f.tachoEvent >= 2) d.downloadId = 0;
    out.answerKind = kPlainAck;
}

// The card server exchanges: nothing of the database is held while they wait.
void TachoAuth(int slot, const LineFrames& f, SqlLease& db, LineOutcome& out) {
    LogWrite("D%d: TachoAuth key=%u, len=%d\n", slot, f.tachoAuthKey,
             static_cast<int>(f.tachoAuthBytes.size()));
    db.Pause();
    BlockingScope blocking;
    std::string data = f.tachoAuthBytes;
    if (KorvalenServer(slot, data, kCardModeAuth)) {
        SendDeviceFrame(slot, TachoReplyFrame(kFrameTachoAuthReply, data));
    } else {
        out.lineError = true;
    }
}

void TachoData(int slot, const LineFrames& f, SqlLease& db, LineOutcome& out) {
    LogWrite("D%d: TachoData key=%u, mode=%d, len=%d\n", slot, f.tachoDataKey, f.tachoMode,
             static_cast<int>(f.tachoDataBytes.size()));
    db.Pause();
    BlockingScope blocking;
    std::string data = f.tachoDataBytes;
    if (f.tachoMode == 0) {
        KorvalenServer(slot, data, kCardModeDataNoAnswer);
        return;
    }
    if (KorvalenServer(slot, data, kCardModeData)) {
        SendDeviceFrame(slot, TachoReplyFrame(kFrameTachoDataReply, data));
    } else {
        out.lineError = true;
    }
}

void WebRelay(int slot, const LineFrames& f, SqlLease& db) {
    db.Pause();
    BlockingScope blocking;
    std::string body;
    KorvalenHttp(slot, f.webText, body);
    SendDeviceFrame(slot, WebReplyFrame(static_cast<uint16_t>(f.webCounter + 1), body));
}

}  // namespace

void DriverFileBlock(int slot, const LineFrames& f, LineOutcome& out) {
    DeviceSlot& d = tasks[slot];
    int n = f.driverBlockNo;
    LogWrite("driverblockno=%d tasks[%d].blockno=%d\n", n, slot, d.blockno);
    switch (DriverBlockStep(d.blockno, n)) {
        case DriverBlockAction::kRestart:
        case DriverBlockAction::kStore:
            std::memcpy(d.driverFile + n * kDriverBlockSize, f.driverData, kDriverBlockSize);
            if (n == kDriverBlocks - 1) WriteDriverFile(d);
            d.blockno = static_cast<uint8_t>(n + 1);
            out.answerKind = kPlainAck;
            break;
        case DriverBlockAction::kRepeat:
            out.answerKind = kPlainAck;
            break;
        case DriverBlockAction::kRefuse:
            out.lineError = true;
            break;
    }
}

void TachoDownloadFrames(int slot, const LineFrames& f, SqlLease& db, LineOutcome& out) {
    if (f.korvNotify) KorvNotify(slot, f.korvStatus, db, out);
    if (f.webRequest) WebRelay(slot, f, db);
    if (f.korvData) KorvData(slot, f, out);
    if (f.tachoNotify) TachoNotify(slot, f, db, out);
    if (f.tachoAuth) TachoAuth(slot, f, db, out);
    if (f.tachoData) TachoData(slot, f, db, out);
}
