#include "manager/logic/serial_link.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSerialPortInfo>
#include <QTimer>
#include <algorithm>

#include "manager/logic/serial_answers.h"

namespace {

// A waiting action looks at terminateRequested this often when no byte
// comes to wake it.
constexpr int kWakeMs = 10;

}  // namespace

QStringList SerialPortNames() {
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names.append(info.portName());
    return names;
}

SerialLink::SerialLink(ManagerState& state, UserPrompt& prompt, QObject* parent)
    : QObject(parent),
      m_state(state),
      m_prompt(prompt),
      m_port(new QSerialPort(this)),
      m_reader([this](std::string_view line) { OnLine(line); },
               [this](std::span<const uint8_t> frame) { OnFrame(frame); }) {
    connect(m_port, &QSerialPort::readyRead, this, &SerialLink::OnReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialLink::OnError);
}

SerialLink::~SerialLink() {
    ClosePort();
}

// ---------------------------------------------------------------------------
// Port

bool SerialLink::OpenPort(const QString& name, int speed) {
    ClosePort();
    m_name = name;
    m_port->setPortName(name);
    // QSerialPort opens the device exclusively (a lock file and TIOCEXCL), so
    // a second program cannot talk to the unit at the same time.
    if (!m_port->open(QIODevice::ReadWrite)) return false;
    bool configured = m_port->setBaudRate(speed) && m_port->setDataBits(QSerialPort::Data8) &&
                      m_port->setParity(QSerialPort::NoParity) &&
                      m_port->setStopBits(QSerialPort::OneStop) &&
                      m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        m_port->close();
        return false;
    }
    m_port->clear();
    m_reader.SetFraming(m_state.deviceType != kVimko1);
    m_bytesReceived = 0;
    return true;
}

void SerialLink::ClosePort() {
    if (m_port->isOpen()) m_port->close();
}

bool SerialLink::IsOpen() const {
    return m_port->isOpen();
}

QString SerialLink::PortName() const {
    return m_name;
}

void SerialLink::SetFraming(bool binary) {
    m_reader.SetFraming(binary);
}

bool SerialLink::ConnectNode(const QString& name, bool use4800) {
    if (m_state.localLinkOpen) DisconnectNode();
    if (!OpenPort(name, LocalSpeed(m_state.deviceType, use4800))) {
        m_prompt.ShowWarning(QStringLiteral("Can not open port ") + name);
        m_state.localControlsOn = false;
        return false;
    }
    m_state.localLinkOpen = true;
    m_state.ShowStatus(StatusLabel(), 50);
    m_state.localControlsOn = true;
    emit statusChanged();
    return true;
}

void SerialLink::DisconnectNode() {
    ClosePort();
    m_state.localLinkOpen = false;
    m_state.localControlsOn = false;
    emit statusChanged();
}

QString SerialLink::StatusLabel() const {
    if (!m_state.localLinkOpen) return QStringLiteral("Disconnected");
    return QStringLiteral("Connected (") + PortName() + QLatin1Char(')');
}

void SerialLink::OnError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError) return;
    if (error == QSerialPort::ResourceError) {
        // The device is gone; nothing more will come from it.
        m_port->clearError();
        ClosePort();
        m_state.localLinkOpen = false;
        m_state.localControlsOn = false;
        emit portLost();
        emit statusChanged();
        return;
    }
    // Line errors and breaks: the error state is cleared and what arrived
    // is still read, as a unit's frame after a break is sound.
    m_port->clearError();
    if (m_port->isOpen()) OnReadyRead();
}

// ---------------------------------------------------------------------------
// Receiving

void SerialLink::OnReadyRead() {
    uint8_t buffer[kSerialBufferSize];
    for (;;) {
        qint64 n = m_port->read(reinterpret_cast<char*>(buffer), sizeof buffer);
        if (n <= 0) return;
        m_bytesReceived += n;
        m_reader.Feed(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
    }
}

void SerialLink::OnLine(std::string_view line) {
    if (std::optional<std::string> debug = SerialDebugLine(line)) {
        LogDebug(QLatin1Char(' ') +
                     QString::fromLatin1(debug->data(), static_cast<qsizetype>(debug->size())),
                 true);
    }
    emit lineReceived(QByteArray(line.data(), static_cast<qsizetype>(line.size())));
}

void SerialLink::OnFrame(std::span<const uint8_t> bytes) {
    SerialFrame frame;
    if (!SerialParseFrame(bytes, frame)) return;  // a wrong XOR is dropped silently
    if (std::optional<std::string> text = SerialFrameLogText(bytes)) {
        LogDebug(QString::fromLatin1(text->data(), static_cast<qsizetype>(text->size())), true);
    }
    switch (SerialAnswerKind(frame)) {
        case AnswerKind::kAccepted:
            m_answerState = 1;
            break;
        case AnswerKind::kRefused:
            m_answerState = 2;
            break;
        case AnswerKind::kData:
        case AnswerKind::kArchive:
            if (frame.header.command == m_expectCommand && frame.header.item == m_expectItem) {
                m_answer = frame;
                m_answerState = 1;
            }
            break;
        default:
            break;
    }
    emit frameReceived(frame);
}

// ---------------------------------------------------------------------------
// Sending and waiting

// A write to a port that is gone fails at once, or, when the loss shows
// only as the bytes are pushed out, closes the port in flush(): either way
// the caller learns that nothing reached the unit.
bool SerialLink::SendText(const std::string& body) {
    std::string line = SerialTextLine(body);
    const qint64 size = static_cast<qint64>(line.size());
    bool queued = m_port->isOpen() && m_port->write(line.data(), size) == size;
    if (queued) m_port->flush();
    return queued && m_port->isOpen();
}

bool SerialLink::SendFrame(const std::vector<uint8_t>& frame) {
    const qint64 size = static_cast<qint64>(frame.size());
    bool queued = m_port->isOpen() &&
                  m_port->write(reinterpret_cast<const char*>(frame.data()), size) == size;
    if (queued) m_port->flush();
    ++m_sequence;  // wraps at 256
    return queued && m_port->isOpen();
}

void SerialLink::ExpectAnswer(int dataCommand, int item) {
    m_answerState = 0;
    m_expectCommand = dataCommand;
    m_expectItem = item;
    m_answer = SerialFrame();
}

bool SerialLink::WaitForAnswer(int ms) {
    return WaitFor(
        ms, [this] { return m_answerState != 0; }, false);
}

bool SerialLink::WaitFor(int ms, const std::function<bool()>& done, bool stopOnTerminate) {
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        if (done()) return true;
        if (stopOnTerminate && m_state.terminateRequested) return false;
        qint64 left = ms - elapsed.elapsed();
        if (left <= 0) return false;
        QEventLoop loop;
        QTimer wake;
        wake.setSingleShot(true);
        connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(this, &SerialLink::lineReceived, &loop, &QEventLoop::quit);
        connect(this, &SerialLink::frameReceived, &loop, &QEventLoop::quit);
        wake.start(static_cast<int>(std::min<qint64>(left, kWakeMs)));
        loop.exec();
    }
}

void SerialLink::LogDebug(const QString& text, bool stamped) {
    if (!stamped) {
        emit debugLine(text);
        return;
    }
    // Frame texts begin with their own blank; the Debug log is in UTC like every log.
    emit debugLine(QDateTime::currentDateTimeUtc().time().toString(QStringLiteral("HH:mm:ss.zzz")) +
                   text);
}
