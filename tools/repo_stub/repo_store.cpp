#include "tools/repo_stub/repo_store.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>

namespace {

QByteArray ReadFile(const QString& path, bool& ok) {
    QFile file(path);
    ok = file.open(QIODevice::ReadOnly);
    return ok ? file.readAll() : QByteArray();
}

// The description text of a configuration document's first "config".
QString ConfigDescription(const QDomDocument& doc) {
    return doc.documentElement()
        .firstChildElement(QStringLiteral("config"))
        .firstChildElement(QStringLiteral("description"))
        .text();
}

QByteArray ListDocument(const char* element, const QList<QPair<QString, QString>>& entries) {
    QDomDocument doc;
    doc.appendChild(doc.createProcessingInstruction(
        "xml", QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = doc.createElement(QStringLiteral("vimko"));
    doc.appendChild(root);
    for (const auto& [name, description] : entries) {
        QDomElement e = doc.createElement(QLatin1String(element));
        e.setAttribute(QStringLiteral("name"), name);
        QDomElement d = doc.createElement(QStringLiteral("description"));
        d.appendChild(doc.createTextNode(description));
        e.appendChild(d);
        root.appendChild(e);
    }
    return doc.toByteArray(2);
}

// Whether a firmware folder document belongs to device/type: a "firmware"
// element with both attributes, or a "data" element (Long DALLAS list) of
// that type.
bool FirmwareMatches(const QDomDocument& doc, int device, int type, QString& description) {
    QDomElement root = doc.documentElement();
    if (root.tagName() != QLatin1String("vimko")) return false;
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        bool fits = false;
        if (e.tagName() == QLatin1String("firmware")) {
            fits = e.attribute(QStringLiteral("device")) == QString::number(device) &&
                   e.attribute(QStringLiteral("type")) == QString::number(type);
        } else if (e.tagName() == QLatin1String("data")) {
            fits = e.attribute(QStringLiteral("type")) == QString::number(type);
        }
        if (!fits) continue;
        QStringList lines;
        for (QDomElement d = e.firstChildElement(QStringLiteral("description")); !d.isNull();
             d = d.nextSiblingElement(QStringLiteral("description"))) {
            lines.append(d.text());
        }
        description = lines.join(QLatin1Char('\n'));
        return true;
    }
    return false;
}

RepoAnswer Result(int errcode, const QString& msg) {
    return {200, RepoStore::ResultDocument(errcode, msg)};
}

}  // namespace

bool RepoNameIsPlain(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char('\\')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

RepoStore::RepoStore(QString root, QString user, QString password)
    : m_root(std::move(root)),
      m_user(std::move(user)),
      m_passwordDigest(QString::fromLatin1(
          QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5).toHex().toUpper())) {
}

bool RepoStore::Authorized(const QString& u, const QString& p) const {
    return u == m_user && p == m_passwordDigest;
}

QByteArray RepoStore::ResultDocument(int errcode, const QString& msg) {
    QDomDocument doc;
    doc.appendChild(doc.createProcessingInstruction(
        "xml", QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = doc.createElement(QStringLiteral("vimko"));
    doc.appendChild(root);
    QDomElement result = doc.createElement(QStringLiteral("result"));
    result.setAttribute(QStringLiteral("errcode"), errcode);
    result.setAttribute(QStringLiteral("msg"), msg);
    root.appendChild(result);
    return doc.toByteArray(2);
}

QString RepoStore::ConfigDir(int device, int type) const {
    return m_root + QStringLiteral("/configs/%1/%2").arg(device).arg(type);
}

RepoAnswer RepoStore::ConfigList(int device, int type) const {
    QDir dir(ConfigDir(device, type));
    QList<QPair<QString, QString>> entries;
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        bool ok = false;
        QDomDocument doc;
        doc.setContent(ReadFile(dir.filePath(name), ok));
        entries.append({name, ConfigDescription(doc)});
    }
    return {200, ListDocument("config", entries)};
}

RepoAnswer RepoStore::ConfigGet(int device, int type, const QString& name) const {
    if (!RepoNameIsPlain(name)) return {404, QByteArray()};
    bool ok = false;
    QByteArray body = ReadFile(ConfigDir(device, type) + QLatin1Char('/') + name, ok);
    return ok ? RepoAnswer{200, body} : RepoAnswer{404, QByteArray()};
}

RepoAnswer RepoStore::ConfigUpload(const QString& name, const QByteArray& document) {
    if (!RepoNameIsPlain(name)) return Result(kRepoBadName, QStringLiteral("Invalid name"));
    QDomDocument doc;
    QDomElement config;
    if (doc.setContent(document) && doc.documentElement().tagName() == QLatin1String("vimko")) {
        config = doc.documentElement().firstChildElement(QStringLiteral("config"));
    }
    bool deviceOk = false, typeOk = false;
    int device = config.attribute(QStringLiteral("device")).toInt(&deviceOk);
    int type = config.attribute(QStringLiteral("type")).toInt(&typeOk);
    if (config.isNull() || !deviceOk || !typeOk || device < 1 || type < 1) {
        return Result(kRepoBadDocument, QStringLiteral("Not a configuration document"));
    }
    QString dir = ConfigDir(device, type);
    QSaveFile file(dir + QLatin1Char('/') + name);
    if (!QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly) ||
        file.write(document) != document.size() || !file.commit()) {
        return Result(kRepoStorage, QStringLiteral("Cannot store the document"));
    }
    return Result(kRepoOk, QStringLiteral("Stored"));
}

RepoAnswer RepoStore::ConfigDelete(int device, int type, const QString& name) {
    if (!RepoNameIsPlain(name)) return Result(kRepoBadName, QStringLiteral("Invalid name"));
    QFile file(ConfigDir(device, type) + QLatin1Char('/') + name);
    if (!file.exists()) return Result(kRepoNotFound, QStringLiteral("No such configuration"));
    if (!file.remove()) return Result(kRepoStorage, QStringLiteral("Cannot remove"));
    return Result(kRepoOk, QStringLiteral("Removed"));
}

RepoAnswer RepoStore::FirmList(int device, int type) const {
    QDir dir(m_root + QStringLiteral("/firmware"));
    QList<QPair<QString, QString>> entries;
    for (const QString& name : dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name)) {
        bool ok = false;
        QDomDocument doc;
        QString description;
        if (doc.setContent(ReadFile(dir.filePath(name), ok)) &&
            FirmwareMatches(doc, device, type, description)) {
            entries.append({name, description});
        }
    }
    return {200, ListDocument("firmware", entries)};
}

