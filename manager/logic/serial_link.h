#pragma once
// The manager's end of the serial cable: a window-free controller on the GUI
// thread that owns the QSerialPort, the SerialReader, the `sequence` byte
// and the answer state of the local action that is waiting.
//
// Received bytes are fed to the reader as the port delivers them (at most
// 512 at a time); whole text lines and checked binary frames are handed to
// the actions and the monitor through signals, and the Debug page's lines
// ("$GPDBG," text, command 50 frames, the terminals' frames on a shared
// cable, the system dump) through debugLine. An action waits in a nested
// event loop, woken by every line or frame and every 10 ms to look at
// `terminateRequested`, so the windows stay alive meanwhile.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "manager/logic/manager_state.h"
#include "manager/logic/serial_frame.h"
#include "manager/logic/serial_reader.h"
#include "manager/logic/user_prompt.h"

// The machine's serial ports, by name, for the tree's "Local managment" node.
QStringList SerialPortNames();

// 4800 bit/s only for a Vimko-1 unit with "Use the speed 4800bps" checked.
inline int LocalSpeed(int deviceType, bool use4800) {
    return deviceType == kVimko1 && use4800 ? 4800 : 9600;
}

class SerialLink : public QObject {
    Q_OBJECT
  public:
    SerialLink(ManagerState& state, UserPrompt& prompt, QObject* parent = nullptr);
    ~SerialLink() override;

    // Opens the port by name (a name such as "ttyUSB0" or a device path),
    // exclusively, 8N1, no flow control, binary framing unless DeviceType
    // is 0. False when it cannot be opened or configured.
    bool OpenPort(const QString& name, int speed);
    void ClosePort();
    bool IsOpen() const;
    QString PortName() const;
    // The device combo changed while the port is open: the buffer empties.
    void SetFraming(bool binary);

    // A click on a serial-port node of the tree: closes a port that is
    // open, opens `name` at the speed for the device type and sets
    // localLinkOpen, the status text and the local control set; warns
    // "Can not open port <name>" on failure.
    bool ConnectNode(const QString& name, bool use4800);
    // Any other node (or "&Refresh") while the port is open.
    void DisconnectNode();
    // The local "Status:" label of the Settings page.
    QString StatusLabel() const;

    // body "*" checksum CR LF. False when the port is closed or was lost
    // on this write (what waits for an answer learns it from the silence).
    bool SendText(const std::string& body);
    // A frame built with sequence(); sequence is incremented afterwards.
    // False as for SendText.
    bool SendFrame(const std::vector<uint8_t>& frame);
    uint8_t sequence() const { return m_sequence; }

    // --- the waiting action's answer (answerState) -------------------------
    // Starts a wait: answerState 0, no data. A data answer counts when its
    // command is `dataCommand` (40 or 80) and its item is `item`.
    void ExpectAnswer(int dataCommand, int item);
    // 0 nothing yet, 1 accepted or data came, 2 refused.
    int answerState() const { return m_answerState; }
    const SerialFrame& answer() const { return m_answer; }
    // Pumps events until answerState is not 0 or `ms` passed; true when an
    // answer came.
    bool WaitForAnswer(int ms);
    // Pumps events until `done` holds or `ms` passed (a pacing gap with a
    // condition that never holds). True when `done` held. terminateRequested
    // also ends the wait when `stopOnTerminate`.
    bool WaitFor(int ms, const std::function<bool()>& done, bool stopOnTerminate);

    // Adds one line to the Debug log; `stamped` puts the UTC time "HH:MM:SS.ZZZ"
    // first (the text brings its own leading blank).
    void LogDebug(const QString& text, bool stamped);

    // Bytes the reader has taken since the port was opened (for tests and
    // the port statistics of the Debug page).
    qint64 bytesReceived() const { return m_bytesReceived; }

  signals:
    void lineReceived(const QByteArray& line);
    void frameReceived(const SerialFrame& frame);
    void debugLine(const QString& line);
    // The port went away under the link (a cable adapter unplugged): it has
    // been closed and localLinkOpen cleared.
    void portLost();
    void statusChanged();

  private:
    void OnReadyRead();
    void OnError(QSerialPort::SerialPortError error);
    void OnLine(std::string_view line);
    void OnFrame(std::span<const uint8_t> bytes);

    ManagerState& m_state;
    UserPrompt& m_prompt;
    QSerialPort* m_port;
    QString m_name;  // as the tree node shows it
    SerialReader m_reader;
    uint8_t m_sequence = 0;
    int m_answerState = 0;
    int m_expectCommand = -1, m_expectItem = -1;
    SerialFrame m_answer;
    qint64 m_bytesReceived = 0;
};
