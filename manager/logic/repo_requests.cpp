#include "manager/logic/repo_requests.h"

#include <QCryptographicHash>
#include <QDomDocument>
#include <QUrlQuery>

QString Md5Hex(const QString& text) {
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().toUpper());
}

namespace {

using Query = QList<QPair<QString, QString>>;

QUrl Build(const RepoSettings& s, const char* path, const Query& extra) {
    // The address may carry a port; QUrl splits it and the query is
    // percent-encoded key by key, so a name or an IMEI cannot add keys.
    QUrl url(QStringLiteral("http://") + s.address.trimmed() + QLatin1String(path));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("u"), s.user);
    query.addQueryItem(QStringLiteral("p"), Md5Hex(s.password));
    for (const auto& [key, value] : extra) query.addQueryItem(key, value);
    // '+' would read as a blank on the server side; send it encoded.
    QString encoded = query.toString(QUrl::FullyEncoded).replace(QLatin1Char('+'), "%2B");
    url.setQuery(encoded, QUrl::StrictMode);
    return url;
}

Query DeviceType(int device, int type) {
    return {{QStringLiteral("device"), QString::number(device)},
            {QStringLiteral("type"), QString::number(type)}};
}

}  // namespace

QUrl FirmListUrl(const RepoSettings& s, int device, int type) {
    return Build(s, "/services/firm_list.aspx", DeviceType(device, type));
}

QUrl FirmGetUrl(const RepoSettings& s, int device, int type, const QString& name) {
    return Build(s, "/services/firm_get.aspx",
                 DeviceType(device, type) + Query{{QStringLiteral("name"), name}});
}

QUrl ConfigListUrl(const RepoSettings& s, int device, int type) {
    return Build(s, "/services/config_list.aspx", DeviceType(device, type));
}

QUrl ConfigGetUrl(const RepoSettings& s, int device, int type, const QString& name) {
    return Build(s, "/services/config_get.aspx",
                 DeviceType(device, type) + Query{{QStringLiteral("name"), name}});
}

QUrl ConfigUploadUrl(const RepoSettings& s, const QString& name) {
    return Build(s, "/services/config_upload.aspx", {{QStringLiteral("name"), name}});
}

QUrl ConfigDelUrl(const RepoSettings& s, int device, int type, const QString& name) {
    return Build(s, "/services/config_del.aspx",
                 DeviceType(device, type) + Query{{QStringLiteral("name"), name}});
}

QUrl EventLogUrl(const RepoSettings& s, int t, const QString& imei) {
    return Build(s, "/services/event_log.aspx",
                 {{QStringLiteral("t"), QString::number(t)}, {QStringLiteral("imei"), imei}});
}

QList<RepoListEntry> ParseListDocument(const QByteArray& document) {
    QList<RepoListEntry> entries;
    QDomDocument doc;
    if (!doc.setContent(document)) return entries;
    QDomElement root = doc.documentElement();
    if (root.tagName() != QLatin1String("vimko")) return entries;
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.tagName() != QLatin1String("firmware") && e.tagName() != QLatin1String("config")) {
            continue;
        }
        RepoListEntry entry;
        entry.name = e.attribute(QStringLiteral("name"));
        QString text = e.firstChildElement(QStringLiteral("description")).text();
        entry.description = text.split(QLatin1Char('\n'));
        for (QString& line : entry.description) {
            if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        }
        entries.append(entry);
    }
    return entries;
}

RepoResult ParseResultDocument(const QByteArray& document) {
    RepoResult result;
    QDomDocument doc;
    if (!doc.setContent(document)) return result;
    QDomElement root = doc.documentElement();
    if (root.tagName() != QLatin1String("vimko")) return result;
    QDomElement e = root.firstChildElement(QStringLiteral("result"));
    if (e.isNull()) return result;
    result.present = true;
    bool ok = false;
    result.errcode = e.attribute(QStringLiteral("errcode")).toInt(&ok);
    // An errcode that is not a number is no success.
    if (!ok) result.errcode = -1;
    result.msg = e.attribute(QStringLiteral("msg"));
    return result;
}

QString WithXmlExtension(const QString& name) {
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    QString base = dot > slash && dot > 0 ? name.left(dot) : name;
    return base + QStringLiteral(".xml");
}
