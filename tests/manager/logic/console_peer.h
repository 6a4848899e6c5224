#pragma once
// A stand-in for the server's console on a free 127.0.0.1 port, for what
// the real server never sends or sends too fast to observe: it hands every
// line it receives to `onLine` and sends what the test tells it.

#include <QByteArray>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

#include <gtest/gtest.h>

#include "tests/support/test_config.h"

// A console peer on a free port: it hands every line it receives to
// `onLine` and sends what the test tells it.
class ConsolePeer {
  public:
    ConsolePeer() {
        port = FreePort();
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, static_cast<quint16>(port)));
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            m_client = m_server.nextPendingConnection();
            if (onConnect) onConnect();
            QObject::connect(m_client, &QTcpSocket::readyRead, [this] {
                m_pending += m_client->readAll();
                qsizetype end;
                while ((end = m_pending.indexOf("\r\n")) >= 0) {
                    QByteArray line = m_pending.left(end);
                    m_pending.remove(0, end + 2);
                    lines.append(QString::fromLatin1(line));
                    if (onLine) onLine(line);
                }
            });
        });
    }
    void Send(const QByteArray& bytes) {
        m_client->write(bytes);
        m_client->flush();
    }

    int port = 0;
    QStringList lines;
    std::function<void()> onConnect;
    std::function<void(const QByteArray&)> onLine;

  private:
    QTcpServer m_server;
    QTcpSocket* m_client = nullptr;
    QByteArray m_pending;
};

// Logs a peer in: prompts as the server sends them.
inline void AnswerLogin(ConsolePeer& peer, const std::function<void(const QByteArray&)>& commands) {
    peer.onConnect = [&peer] { peer.Send("Telnet console ver. 2.004.256\r\nusername\r\n"); };
    peer.onLine = [&peer, commands](const QByteArray& line) {
        if (peer.lines.size() == 1) {
            peer.Send("password\r\n");
        } else if (peer.lines.size() == 2) {
            peer.Send("mode\r\n");
        } else if (peer.lines.size() == 3) {
            peer.Send("command\r\n");
        } else {
            commands(line);
        }
    };
}
