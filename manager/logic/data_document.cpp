#include "manager/logic/data_document.h"

#include <QDomDocument>

#include "manager/logic/firmware_document.h"

namespace {

std::optional<uint32_t> Number(const QDomElement& e, const char* name) {
    bool ok = false;
    qulonglong value = e.attribute(QLatin1String(name)).trimmed().toULongLong(&ok, 10);
    if (!ok || value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<uint32_t>(value);
}

}  // namespace

std::optional<DataUpload> ParseDataDocument(const QByteArray& document) {
    QDomDocument doc;
    if (!doc.setContent(document)) return std::nullopt;
    QDomElement root = doc.documentElement();
    if (root.tagName() != QLatin1String("vimko")) return std::nullopt;
    QDomElement data = root.firstChildElement(QStringLiteral("data"));
    if (data.isNull()) return std::nullopt;
    std::optional<uint32_t> type = Number(data, "type");
    std::optional<uint32_t> closing = Number(data, "crcc");
    if (!type || !closing || *type > 0xFFFF) return std::nullopt;
    DataUpload upload;
    upload.type = static_cast<int>(*type);
    upload.closing = *closing;
    for (QDomElement piece = data.firstChildElement(); !piece.isNull();
         piece = piece.nextSiblingElement()) {
        if (piece.tagName() == QLatin1String("text")) {
            // Each character is one byte, as the unit's list stores it.
            upload.bytes += piece.text().toLatin1();
        } else if (piece.tagName() == QLatin1String("binary")) {
            std::optional<QByteArray> bytes = HexPairs(piece.text());
            if (!bytes) return std::nullopt;
            upload.bytes += *bytes;
        }
    }
    if (upload.bytes.isEmpty()) return std::nullopt;
    return upload;
}

std::optional<DataUpload> DataFromBin(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() % kDataEntrySize != 0) return std::nullopt;
    DataUpload upload;
    upload.type = 2;
    upload.closing = static_cast<uint32_t>(bytes.size() / kDataEntrySize);
    upload.bytes = bytes;
    return upload;
}

bool DataTypeFits(int type) {
    return type >= 1 && type <= 3;
}

QList<QByteArray> DataBlocks(const QByteArray& bytes) {
    QList<QByteArray> blocks;
    for (qsizetype offset = 0; offset < bytes.size(); offset += kDataBlockSize) {
        blocks.append(bytes.mid(offset, kDataBlockSize));
    }
    return blocks;
}
