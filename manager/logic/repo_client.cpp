#include "manager/logic/repo_client.h"

#include <QDateTime>
#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "manager/logic/access_code.h"
#include "manager/logic/config_document.h"

RepoClient::RepoClient(UserPrompt& prompt, QObject* parent)
    : QObject(parent), m_prompt(prompt), m_network(this) {}

RepoClient::Reply RepoClient::Request(const QUrl& url, const QByteArray* postBody) {
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    QNetworkReply* reply;
    if (postBody) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/xml"));
        reply = m_network.post(request, *postBody);
    } else {
        reply = m_network.get(request);
    }
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) loop.exec();
    Reply result;
    QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    result.transportOk = status.isValid();
    result.status = status.toInt();
    result.body = reply->readAll();
    reply->deleteLater();
    return result;
}

std::optional<QString> RepoClient::RepoList(const QUrl& url, bool allowNewName, bool allowRemove,
                                            int device, int type) {
    Reply reply = Request(url, nullptr);
    if (!reply.transportOk || reply.status != 200) {
        m_prompt.ShowWarning(QStringLiteral("I can not retrieve data from the server list"));
        return std::nullopt;
    }
    std::function<bool(const QString&)> remove;
    if (allowRemove) {
        remove = [this, device, type](const QString& name) {
            return RemoveConfig(device, type, name);
        };
    }
    QString name =
        m_prompt.ChooseRepositoryName(ParseListDocument(reply.body), allowNewName, remove);
    if (name.isEmpty()) return std::nullopt;
    return name;
}

bool RepoClient::RemoveConfig(int device, int type, const QString& name) {
    Reply reply = Request(ConfigDelUrl(settings, device, type, name), nullptr);
    if (!reply.transportOk || reply.status != 200) {
        m_prompt.ShowWarning(QStringLiteral("The server did not return the expected response"));
        return false;
    }
    RepoResult result = ParseResultDocument(reply.body);
    if (!result.present) {
        m_prompt.ShowWarning(QStringLiteral("Can not remove the data from the server"));
        return false;
    }
    if (result.errcode == 0) return true;
    m_prompt.ShowWarning(QStringLiteral("Can not remove the data from the server (errcode=") +
                         QString::number(result.errcode) + QStringLiteral(" msg=") + result.msg +
                         QLatin1Char(')'));
    return false;
}

std::optional<QByteArray> RepoClient::RepoGet(const QUrl& url) {
    Reply reply = Request(url, nullptr);
    if (!reply.transportOk || reply.status != 200) {
        m_prompt.ShowWarning(QStringLiteral("I can not retrieve data from the server"));
        return std::nullopt;
    }
    return reply.body;
}

bool RepoClient::RepoPost(const QUrl& url, const QByteArray& document, bool showErrors) {
    Reply reply = Request(url, &document);
    QString warning;
    if (!reply.transportOk || reply.status != 200) {
        warning = QStringLiteral("I can not write data to the server");
    } else {
        RepoResult result = ParseResultDocument(reply.body);
        if (!result.present) {
            warning = QStringLiteral("The server did not return the expected response");
        } else if (result.errcode != 0) {
            warning = QStringLiteral("I can not write data to the server (errcode=") +
                      QString::number(result.errcode) + QStringLiteral(" msg=") + result.msg +
                      QLatin1Char(')');
        }
    }
    if (warning.isEmpty()) return true;
    if (showErrors) m_prompt.ShowWarning(warning);
    return false;
}

bool RepoClient::RepositoryAuthorize(int t, const QString& imei, bool showErrors,
                                     const QByteArray& exported) {
    if (!settings.offline) return RepoPost(EventLogUrl(settings, t, imei), exported, showErrors);
    if (offlineAccess == kGranted) return true;
    if (offlineAccess == kRefused) return false;
    std::optional<QString> typed = m_prompt.AskAccessCode();
    // A cancelled dialog is no answer: the next write asks again.
    if (!typed) return false;
    if (*typed == AccessCodeFor(QDateTime::currentDateTimeUtc().date())) {
        offlineAccess = kGranted;
        return true;
    }
    offlineAccess = kRefused;
    if (showErrors) m_prompt.ShowWarning(QStringLiteral("The password is incorrect"));
    return false;
}

int RepoClient::ImportConfigFromRepository(int tab, int deviceType, ParamList& list) {
    const int device = deviceType + 1, type = tab + 1;
    std::optional<QString> name =
        RepoList(ConfigListUrl(settings, device, type), false, true, device, type);
    if (!name) return -1;
    std::optional<QByteArray> document = RepoGet(ConfigGetUrl(settings, device, type, *name));
    if (!document) return -1;
    int applied = ImportConfig(tab, deviceType, list, *document);
    if (applied == 0) {
        m_prompt.ShowWarning(
            QStringLiteral("Selected data do not match the configuration displayed"));
    }
    return applied;
}

bool RepoClient::ExportConfigToRepository(int tab, int deviceType, const ParamList& list) {
    const int device = deviceType + 1, type = tab + 1;
    std::optional<QString> name =
        RepoList(ConfigListUrl(settings, device, type), true, true, device, type);
    if (!name) return false;
    return RepoPost(ConfigUploadUrl(settings, WithXmlExtension(*name)),
                    ExportConfig(tab, deviceType, list), true);
}
