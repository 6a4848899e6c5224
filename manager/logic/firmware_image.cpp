#include "manager/logic/firmware_image.h"

#include "manager/logic/manager_state.h"

namespace {

constexpr int kSmallImageBlocks = 480;
constexpr int kLargeImageBlocks = 992;

}  // namespace

int KindBit(int kind) {
    return kind >= 0 && kind < kFirmwareKindCount ? kKindBitVimko << kind : 0;
}

int KindOfFlags(int flags) {
    for (int kind = 0; kind < kFirmwareKindCount; ++kind) {
        if (flags & KindBit(kind)) return kind;
    }
    return -1;
}

int CpuBitOfFlags(int flags) {
    return flags & kCpuBitMask;
}

QString FirmwareKindName(int kind) {
    static const char* const kNames[kFirmwareKindCount] = {"Firmware Vimko", "Firmware KX-05/Tacho",
                                                           "Firmware Korvalen"};
    return kind >= 0 && kind < kFirmwareKindCount ? QLatin1String(kNames[kind]) : QString();
}

bool BinSizeFits(qint64 size, int deviceType, int kind) {
    // An adapter image goes to the server's upload buffer after its file
    // name, so it can never be larger than the buffer; an empty one would
    // copy nothing and activate nothing.
    if (kind == kFirmwareKorvalen) return size > 0 && size <= kLargeImageSize;
    return size == kLargeImageSize || (size == kSmallImageSize && deviceType == kVimko1);
}

int BinCpuBit(int deviceType, qint64 size) {
    if (deviceType == kVimko3) return 4;
    return size == kSmallImageSize ? 2 : 1;
}

int CpuBitOfAttribute(int cpu) {
    switch (cpu) {
        case 1:
            return 1;
        case 2:
            return 2;
        case 3:
            return 4;
        default:
            return 0;
    }
}

qsizetype PaddedImageSize(int kind, int cpuBit) {
    if (kind == kFirmwareKorvalen) return 0;
    return cpuBit == 2 ? kSmallImageSize : kLargeImageSize;
}

int FirmwareBlockCount(int flags, qsizetype imageSize) {
    if (KindOfFlags(flags) == kFirmwareKorvalen) {
        return static_cast<int>((imageSize + kFirmwareBlockSize - 1) / kFirmwareBlockSize);
    }
    return CpuBitOfFlags(flags) == 2 ? kSmallImageBlocks : kLargeImageBlocks;
}

QByteArray FirmwareBlock(const QByteArray& image, int block) {
    qsizetype offset = static_cast<qsizetype>(block) * kFirmwareBlockSize;
    if (block < 0 || offset >= image.size()) return QByteArray();
    return image.mid(offset, kFirmwareBlockSize);
}

FirmwareTaken FirmwareFromBin(const QByteArray& bytes, const QString& path, int deviceType,
                              int kind) {
    FirmwareTaken taken;
    taken.image = bytes;
    taken.flags = KindBit(kind) | BinCpuBit(deviceType, bytes.size());
    taken.description = {{QStringLiteral("File: ") + path, true},
                         {QStringLiteral("Size: ") + QString::number(bytes.size()), true}};
    return taken;
}
