#include "manager/logic/firmware_document.h"

#include <QDomDocument>

namespace {

int HexDigit(QChar c) {
    ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

int NumberAttribute(const QDomElement& e, const char* name) {
    bool ok = false;
    int value = e.attribute(QLatin1String(name)).trimmed().toInt(&ok);
    return ok ? value : -1;
}

}  // namespace

std::optional<QByteArray> HexPairs(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    int high = -1;
    for (QChar c : text) {
        if (c.isSpace()) continue;
        int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        if (high < 0) {
            high = digit;
        } else {
            bytes.append(static_cast<char>(high << 4 | digit));
            high = -1;
        }
    }
    if (high >= 0) return std::nullopt;
    return bytes;
}

std::optional<FirmwareTaken> TakeFirmwareDocument(const QByteArray& document, int deviceType,
                                                  int kind) {
    QDomDocument doc;
    if (!doc.setContent(document)) return std::nullopt;
    QDomElement root = doc.documentElement();
    if (root.tagName() != QLatin1String("vimko")) return std::nullopt;
    QDomElement firmware = root.firstChildElement(QStringLiteral("firmware"));
    while (!firmware.isNull() && (NumberAttribute(firmware, "device") != deviceType + 1 ||
                                  NumberAttribute(firmware, "type") != kind + 1)) {
        firmware = firmware.nextSiblingElement(QStringLiteral("firmware"));
    }
    if (firmware.isNull()) return std::nullopt;

    // A unit reprograms itself with whatever it is sent: an image that is
    // not exactly what the document says is refused whole rather than sent
    // with bytes dropped or invented.
    int cpuBit = CpuBitOfAttribute(NumberAttribute(firmware, "cpu"));
    if (cpuBit == 0) return std::nullopt;
    FirmwareTaken taken;
    taken.flags = KindBit(kind) | cpuBit;
    for (QDomElement record = firmware.firstChildElement(QStringLiteral("record"));
         !record.isNull(); record = record.nextSiblingElement(QStringLiteral("record"))) {
        std::optional<QByteArray> bytes = HexPairs(record.text());
        if (!bytes) return std::nullopt;
        taken.image += *bytes;
        ++taken.records;
    }
    qsizetype padded = PaddedImageSize(kind, cpuBit);
    qsizetype limit = padded > 0 ? padded : kLargeImageSize;
    if (taken.records == 0 || taken.image.isEmpty() || taken.image.size() > limit) {
        return std::nullopt;
    }
    if (padded > taken.image.size()) {
        taken.image.append(padded - taken.image.size(), static_cast<char>(0xFF));
    }

    taken.description.append(
        {QStringLiteral("Version: ") + firmware.attribute(QStringLiteral("ver")) +
             QStringLiteral(" Date: ") + firmware.attribute(QStringLiteral("release")),
         true});
    for (QDomElement d = firmware.firstChildElement(QStringLiteral("description")); !d.isNull();
         d = d.nextSiblingElement(QStringLiteral("description"))) {
        taken.description.append({d.text(), false});
    }
    return taken;
}
