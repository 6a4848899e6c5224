#include "server/console/unit_commands.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "common/base64_writer.h"
#include "common/text_format.h"
#include "server/console/block_writers.h"
#include "server/console/console_slot.h"
#include "server/console/firmware_upload.h"
#include "server/console/record_upload.h"
#include "server/console/request_protocol.h"
#include "server/core/clock.h"
#include "server/core/log.h"
#include "server/device/device_slot.h"
#include "server/device/slot_table.h"
#include "server/store/korvalen_store.h"
#include "server/store/message_store.h"
#include "server/store/queue_sender.h"
#include "server/store/sql_pool.h"

namespace {

// Type masks of the commands.
constexpr int kMaskAll = kProtoAll;
constexpr int kMaskGen12 = 0x00F;
constexpr int kMaskGen23 = 0x30C;
constexpr int kMaskGen123 = 0x30F;
constexpr int kMaskGen3 = 0x300;
constexpr int kMaskTcpGen123 = 0x105;
constexpr int kMaskTcpGen23 = 0x104;

constexpr size_t kFieldMax = 255;
constexpr size_t kTermAddrMax = 16;
constexpr size_t kTermMsgMax = 150;

void ParameterError(int session) {
    SendAnswer(session, "error\r\n", "Podane parametry sa bledne\r\n");
}

void UnknownDevice(int session) {
    SendAnswer(session, "error\r\n", "Podany identyfikator urzadzenia nie jest wlasciwy\r\n");
}

// The request line for unit `device`: the frame in Base64 with its terminator.
std::string CommandText(int device, const std::string& frame) {
    return EncodeLine(frame, static_cast<char>(tasks[device].terminator.load()));
}

bool StartsWithDigit(const std::string& text) {
    return !text.empty() && std::isdigit(static_cast<unsigned char>(text[0]));
}

// ---- reads ----------------------------------------------------------------

struct ReadCommand {
    const char* word;
    int mask;
    int picoFrame;  // 0: same as the others
    int gen3Frame;  // 0: same as the others
    int frame;
    int kind;
};

const ReadCommand kReads[] = {
    {"readcfg", kMaskAll, 0x43, 0x50, 0x21, 1},  {"readfirm", kMaskAll, 0x45, 0, 0x23, 4},
    {"readcal", kMaskGen123, 0, 0x52, 0x30, 9},  {"readfms", kMaskGen123, 0, 0x54, 0x32, 11},
    {"readcan", kMaskGen23, 0, 0x56, 0x34, 13},  {"readstat", kMaskGen23, 0, 0x58, 0x36, 15},
    {"readcane", kMaskGen23, 0, 0x5A, 0x3B, 17}, {"readntwk", kMaskGen23, 0, 0x5E, 0x4A, 21},
    {"readtfrm", kMaskGen23, 0, 0, 0x39, 4},     {"readmask", kMaskGen12, 0, 0, 0x3D, 19},
    {"readbtn", kMaskGen3, 0, 0, 0x5C, 19},      {"readcan2", kMaskGen3, 0, 0, 0x60, 23},
    {"readdfrm", kMaskGen3, 0, 0, 0x85, 25},
};

void RunRead(const ReadCommand& read, int session, const std::string& args) {
    int device = FindDevice(args, read.mask, kSlotActive);
    if (device < 0) {
        UnknownDevice(session);
        return;
    }
    int frame = read.frame;
    if (read.picoFrame != 0 && tasks[device].pico.load()) {
        frame = read.picoFrame;
    } else if (read.gen3Frame != 0 && tasks[device].terminator.load() == ';') {
        frame = read.gen3Frame;
    }
    SendAndWait(device, session, CommandText(device, std::string{static_cast<char>(frame), 0}),
                read.kind);
}

template <size_t I>
void ReadHandler(int session, const std::string& args) {
    RunRead(kReads[I], session, args);
}

// ---- recovery, distance ---------------------------------------------------

// "device,number": the unit and the number, or -1 after a parameter error.
int DeviceAndNumber(int session, const std::string& args, unsigned long long& value) {
    std::vector<std::string> fields;
    if (!SplitFields(args, 2, fields) || !StartsWithDigit(fields[1])) {
        ParameterError(session);
        return -1;
    }
    value = std::strtoull(fields[1].c_str(), nullptr, 10);
    int device = FindDevice(fields[0], kMaskAll, kSlotActive);
    if (device < 0) UnknownDevice(session);
    return device;
}

void RecoveryCommand(int session, const std::string& args) {
    unsigned long long count = 0;
    int device = DeviceAndNumber(session, args, count);
    if (device < 0) return;
    std::string frame{0x2E, 0, static_cast<char>(count & 0xFF),
                      static_cast<char>((count >> 8) & 0xFF)};
    SendAndWait(device, session, CommandText(device, frame), 7);
}

void DistanceCommand(int session, const std::string& args) {
    unsigned long long value = 0;
    int device = DeviceAndNumber(session, args, value);
    if (device < 0) return;
    std::string frame{0x2F, 0};
    for (int i = 0; i < 4; ++i) frame += static_cast<char>((value >> (8 * i)) & 0xFF);
    SendAndWait(device, session, CommandText(device, frame), 8);
}

// ---- queued work: messages and download requests ---------------------------

void QueueResult(int session, bool ok) {
    if (ok) {
        SendAnswer(session, "done\r\n", "OK\r\n");
        WakeQueueSenders();
    } else {
        SendAnswer(session, "error\r\n", "Blad\r\n");
    }
}

// Inserts a queue row with a pooled connection and reports the result; the
// senders deliver it.
template <typename Insert>
void Queue(int session, Insert insert) {
    int db = SqlAcquire();
    if (db < 0) {
        QueueResult(session, false);
        return;
    }
    int rc = insert(SqlConnection(db));
    SqlRelease(db, rc < 0);
    QueueResult(session, rc == 0);
}

void WriteTermCommand(int session, const std::string& args) {
    std::vector<std::string> fields;
    if (!SplitFields(args, 3, fields) || fields[2].empty()) {
        ParameterError(session);
        return;
    }
    int device = FindDevice(fields[0], kMaskTcpGen123, kSlotActive);
    if (device < 0) {
        UnknownDevice(session);
        return;
    }
    std::string addr = fields[1].substr(0, kTermAddrMax);
    std::string msg = fields[2].substr(0, kTermMsgMax);
    Queue(session, [&](MYSQL* db) {
        return writetooutbox(device, db, tasks[device].dbId.load(), addr, msg);
    });
}

void KorvalenCommand(int session, const std::string& args) {
    std::vector<std::string> fields;
    if (!SplitFields(args, 2, fields) || !StartsWithDigit(fields[1])) {
        ParameterError(session);
        return;
    }
    int device = FindDevice(fields[0], kMaskTcpGen23, kSlotActive);
    if (device < 0) {
        UnknownDevice(session);
        return;
    }
    int code = std::atoi(fields[1].c_str());
    Queue(session,
          [&](MYSQL* db) { return writetokorvalen(device, db, tasks[device].dbId.load(), code); });
}

// ---- block writes ---------------------------------------------------------

// A write of a parameter block: checked, then sent at once or stored as the
// unit's offline configuration.
void RunBlockWrite(const BlockWriteCommand& command, int session, const std::string& args) {
    BlockWrite write = BuildBlockWrite(command, session, IsBinary(session), args);
    for (const std::string& entry : write.log) LogWrite("%s", entry.c_str());
    if (!write.ok) {
        ParameterError(session);
        return;
    }
    int device =
        FindDevice(write.deviceId, command.deviceMask, BlockWriteMinState(command, write.offline));
    if (device < 0) {
        UnknownDevice(session);
        return;
    }
    std::string text = CommandText(device, write.frame);
    if (!write.offline) {
        SendAndWait(device, session, text, command.requestKind);
        return;
    }
    StoreOfflineConfig(device, text, command.offlineType);
    SendText(session, "done\r\n");
}

void BlockWriteHandler(int session, const std::string& args, const char* word) {
    RunBlockWrite(*FindBlockWriteCommand(word), session, args);
}

#define VIMKO_BLOCK_WRITE(name)                                                                   \
    {                                                                                             \
#name,                                                                                    \
            [](int session, const std::string& args) { BlockWriteHandler(session, args, #name); } \
    }

void ReadOfflineCommand(int session, const std::string& args) {
    int device = FindDevice(args, kMaskGen123, kSlotHeld);
    if (device < 0) {
        SendText(session, "error\r\n");
        return;
    }
    DeviceSlot& d = tasks[device];
    int status = d.offlineStatus.load();
    if (status == 0) {
        SendText(session, "answer 0\r\ndone\r\n");
        return;
    }
    std::tm time;
    {
        std::lock_guard<std::mutex> lock(d.textLock);
        time = d.offlineTime;
    }
    SendText(session, StringPrintf("answer %d,%d,%02d:%02d:%02d,%04d-%02d-%02d\r\ndone\r\n", status,
                                   d.offlineType.load(), time.tm_hour, time.tm_min, time.tm_sec,
                                   time.tm_year + 1900, time.tm_mon + 1, time.tm_mday));
}

struct NamedHandler {
    const char* word;
    UnitCommandHandler handler;
};

const NamedHandler kHandlers[] = {
    {"readcfg", ReadHandler<0>},
    {"readfirm", ReadHandler<1>},
    {"readcal", ReadHandler<2>},
    {"readfms", ReadHandler<3>},
    {"readcan", ReadHandler<4>},
    {"readstat", ReadHandler<5>},
    {"readcane", ReadHandler<6>},
    {"readntwk", ReadHandler<7>},
    {"readtfrm", ReadHandler<8>},
    {"readmask", ReadHandler<9>},
    {"readbtn", ReadHandler<10>},
    {"readcan2", ReadHandler<11>},
    {"readdfrm", ReadHandler<12>},
    {"recovery", RecoveryCommand},
    {"distance", DistanceCommand},
    {"writeterm", WriteTermCommand},
    {"korvalen", KorvalenCommand},
    {"readoffln", ReadOfflineCommand},
    VIMKO_BLOCK_WRITE(writecfg),
    VIMKO_BLOCK_WRITE(writepcfg),
    VIMKO_BLOCK_WRITE(writefms),
    VIMKO_BLOCK_WRITE(writecan),
    VIMKO_BLOCK_WRITE(writestat),
    VIMKO_BLOCK_WRITE(writecane),
    VIMKO_BLOCK_WRITE(writemask),
    VIMKO_BLOCK_WRITE(writentwk),
    VIMKO_BLOCK_WRITE(writecfg3),
    VIMKO_BLOCK_WRITE(writecal3),
    VIMKO_BLOCK_WRITE(writefms3),
    VIMKO_BLOCK_WRITE(writecan3),
    VIMKO_BLOCK_WRITE(writestat3),
    VIMKO_BLOCK_WRITE(writecane3),
    VIMKO_BLOCK_WRITE(writebtn),
    VIMKO_BLOCK_WRITE(writentwk3),
    VIMKO_BLOCK_WRITE(writecan2),
    {"writedata", WriteDataCommand},
    {"writefirm", WriteFirmCommand},
    {"writetfrm", WriteTerminalFirmCommand},
    {"writedfrm", WriteAdapterFirmCommand},
    {"wrfirmex", WriteFirmExCommand},
};

}  // namespace

bool SplitFields(const std::string& args, size_t count, std::vector<std::string>& fields) {
    fields.clear();
    size_t start = 0;
    for (;;) {
        size_t comma = args.find(',', start);
        std::string field =
            args.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (field.size() > kFieldMax) return false;
        fields.push_back(field);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return fields.size() == count;
}

UnitCommandHandler FindUnitCommand(const std::string& word) {
    for (const NamedHandler& h : kHandlers) {
        if (word == h.word) return h.handler;
    }
    return nullptr;
}
