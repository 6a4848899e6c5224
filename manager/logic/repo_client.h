#pragma once
// The manager's client of the repository web service: lists, documents,
// uploads, deletions and the event log that authorises every configuration
// write. Window-free controller: it owns the network access, waits for each
// reply in a nested event loop, and asks the person through UserPrompt.

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>
#include <optional>

#include "manager/logic/manager_state.h"
#include "manager/logic/param_list.h"
#include "manager/logic/repo_requests.h"
#include "manager/logic/user_prompt.h"

class RepoClient : public QObject {
    Q_OBJECT
  public:
    // Off-line access of this program run: asked once, granted or refused.
    enum OfflineAccess : int { kNotAsked = 0, kGranted = 1, kRefused = 2 };

    explicit RepoClient(UserPrompt& prompt, QObject* parent = nullptr);

    RepoSettings settings;
    int offlineAccess = kNotAsked;
    int timeoutMs = 30000;  // per request

    // GET a list document and let the person choose a name. With
    // `allowRemove` the dialog may delete entries (config_del with
    // `device` and `type`). Nothing when the list could not be read or the
    // dialog was cancelled.
    std::optional<QString> RepoList(const QUrl& url, bool allowNewName, bool allowRemove,
                                    int device = 0, int type = 0);
    // GET a document; nothing (after a warning) unless the answer is 200.
    std::optional<QByteArray> RepoGet(const QUrl& url);
    // POST a document ("text/xml"); true for 200 with a result of errcode 0.
    bool RepoPost(const QUrl& url, const QByteArray& document, bool showErrors);

    // The check before every configuration write (t: 0 local, 1 remote,
    // 2 remote off-line). With network access `exported` (the active tab's
    // configuration document) goes to the event log; without it the day's
    // access code decides.
    bool RepositoryAuthorize(int t, const QString& imei, bool showErrors,
                             const QByteArray& exported);

    // "&Import" from the repository: the number of records applied, 0 when
    // the document does not fit (after the warning), -1 when nothing was
    // chosen or fetched.
    int ImportConfigFromRepository(int tab, int deviceType, ParamList& list);
    // "&Export" to the repository; true when the upload was accepted.
    bool ExportConfigToRepository(int tab, int deviceType, const ParamList& list);

  private:
    struct Reply {
        bool transportOk = false;
        int status = 0;
        QByteArray body;
    };
    Reply Request(const QUrl& url, const QByteArray* postBody);
    bool RemoveConfig(int device, int type, const QString& name);

    UserPrompt& m_prompt;
    QNetworkAccessManager m_network;
};
