#pragma once
// The manager's client of the server's operator console: one TCP connection,
// logged in and in binary mode, one command at a time.
//
// Window-free controller: it owns the socket and the 100-ms reader timer and
// runs on the GUI thread. ConsoleConnect and ConsoleExecute wait in nested
// event loops (the windows stay alive, and ManagerState::busy keeps a second
// operation from starting); received lines go to ManagerState::consoleLines.

#include <QAbstractSocket>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include "manager/logic/console_line_assembler.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/user_prompt.h"

class QTcpSocket;

class ConsoleClient : public QObject {
    Q_OBJECT
  public:
    // The two waiting windows, each restarted by every received line.
    static constexpr int kLoginWindowMs = 8640;     // 0.0001 day
    static constexpr int kCommandWindowMs = 69120;  // 0.0008 day

    ConsoleClient(ManagerState& state, UserPrompt& prompt, QObject* parent = nullptr);
    ~ConsoleClient() override;

    // Connects to "host:port" and answers the login dialogue; true when the
    // "command" prompt came (the caller then sets consoleConnected).
    bool ConsoleConnect(const QString& address, const QString& user, const QString& password);
    // Sends `command` and collects the text of its "answer " lines.
    ConsoleResult ConsoleExecute(const QString& command, QStringList& answers, bool terminable);
    // Stops the reader and closes the socket.
    void ConsoleDisconnect();

    // For an exchange that keeps several lines in flight (the firmware copy)
    // instead of one command at a time: sends one line without waiting
    // (false when not logged in or the connection failed), takes the oldest
    // received line, waits in the event loop for the next line or `ms`.
    bool SendLine(const QString& line);
    bool TakeLine(QString& line);
    void WaitForLine(int ms);

    // Shorter windows for tests.
    void SetWindows(int loginMs, int commandMs) {
        m_loginWindowMs = loginMs;
        m_commandWindowMs = commandMs;
    }

  signals:
    // A line was appended to consoleLines.
    void lineReceived();
    // statusText or progress of ManagerState changed.
    void statusChanged();

  private:
    void Send(const QString& line);
    void StartReader();
    void StopReader();
    void OnReadyRead();
    void OnReaderTick();
    void OnSocketError(QAbstractSocket::SocketError error);
    void HandOver(const QByteArray& line);
    void ResetProgress();

    ManagerState& m_state;
    UserPrompt& m_prompt;
    QTcpSocket* m_socket;
    QTimer m_readerTimer;  // the reader's 100-ms waits
    ConsoleLineAssembler m_assembler;
    bool m_dataSinceTick = false;
    bool m_readerRunning = false;
    bool m_readerFailed = false;  // the socket reported an error; no more lines will come
    bool m_loggedIn = false;      // socket errors are reported only once logged in
    int m_loginWindowMs = kLoginWindowMs;
    int m_commandWindowMs = kCommandWindowMs;
};
