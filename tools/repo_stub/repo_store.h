#pragma once
// The storage and the answers of the repository stand-in, apart from HTTP:
// configuration documents kept under <root>/configs/<device>/<type>/<name>,
// firmware and data documents read from <root>/firmware/*.xml, and the
// event log appended to <root>/event_log.txt.
//
// Answers are the service's documents: list documents (root "vimko" with
// "config" or "firmware" elements carrying "name" and a "description"
// child) and result documents (root "vimko", child "result" with "errcode",
// 0 for success, and "msg").

#include <QByteArray>
#include <QString>
#include <QStringList>

struct RepoAnswer {
    int status = 200;  // HTTP status
    QByteArray body;   // an XML document
};

// Error codes of the result document.
enum RepoErrcode : int {
    kRepoOk = 0,
    kRepoDenied = 1,       // wrong user or password digest
    kRepoBadName = 2,      // empty, or a path rather than a name
    kRepoBadDocument = 3,  // not a configuration document
    kRepoNotFound = 4,
    kRepoRefused = 5,  // the unit may not be configured (listed in <root>/refused_imeis)
    kRepoStorage = 6,  // the document could not be stored
};

class RepoStore {
  public:
    // `user` and `password` are the one account the stand-in accepts.
    RepoStore(QString root, QString user, QString password);

    // Whether u and p prove the account (p: MD5 of the password, upper-case hex).
    bool Authorized(const QString& u, const QString& p) const;

    RepoAnswer ConfigList(int device, int type) const;
    RepoAnswer ConfigGet(int device, int type, const QString& name) const;
    RepoAnswer ConfigUpload(const QString& name, const QByteArray& document);
    RepoAnswer ConfigDelete(int device, int type, const QString& name);
    RepoAnswer FirmList(int device, int type) const;
    RepoAnswer FirmGet(int device, int type, const QString& name) const;
    // Appends one line for a configuration write to the event log.
    RepoAnswer EventLog(const QString& user, const QString& t, const QString& imei,
                        const QByteArray& document);

    static QByteArray ResultDocument(int errcode, const QString& msg);

  private:
    QString ConfigDir(int device, int type) const;

    QString m_root;
    QString m_user;
    QString m_passwordDigest;
};

// A plain file name: not empty, no directory parts.
bool RepoNameIsPlain(const QString& name);
