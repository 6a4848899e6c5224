#include "manager/logic/firmware_commands.h"

#include "manager/logic/device_list.h"
#include "manager/logic/firmware_image.h"
#include "manager/logic/manager_state.h"

namespace {

constexpr int kBlocksPerWrfirmex = 6;  // 3072 digits: the command stays within a console line

QString Word(int kind, const char* const (&words)[kFirmwareKindCount]) {
    return kind >= 0 && kind < kFirmwareKindCount ? QLatin1String(words[kind]) : QString();
}

}  // namespace

QString WritedataLine(int block, const QByteArray& bytes) {
    return QStringLiteral("writedata ") + QString::number(block * kFirmwareBlockSize) + ',' +
           QString::fromLatin1(bytes.toHex().toUpper());
}

QString FirmwareWriteWord(int kind) {
    static const char* const kWords[kFirmwareKindCount] = {"writefirm", "writetfrm", "writedfrm"};
    return Word(kind, kWords);
}

QString FirmwareReadWord(int kind) {
    static const char* const kWords[kFirmwareKindCount] = {"readfirm", "readtfrm", "readdfrm"};
    return Word(kind, kWords);
}

int TcpProtocolBit(int deviceType) {
    static const int kBits[kDeviceTypeCount] = {1, 4, 256};
    return deviceType >= 0 && deviceType < kDeviceTypeCount ? kBits[deviceType] : 0;
}

QString TcpModeName(int deviceType) {
    int bit = TcpProtocolBit(deviceType);
    return bit != 0 ? ProtocolName(bit) : QString();
}

QString KindRefusal(int deviceType, int kind) {
    if (kind == kFirmwareTacho && deviceType == kVimko1) {
        return QStringLiteral("Not available for devices Vimko-1");
    }
    if (kind == kFirmwareKorvalen && deviceType != kVimko3) return QStringLiteral("Not available");
    return QString();
}

QString VersionText(int kind, const QString& answer, bool shortForm) {
    QString status = FieldOf(answer, 1), version = FieldOf(answer, 2);
    switch (kind) {
        case kFirmwareVimko:
            return shortForm
                       ? "S:" + status + " V:" + version + " C:" + FieldOf(answer, 3)
                       : "Status:" + status + " Version:" + version + " Crcc:" + FieldOf(answer, 3);
        case kFirmwareTacho:
            return shortForm ? "S:" + status + " V:" + version
                             : "Status:" + status + " Version:" + version;
        case kFirmwareKorvalen:
            return (shortForm ? "V:" : "Version:") + status;
        default:
            return QString();
    }
}

QString MemberResultText(int result) {
    if (result == kResultDone) return QStringLiteral("Correct");
    if (result == kResultTerminated) return QStringLiteral("Aborted");
    return QStringLiteral("Error #") + QString::number(result);
}

QList<WrfirmexCommand> WrfirmexCommands(const QString& imei, const QList<QByteArray>& blocks) {
    QList<WrfirmexCommand> commands;
    for (int k = 0; k < blocks.size(); ++k) {
        if (k % kBlocksPerWrfirmex == 0) {
            commands.append({QStringLiteral("wrfirmex ") + imei + ',' + QString::number(k) +
                                 QStringLiteral(",1,"),
                             k});
        }
        commands.back().text += QString::fromLatin1(blocks[k].toHex().toUpper());
        commands.back().lastBlock = k;
    }
    return commands;
}

QString WrfirmexClosing(const QString& imei, int blockCount, int dataType, uint32_t closing) {
    QString hex;
    for (int i = 0; i < 4; ++i) {
        hex += QStringLiteral("%1").arg((closing >> (8 * i)) & 0xFF, 2, 16, QLatin1Char('0'));
    }
    return QStringLiteral("wrfirmex ") + imei + ',' + QString::number(blockCount) + ',' +
           QString::number(2 * dataType + 1) + ',' + hex.toUpper();
}
