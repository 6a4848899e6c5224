#include "manager/logic/console_client.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>

namespace {

// Every received line restarts the window; the loop sleeps this long in the
// event loop when no line is queued.
constexpr int kQueueWaitMs = 10;
constexpr int kReaderWaitMs = 100;

}  // namespace

ConsoleClient::ConsoleClient(ManagerState& state, UserPrompt& prompt, QObject* parent)
    : QObject(parent), m_state(state), m_prompt(prompt), m_socket(new QTcpSocket(this)) {
    m_readerTimer.setInterval(kReaderWaitMs);
    connect(&m_readerTimer, &QTimer::timeout, this, &ConsoleClient::OnReaderTick);
    connect(m_socket, &QTcpSocket::readyRead, this, &ConsoleClient::OnReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &ConsoleClient::OnSocketError);
}

ConsoleClient::~ConsoleClient() {
    ConsoleDisconnect();
}

// ---------------------------------------------------------------------------
// Line reader

void ConsoleClient::StartReader() {
    m_assembler = ConsoleLineAssembler();
    m_dataSinceTick = false;
    m_readerRunning = true;
    m_readerFailed = false;
    m_readerTimer.start();
}

void ConsoleClient::StopReader() {
    m_readerRunning = false;
    m_readerTimer.stop();
}

void ConsoleClient::OnReadyRead() {
    QByteArray bytes = m_socket->readAll();
    if (!m_readerRunning || bytes.isEmpty()) return;
    m_dataSinceTick = true;
    QList<QByteArray> lines;
    m_assembler.Feed(bytes, lines);
    for (const QByteArray& line : lines) HandOver(line);
}

void ConsoleClient::OnReaderTick() {
    QByteArray line;
    bool dataCame = m_dataSinceTick;
    m_dataSinceTick = false;
    if (m_assembler.Wait(dataCame, line)) HandOver(line);
}

void ConsoleClient::HandOver(const QByteArray& line) {
    // Each received byte is one character of the line.
    m_state.consoleLines.push_back(QString::fromLatin1(line));
    emit lineReceived();
}

void ConsoleClient::OnSocketError(QAbstractSocket::SocketError error) {
    if (!m_readerRunning) return;
    // Bytes that came with the error still make their lines.
    OnReadyRead();
    StopReader();
    m_readerFailed = true;
    if (!m_loggedIn) return;  // ConsoleConnect reports its own failure
    m_state.consoleFailed = true;
    m_prompt.ShowWarning(QStringLiteral("Error #") + QString::number(static_cast<int>(error)));
    emit lineReceived();  // wakes a waiting command
}

bool ConsoleClient::TakeLine(QString& line) {
    if (m_state.consoleLines.empty()) return false;
    line = m_state.consoleLines.front();
    m_state.consoleLines.pop_front();
    return true;
}

void ConsoleClient::WaitForLine(int ms) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &ConsoleClient::lineReceived, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
}

void ConsoleClient::Send(const QString& line) {
    m_socket->write(line.toLatin1() + "\r\n");
    m_socket->flush();
}

bool ConsoleClient::SendLine(const QString& line) {
    if (m_readerFailed || !m_loggedIn) return false;
    Send(line);
    return true;
}

void ConsoleClient::ResetProgress() {
    m_state.progress = QStringLiteral("0");
    emit statusChanged();
}

// ---------------------------------------------------------------------------
// Connect, execute, disconnect

