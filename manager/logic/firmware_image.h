#pragma once
// The rules of a firmware image, as pure functions: the three kinds and
// their bits, the CPU bits, which ".bin" sizes a device takes, the padding
// of images built from records, and the 256-byte blocks an image is copied
// to the server in. The description pane's text is a list of lines, each
// bold or plain, which the Firmware page shows as it stands.

#include <QByteArray>
#include <QList>
#include <QString>

// The firmware-kind combo.
enum FirmwareKind : int {
    kFirmwareVimko = 0,     // the unit's main module
    kFirmwareTacho = 1,     // "Firmware KX-05/Tacho": the driver terminal
    kFirmwareKorvalen = 2,  // the tachograph download adapter
};
inline constexpr int kFirmwareKindCount = 3;

// firmwareFlags holds one kind bit (0x100 << kind) and one CPU bit.
inline constexpr int kKindBitVimko = 0x100;
inline constexpr int kKindBitTacho = 0x200;
inline constexpr int kKindBitKorvalen = 0x400;
inline constexpr int kCpuBitMask = 0x7;

// The two module image sizes: the small one of a CPU-2 unit, and the large
// one, which is also the capacity of the server's upload buffer.
inline constexpr qsizetype kSmallImageSize = 0x1E000;  // 122880 bytes, 480 blocks
inline constexpr qsizetype kLargeImageSize = 0x3E000;  // 253952 bytes, 992 blocks
inline constexpr int kFirmwareBlockSize = 256;

int KindBit(int kind);
// The kind of a flags value, -1 without a kind bit.
int KindOfFlags(int flags);
int CpuBitOfFlags(int flags);
QString FirmwareKindName(int kind);  // "Firmware Vimko", ...

// Whether a ".bin" of `size` bytes may be taken: 0x1E000 bytes only for
// DeviceType 0, 0x3E000 for every type, and for the Korvalen kind any size
// from 1 byte up to what the server's upload buffer holds.
bool BinSizeFits(qint64 size, int deviceType, int kind);
// The CPU bit of a taken ".bin": 4 for DeviceType 2, else 2 for a
// 0x1E000-byte image, else 1.
int BinCpuBit(int deviceType, qint64 size);
// The "cpu" attribute of a firmware XML (1, 2, 3) as a CPU bit (1, 2, 4);
// 0 for any other value.
int CpuBitOfAttribute(int cpu);
// The size an image made of records is padded to with 0xFF: 0x1E000 for
// CPU bit 2, else 0x3E000; 0 (no padding) for the Korvalen kind.
qsizetype PaddedImageSize(int kind, int cpuBit);

// Number of 256-byte blocks the image is copied to the server in: 480 for
// CPU bit 2, the image size / 256 rounded up for the Korvalen kind, else 992.
int FirmwareBlockCount(int flags, qsizetype imageSize);
// Block `block` of the image (the last one may be shorter, one past the
// image is empty).
QByteArray FirmwareBlock(const QByteArray& image, int block);

// One line of the description pane.
struct DescriptionLine {
    QString text;
    bool bold = false;
    bool operator==(const DescriptionLine&) const = default;
};
using FirmwareDescription = QList<DescriptionLine>;

// What an import takes: the image, its flags and the pane's lines.
struct FirmwareTaken {
    QByteArray image;
    int flags = 0;
    int records = 0;  // "record" elements of an XML document; 0 for a ".bin"
    FirmwareDescription description;
};

// A ".bin" whose size fitted (BinSizeFits): the image as it is, the pane
// "File: <path>" and "Size: <bytes>" in bold.
FirmwareTaken FirmwareFromBin(const QByteArray& bytes, const QString& path, int deviceType,
                              int kind);