RepoAnswer RepoStore::FirmGet(int device, int type, const QString& name) const {
    if (!RepoNameIsPlain(name)) return {404, QByteArray()};
    bool ok = false;
    QByteArray body = ReadFile(m_root + QStringLiteral("/firmware/") + name, ok);
    QDomDocument doc;
    QString description;
    if (!ok || !doc.setContent(body) || !FirmwareMatches(doc, device, type, description)) {
        return {404, QByteArray()};
    }
    return {200, body};
}

RepoAnswer RepoStore::EventLog(const QString& user, const QString& t, const QString& imei,
                               const QByteArray& document) {
    bool ok = false;
    QStringList refused = QString::fromUtf8(ReadFile(m_root + QStringLiteral("/refused_imeis"), ok))
                              .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    bool isRefused = !imei.isEmpty() && refused.contains(imei);
    QDomDocument doc;
    doc.setContent(document);
    QDomElement config = doc.documentElement().firstChildElement(QStringLiteral("config"));
    // One line per write: time (UTC), user, t, imei, device, type, records, outcome.
    QString line = QStringLiteral("%1 %2 t=%3 imei=%4 device=%5 type=%6 records=%7 %8\n")
                       .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODate), user, t, imei,
                            config.attribute(QStringLiteral("device")),
                            config.attribute(QStringLiteral("type")))
                       .arg(config.elementsByTagName(QStringLiteral("record")).size())
                       .arg(isRefused ? QStringLiteral("refused") : QStringLiteral("accepted"));
    QFile log(m_root + QStringLiteral("/event_log.txt"));
    if (!log.open(QIODevice::Append) || log.write(line.toUtf8()) < 0) {
        return Result(kRepoStorage, QStringLiteral("Cannot write the event log"));
    }
    if (isRefused) return Result(kRepoRefused, QStringLiteral("Device may not be configured"));
    return Result(kRepoOk, QStringLiteral("Logged"));
}