bool ConsoleClient::ConsoleConnect(const QString& address, const QString& user,
                                   const QString& password) {
    ConsoleDisconnect();
    qsizetype colon = address.indexOf(QLatin1Char(':'));
    QString host = colon < 0 ? address : address.left(colon);
    bool portOk = false;
    uint port = colon < 0 ? 0 : address.mid(colon + 1).trimmed().toUInt(&portOk);
    if (portOk && port > 0 && port <= 65535) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(m_socket, &QTcpSocket::connected, &loop, &QEventLoop::quit);
        connect(m_socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
        m_socket->connectToHost(host, static_cast<quint16>(port));
        limit.start(m_loginWindowMs);
        if (m_socket->state() != QAbstractSocket::ConnectedState) loop.exec();
    }
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        m_socket->abort();
        m_prompt.ShowWarning(QStringLiteral("I can not connect to server data"));
        return false;
    }

    m_state.consoleLines.clear();
    StartReader();
    OnReadyRead();  // bytes that came with the connection
    bool refused = false;
    QElapsedTimer window;
    window.start();
    while (window.elapsed() < m_loginWindowMs) {
        QString line;
        if (!TakeLine(line)) {
            if (m_readerFailed) break;  // the server closed: nothing more will come
            WaitForLine(kQueueWaitMs);
            continue;
        }
        window.restart();
        QString word = line.trimmed();
        if (word == QLatin1String("username")) {
            Send(user);
        } else if (word == QLatin1String("password")) {
            Send(password);
        } else if (word == QLatin1String("mode")) {
            Send(QStringLiteral("binary"));
        } else if (word == QLatin1String("logout")) {
            refused = true;
            break;
        } else if (word == QLatin1String("command")) {
            m_loggedIn = true;
            return true;
        }
    }
    StopReader();
    m_socket->abort();
    m_prompt.ShowWarning(
        refused ? QStringLiteral("You have entered an incorrect password for data server")
                : QStringLiteral("The server is not responding as expected"));
    return false;
}

ConsoleResult ConsoleClient::ConsoleExecute(const QString& command, QStringList& answers,
                                            bool terminable) {
    answers.clear();
    m_state.consoleLines.clear();
    // A failed connection stays failed until the next connect: report it at
    // once rather than waiting out the window for lines that cannot come.
    if (m_readerFailed || !m_loggedIn) {
        m_state.consoleFailed = true;
        return kResultTerminated;
    }
    m_state.consoleFailed = false;
    Send(command);

    ConsoleResult result = kResultNone;
    bool finalSeen = false;
    bool terminateSeen = false;
    QElapsedTimer window;
    window.start();
    for (;;) {
        if (window.elapsed() >= m_commandWindowMs) {
            if (!finalSeen) Send(QStringLiteral("terminate"));
            ResetProgress();
            return result;
        }
        if (m_state.terminateRequested && !terminateSeen) {
            terminateSeen = true;
            if (!terminable) {
                ResetProgress();
                return kResultTerminated;
            }
            Send(QStringLiteral("terminate"));
        }
        if (m_state.consoleFailed) return kResultTerminated;
        QString line;
        if (!TakeLine(line)) {
            WaitForLine(kQueueWaitMs);
            continue;
        }
        window.restart();
        static const struct {
            const char* word;
            ConsoleResult result;
        } kFinals[] = {
            {"done", kResultDone},       {"error", kResultError}, {"terminated", kResultTerminated},
            {"timeout", kResultTimeout}, {"busy", kResultBusy},   {"reject", kResultReject}};
        if (line == QLatin1String("command")) {
            ResetProgress();
            return result;
        }
        bool final = false;
        for (const auto& f : kFinals) {
            if (line == QLatin1String(f.word)) {
                result = f.result;
                finalSeen = final = true;
            }
        }
        if (final) continue;
        if (line.startsWith(QLatin1String("answer "))) {
            answers.append(line.mid(7));
        } else if (line.startsWith(QLatin1String("info "))) {
            m_state.ShowStatus(line.mid(5), 50);
            emit statusChanged();
        } else if (line.startsWith(QLatin1String("progress "))) {
            m_state.progress = line.mid(9);
            emit statusChanged();
        }
    }
}

void ConsoleClient::ConsoleDisconnect() {
    StopReader();
    m_loggedIn = false;
    m_readerFailed = false;
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_socket->disconnectFromHost();
        if (m_socket->state() != QAbstractSocket::UnconnectedState) m_socket->abort();
    }
}
