#pragma once
// The repository web service's requests and answer documents, as pure
// functions: the seven request URLs with their query keys, the password
// proof, and the parsing of list and result documents.
//
// Every URL is "http://" + address + path + query; u is the repository
// user, p the MD5 digest of the password as 32 upper-case hexadecimal
// characters, device = DeviceType + 1, type = firmware kind + 1 or tab + 1.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include "manager/logic/user_prompt.h"

struct RepoSettings {
    QString address = QStringLiteral("127.0.0.1:9000");  // host with optional :port
    QString user = QStringLiteral("Quendo");
    QString password = QStringLiteral("tavrel");
    bool offline = true;  // "Work without network access"
};

// MD5 of the text's UTF-8 bytes, 32 upper-case hexadecimal characters.
QString Md5Hex(const QString& text);

QUrl FirmListUrl(const RepoSettings& s, int device, int type);
QUrl FirmGetUrl(const RepoSettings& s, int device, int type, const QString& name);
QUrl ConfigListUrl(const RepoSettings& s, int device, int type);
QUrl ConfigGetUrl(const RepoSettings& s, int device, int type, const QString& name);
QUrl ConfigUploadUrl(const RepoSettings& s, const QString& name);
QUrl ConfigDelUrl(const RepoSettings& s, int device, int type, const QString& name);
QUrl EventLogUrl(const RepoSettings& s, int t, const QString& imei);

// The entries ("firmware" or "config" elements of the root "vimko") of a
// list document; nothing when it is not one.
QList<RepoListEntry> ParseListDocument(const QByteArray& document);

// The "result" element of an upload, deletion or event-log answer.
struct RepoResult {
    bool present = false;  // false: the document has no "result"
    int errcode = 0;
    QString msg;
};
RepoResult ParseResultDocument(const QByteArray& document);

// "name" with its extension replaced by ".xml" (added when it has none).
QString WithXmlExtension(const QString& name);
