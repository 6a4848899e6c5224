#include "manager/logic/label_command.h"

namespace {

QString ArgumentText(const QString& myId, const QString& imei, const QString& ccid, bool online) {
    return QStringLiteral("Vimko5N.LBX -objDevId ID:") + myId + QStringLiteral(" -objImei IMEI:") +
           imei + QStringLiteral(" -objCcid CCID:") + ccid + QStringLiteral(" -objStatus (") +
           QLatin1Char(online ? 'C' : '-') + QLatin1Char(')');
}

}  // namespace

QString LabelCommandLine(const QString& program, const QString& myId, const QString& imei,
                         const QString& ccid, bool online) {
    return program + QLatin1Char(' ') + ArgumentText(myId, imei, ccid, online);
}

QStringList LabelArguments(const QString& myId, const QString& imei, const QString& ccid,
                           bool online) {
    return ArgumentText(myId, imei, ccid, online).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

std::vector<std::string> DumpLines(std::span<const uint8_t> text) {
    std::vector<std::string> lines;
    std::string line;
    for (uint8_t b : text) {
        if (b == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            continue;
        }
        line += static_cast<char>(b);
        if (b == ':') line += ' ';
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}
