#include "server/console/record_upload.h"

#include <cstdlib>

#include "common/base64_writer.h"
#include "common/text_format.h"
#include "server/console/console_slot.h"
#include "server/console/firmware_frames.h"
#include "server/console/firmware_image.h"
#include "server/console/request_protocol.h"
#include "server/core/log.h"
#include "server/device/device_slot.h"
#include "server/device/slot_table.h"

namespace {

constexpr int kMaskTcpGen3 = 0x100;
constexpr int kMaskTcpGen123 = 0x105;
constexpr int kKindAdapterRecord = 27;  // acknowledged silently, record by record
constexpr int kKindAdapterActivate = 26;
constexpr int kKindRawRecords = 28;

void ParameterError(int session) {
    SendAnswer(session, "error\r\n", "Podane parametry sa bledne\r\n");
}

std::string CommandText(int device, const std::string& frame) {
    return EncodeLine(frame, static_cast<char>(tasks[device].terminator.load()));
}

// One record, awaited. False when the upload is to stop: the reason has been
// reported, by the request protocol or here when the line could not be sent.
bool SendRecord(int device, int session, const std::string& frame, int kind) {
    int rc = SendAndWaitOnce(device, session, CommandText(device, frame), kind);
    if (rc == kOnceNotSent) SendAnswer(session, "error\r\n", "\nBlad komunikacji\r\n");
    return rc == kOnceAnswered;
}

// A decimal field, as the console has always read them: leading digits,
// 0 when there are none; clamped so no value overflows.
int DecimalField(const std::string& text) {
    long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > 0xFFFFFF) return 0xFFFFFF;
    if (value < -0xFFFFFF) return -0xFFFFFF;
    return static_cast<int>(value);
}

}  // namespace

void WriteAdapterFirmCommand(int session, const std::string& args) {
    ConsoleSlot& c = consoles[session];
    bool binary = IsBinary(session);
    std::string deviceId = args;
    std::string name;
    FirmwareImage image;
    if (binary) {
        size_t offset = 0;
        size_t length = static_cast<size_t>(c.uploadLength);
        if (!SplitUploadName(c.uploadBuffer, length, name, offset) ||
            name.size() > kAdapterNameMax) {
            ParameterError(session);
            return;
        }
        image.UseBuffer(c.uploadBuffer + offset, length - offset);
    } else {
        std::vector<std::string> fields;
        if (!SplitArguments(args, 2, fields) || fields[1].empty() ||
            fields[1].size() > kAdapterNameMax) {
            ParameterError(session);
            return;
        }
        deviceId = fields[0];
        name = fields[1];
    }
    int device = FindDevice(deviceId, kMaskTcpGen3, kSlotActive);
    if (device < 0) {
        SendAnswer(session, "error\r\n", "Podany identyfikator urzadzenia nie jest wlasciwy\r\n");
        return;
    }
    if (!binary && !image.OpenFile(name)) {
        SendText(session, "Blad otwarcia pliku\r\n");
        return;
    }
    // An empty image would activate nothing as new firmware; one too long
    // for 16-bit record numbers cannot be numbered.
    if (image.size() == 0 || image.size() > kAdapterImageMax) {
        ParameterError(session);
        return;
    }
    auto size = static_cast<uint32_t>(image.size());

    SendAnswer(session, "info Inicjalizuje firmware...\r\n", "Inicjalizuje firmware...\r\n");
    if (!SendRecord(device, session, AdapterStartRecord(), kKindAdapterRecord)) return;
    SendAnswer(session, "info Wysylam nazwe pliku...\r\n", "Wysylam nazwe pliku...\r\n");
    LogWrite("TelnetWriteFirm: file=%s size=%u\n", name.c_str(), size);
    if (!SendRecord(device, session, AdapterNameRecord(name, size), kKindAdapterRecord)) return;

    SendAnswer(session, "info Wysylam firmware...\r\n", "Wysylam firmware...\r\n");
    int records = AdapterDataRecordCount(size);
    for (int k = 0; k < records; ++k) {
        SendText(session, binary ? StringPrintf("progress %d\r\n", 100 * (k + 1) / records)
                                 : StringPrintf("- %d/%d\r", k + 1, records));
        size_t want = AdapterDataRecordBytes(k, size);
        std::string bytes = image.Read(want);
        bytes.resize(want, '?');  // a file that shrank meanwhile reads as "?"
        LogWrite("TelnetWriteFirm: record=%d data=%s\n", k, AdapterRecordLogText(bytes).c_str());
        if (!SendRecord(device, session, AdapterDataRecord(k, bytes), kKindAdapterRecord)) return;
    }
    SendAnswer(session, "info Aktywuje firmware...\r\n", "*\r\nAktywuje firmware...\r\n");
    SendRecord(device, session, AdapterActivateRecord(records), kKindAdapterActivate);
}

void WriteFirmExCommand(int session, const std::string& args) {
    std::vector<std::string> fields;
    bool complete = SplitArguments(args, 4, fields);
    size_t digits = complete ? fields[3].size() : 0;
    LogWrite("TelnetWriteFirmEx: id=%s arg=%d len=%d\n", fields[0].c_str(), complete ? 1 : 0,
             static_cast<int>(digits));
    if (!complete || digits < 2) {
        SendText(session, "error\r\n");
        return;
    }
    int device = FindDevice(fields[0], kMaskTcpGen123, kSlotActive);
    if (device < 0) {
        SendText(session, "error\r\n");
        return;
    }
    std::vector<RawRecord> records =
        RawRecords(DecimalField(fields[1]), DecimalField(fields[2]), HexPairsOrZero(fields[3]));
    std::string text;
    for (const RawRecord& r : records) {
        LogWrite("TelnetWriteFirmEx: index=%d flag=%d items=%d\n", r.index, r.flag, r.items);
        text += CommandText(device, r.frame);
    }
    LogWrite("TelnetWriteFirmEx: records=%d length=%d\n", static_cast<int>(records.size()),
             static_cast<int>(text.size()));
    if (SendAndWaitOnce(device, session, text, kKindRawRecords) == kOnceNotSent) {
        SendText(session, "error\r\n");
    }
}
