#include "server/console/firmware_upload.h"

#include <chrono>
#include <thread>

#include "common/base64_writer.h"
#include "common/text_format.h"
#include "server/console/console_slot.h"
#include "server/console/firmware_frames.h"
#include "server/console/firmware_image.h"
#include "server/console/request_protocol.h"
#include "server/core/counters.h"
#include "server/core/log.h"
#include "server/core/socket_ops.h"
#include "server/device/device_slot.h"
#include "server/device/frame_send.h"
#include "server/device/slot_table.h"

namespace {

constexpr int kMaskTcpGen123 = 0x105;
constexpr int kRequestKindFirmware = 5;
constexpr int kInputWaitMs = 250;
// Units write each block to flash before the next one may come; a
// generation-2 unit over TCP needs far longer.
constexpr int kPauseGen2TcpMs = 1500;
constexpr int kPauseMs = 330;

const WaitEndings kConfirmationEndings = {
    "terminated\r\n",
    "Anulowano\r\n",
    "timeout\r\n",
    "Timeout\r\n",
};

enum class BlocksEnd {
    kAllSent,    // every block went out
    kReported,   // stopped, claim released and the reason printed
    kClaimLost,  // the unit went away, answered or was taken over
};

// Stops the upload with a failure text, releasing the claim with it.
BlocksEnd Stop(int device, int session, const char* binary, const char* text) {
    return ReleaseWithAnswer(device, session, binary, text) ? BlocksEnd::kReported
                                                            : BlocksEnd::kClaimLost;
}

// Progress of block `block` (from 0) of `count`, printed only while the
// session still holds the unit, so nothing follows a confirmation printed
// by the unit's session.
bool PrintProgress(int device, int session, int block, int count) {
    ConsoleSlot& c = consoles[session];
    std::lock_guard<std::mutex> lock(c.sendLock);
    if (tasks[device].owner.load() != session) return false;
    SendTextHeld(session, IsBinary(session)
                              ? StringPrintf("progress %d\r\n", 100 * (block + 1) / count)
                              : StringPrintf("%d/%d\r", block + 1, count));
    return true;
}

BlocksEnd SendBlocks(int device, int session, uint8_t commandId, FirmwareImage& image) {
    DeviceSlot& d = tasks[device];
    int count = FirmwareBlockCount(image.size());
    int pauseMs = DeviceTypeCode(device) == kProtoGen2Tcp ? kPauseGen2TcpMs : kPauseMs;
    char terminator = static_cast<char>(d.terminator.load());
    int socket = consoles[session].socket.load();
    uint32_t checksum = 0;
    for (int block = 0; block < count; ++block) {
        std::string bytes = image.Read(kFirmwareBlockBytes);
        bool ended = bytes.size() < kFirmwareBlockBytes;
        checksum = AddBlockToChecksum(checksum, block, count, bytes);
        std::string frame = FirmwareBlockFrame(commandId, block, bytes, checksum);
        LogWrite("TelnetWriteFirm: data=%s\n", FirmwareBlockLogText(frame).c_str());
        if (!PrintProgress(device, session, block, count)) return BlocksEnd::kClaimLost;
        if (SockWaitReadable(socket, kInputWaitMs) != 0) {
            DiscardCancellation(session);
            return Stop(device, session, "terminated\r\n", "\nAnulowano\r\n");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        if (ended) return Stop(device, session, "error\r\n", "\nBlad odczytu pliku\r\n");
        if (d.owner.load() != session || d.state.load() != kSlotActive) {
            return BlocksEnd::kClaimLost;
        }
        std::string text = EncodeLine(frame, terminator);
        if (!SendToDevice(device, text)) {
            return Stop(device, session, "error\r\n", "\nBlad komunikacji\r\n");
        }
        d.bytesSent += static_cast<uint32_t>(text.size());
        total_sent += static_cast<uint32_t>(text.size());
    }
    return BlocksEnd::kAllSent;
}

// After the blocks: the unit's confirmation is printed by its session; this
// waits for it, CMMD_TIMEOUT seconds at most.
void AwaitConfirmation(int device, int session) {
    DeviceSlot& d = tasks[device];
    SendAnswer(session, "info Czekam na potwierdzenie...\r\n", "\nCzekam na potwierdzenie...\r\n");
    WaitEnd end = WaitWhileOwned(device, session, kConfirmationEndings, false);
    if (end == WaitEnd::kCancelled || end == WaitEnd::kTimedOut) return;
    if (d.state.load() != kSlotActive) {
        SendAnswer(session, "error\r\n", "Sesja wygasla\r\n");
    } else if (d.owner.load() != kOwnerNone) {
        SendAnswer(session, "error\r\n", "Zdalnie anulowano\r\n");
    }
}

void RunBlockUpload(int session, const std::string& args, uint8_t commandId) {
    ConsoleSlot& c = consoles[session];
    bool binary = IsBinary(session);
    std::string deviceId = args;
    std::string file;
    if (!binary) {
        std::vector<std::string> fields;
        if (!SplitArguments(args, 2, fields) || fields[1].empty()) {
            SendText(session, "Podane parametry sa bledne\r\n");
            return;
        }
        deviceId = fields[0];
        file = fields[1];
    }
    int device = FindDevice(deviceId, kMaskTcpGen123, kSlotActive);
    if (device < 0) {
        SendAnswer(session, "error\r\n", "Podany identyfikator urzadzenia nie jest wlasciwy\r\n");
        return;
    }
    if (tasks[device].owner.load() != kOwnerNone) {
        SendAnswer(session, "busy\r\n", "Wybrane urzadzenie jest zajete\r\n");
        return;
    }
    FirmwareImage image;
    if (binary) {
        image.UseBuffer(c.uploadBuffer, static_cast<size_t>(c.uploadLength));
    } else if (!image.OpenFile(file)) {
        SendText(session, "Blad otwarcia pliku\r\n");
        return;
    }
    // Claimed by compare-and-set: another session may have come first since
    // the test above.
    if (!ClaimDevice(device, session)) {
        SendAnswer(session, "busy\r\n", "Wybrane urzadzenie jest zajete\r\n");
        return;
    }
    c.requestKind = kRequestKindFirmware;
    SendAnswer(session, "info Wysylam firmware...\r\n", "Wysylam firmware...\r\n");
    BlocksEnd end = SendBlocks(device, session, commandId, image);
    image = FirmwareImage();  // the file is closed before the wait
    if (end != BlocksEnd::kReported && tasks[device].owner.load() != kOwnerNone) {
        AwaitConfirmation(device, session);
    }
    if (binary) c.uploadLength = 0;
}

}  // namespace

void WriteDataCommand(int session, const std::string& args) {
    ConsoleSlot& c = consoles[session];
    bool stored = ApplyWriteData(args, c.uploadBuffer, kUploadBufferSize, c.uploadLength);
    SendText(session, stored ? "done\r\n" : "error\r\n");
}

void WriteFirmCommand(int session, const std::string& args) {
    RunBlockUpload(session, args, kModuleFirmwareId);
}

void WriteTerminalFirmCommand(int session, const std::string& args) {
    RunBlockUpload(session, args, kTerminalFirmwareId);
}
