// vimko-repo: the repository stand-in. Serves the seven requests of the
// manager's repository client on 127.0.0.1 (or --host):
//
//   vimko-repo --port N --dir FOLDER [--user U] [--password P] [--host ADDR]
//
// Prints "listening on <port>" once it accepts requests, and one line per
// request on standard output. See README.md beside this file.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTextStream>
#include <QUrlQuery>
#include <cstdio>

#include "tools/repo_stub/repo_store.h"

namespace {

QString Item(const QHttpServerRequest& request, const char* key) {
    return request.query().queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
}

int Number(const QHttpServerRequest& request, const char* key) {
    return Item(request, key).toInt();
}

QHttpServerResponse Respond(const RepoAnswer& answer) {
    if (answer.body.isEmpty()) {
        return QHttpServerResponse(static_cast<QHttpServerResponse::StatusCode>(answer.status));
    }
    return QHttpServerResponse("text/xml", answer.body,
                               static_cast<QHttpServerResponse::StatusCode>(answer.status));
}

void Log(const QHttpServerRequest& request, int status) {
    QTextStream out(stdout);
    out << (request.method() == QHttpServerRequest::Method::Post ? "POST " : "GET ")
        << request.url().path() << ' ' << status << '\n';
    out.flush();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"port", "TCP port to listen on.", "port"});
    parser.addOption({"dir", "Folder holding configs/, firmware/ and the event log.", "dir"});
    parser.addOption({"user", "The account's user name.", "user", "Quendo"});
    parser.addOption({"password", "The account's password.", "password", "tavrel"});
    parser.addOption({"host", "Address to listen on.", "host", "127.0.0.1"});
    // For testing clients against a service that misbehaves: uploads,
    // deletions and event-log posts are answered with a "vimko" root
    // without its "result".
    parser.addOption({"no-result", "Answer writes without a result element."});
    parser.process(app);
    bool portOk = false;
    uint port = parser.value("port").toUInt(&portOk);
    if (!portOk || port == 0 || port > 65535 || parser.value("dir").isEmpty()) {
        std::fprintf(
            stderr,
            "Usage: vimko-repo --port N --dir FOLDER [--user U] [--password P] [--no-result]\n");
        return 1;
    }
    QDir().mkpath(parser.value("dir"));
    RepoStore store(parser.value("dir"), parser.value("user"), parser.value("password"));

    const bool noResult = parser.isSet("no-result");
    QHttpServer server;
    // Each request: the method it must use, whether it carries a document,
    // and what the store answers.
    using Handler = std::function<RepoAnswer(const QHttpServerRequest&)>;
    auto add = [&](const char* path, bool post, bool resultAnswer, Handler handler) {
        server.route(QLatin1String(path), [&store, post, resultAnswer, noResult,
                                           handler](const QHttpServerRequest& request) {
            RepoAnswer answer;
            bool isPost = request.method() == QHttpServerRequest::Method::Post;
            if (isPost != post) {
                answer = {405, QByteArray()};
            } else if (!store.Authorized(Item(request, "u"), Item(request, "p"))) {
                // Lists and documents are refused by status; writes by their result.
                answer =
                    resultAnswer
                        ? RepoAnswer{200, RepoStore::ResultDocument(kRepoDenied, "Access denied")}
                        : RepoAnswer{403, QByteArray()};
            } else {
                answer = handler(request);
            }
            if (resultAnswer && noResult && answer.status == 200) {
                answer.body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vimko/>\n";
            }
            Log(request, answer.status);
            return Respond(answer);
        });
    };
    add("/services/firm_list.aspx", false, false, [&](const QHttpServerRequest& r) {
        return store.FirmList(Number(r, "device"), Number(r, "type"));
    });
    add("/services/firm_get.aspx", false, false, [&](const QHttpServerRequest& r) {
        return store.FirmGet(Number(r, "device"), Number(r, "type"), Item(r, "name"));
    });
    add("/services/config_list.aspx", false, false, [&](const QHttpServerRequest& r) {
        return store.ConfigList(Number(r, "device"), Number(r, "type"));
    });
    add("/services/config_get.aspx", false, false, [&](const QHttpServerRequest& r) {
        return store.ConfigGet(Number(r, "device"), Number(r, "type"), Item(r, "name"));
    });
    add("/services/config_upload.aspx", true, true,
        [&](const QHttpServerRequest& r) { return store.ConfigUpload(Item(r, "name"), r.body()); });
    add("/services/config_del.aspx", false, true, [&](const QHttpServerRequest& r) {
        return store.ConfigDelete(Number(r, "device"), Number(r, "type"), Item(r, "name"));
    });
    add("/services/event_log.aspx", true, true, [&](const QHttpServerRequest& r) {
        QTextStream(stdout) << "event_log u=" << Item(r, "u") << " t=" << Item(r, "t")
                            << " imei=" << Item(r, "imei") << '\n';
        return store.EventLog(Item(r, "u"), Item(r, "t"), Item(r, "imei"), r.body());
    });

    QHostAddress address(parser.value("host"));
    if (server.listen(address, static_cast<quint16>(port)) != port) {
        std::fprintf(stderr, "vimko-repo: cannot listen on port %u\n", port);
        return 1;
    }
    QTextStream(stdout) << "listening on " << port << Qt::endl;
    return app.exec();
}
