#pragma once
// The console commands and texts of remote firmware work, built as text:
// the upload buffer lines, the command of each firmware kind, the checks of
// a unit's generation and kind, the version line, the result texts, and the
// raw-record commands of the "Long DALLAS list". Pure.

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

// "writedata <block × 256>,<the bytes as upper-case hexadecimal>".
QString WritedataLine(int block, const QByteArray& bytes);
// "writefirm", "writetfrm", "writedfrm" for the kinds Vimko, KX-05/Tacho,
// Korvalen; "readfirm", "readtfrm", "readdfrm".
QString FirmwareWriteWord(int kind);
QString FirmwareReadWord(int kind);

// The TCP protocol bit (1, 4, 256) and its "Mode" name ("Vimko-1 TCP",
// "Vimko-2 TCP", "Vimko-3 TCP") of a generation: firmware goes over TCP only.
int TcpProtocolBit(int deviceType);
QString TcpModeName(int deviceType);

// Why a kind cannot go to a unit of `deviceType`: KX-05/Tacho not to
// Vimko-1 ("Not available for devices Vimko-1"), Korvalen only to Vimko-3/4
// ("Not available"); empty when it can. A group member's status always says
// "Not available".
QString KindRefusal(int deviceType, int kind);

// The firmware-version line of a single unit for the first answer line of a
// version read: "Status:1 Version:2 Crcc:3" (Vimko), "Status:1 Version:2"
// (KX-05/Tacho), "Version:1" (Korvalen); with `shortForm` a group member's
// "S:1 V:2 C:3", "S:1 V:2", "V:1".
QString VersionText(int kind, const QString& answer, bool shortForm);

// Status texts of a group member for a command's result: "Correct",
// "Aborted", "Error #r".
QString MemberResultText(int result);

// The raw-record commands of a data upload: six 256-byte blocks at most per
// command, "wrfirmex <imei>,<first block>,1,<hexadecimal bytes>".
struct WrfirmexCommand {
    QString text;
    int lastBlock = 0;  // the last block it carries
};
QList<WrfirmexCommand> WrfirmexCommands(const QString& imei, const QList<QByteArray>& blocks);
// The closing command: "wrfirmex <imei>,<n>,<flag>,<closing value as four
// hexadecimal bytes, least significant first>", flag 3, 5, 7 for the data
// types 1, 2, 3.
QString WrfirmexClosing(const QString& imei, int blockCount, int dataType, uint32_t closing);
