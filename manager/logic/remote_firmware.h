#pragma once
// Sending firmware and reading firmware versions: the Firmware page's
// "&Send" (remote: a single unit or the group; local: handed to the serial
// link's upload) and the "&Read" beside the firmware-kind combo.
//
// A remote upload first copies the image into the console session's upload
// buffer with "writedata" lines, keeping up to five of them unacknowledged,
// each acknowledged by one "done"; then "writefirm", "writetfrm" or
// "writedfrm" makes the server send it to the unit. Window-free controller
// on the GUI thread; the group rows are RemoteConfig's.

#include <QByteArray>
#include <QObject>
#include <functional>
#include <optional>

#include "manager/logic/console_client.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/remote_config.h"
#include "manager/logic/user_prompt.h"

// What the local firmware upload gets from "&Send": the image and how to
// send it.
struct LocalFirmwareUpload {
    bool textUpload = false;  // DeviceType 0: "$FIRM" lines; else binary frames
    int cpuBit = 0;           // 2: the 1920-line / 480-block image
    QByteArray image;
};

class FirmwareSender : public QObject {
    Q_OBJECT
  public:
    // Unacknowledged "writedata" lines at most.
    static constexpr int kCopyWindow = 5;
    // The copy gives up this long after the last line came.
    static constexpr int kCopyIdleMs = 6912;  // 0.00008 day

    FirmwareSender(ManagerState& state, ConsoleClient& console, RemoteConfig& remote,
                   UserPrompt& prompt, QObject* parent = nullptr);

    // The local branch of "&Send", called with the loaded image once the
    // kind was found to be "Firmware Vimko". The serial link's upload plugs
    // in here and runs its own busy operation.
    std::function<void(const LocalFirmwareUpload&)> localUpload;

    // "&Send": local view -> localUpload; group node -> every member after
    // the question; unit node -> RemoteFirmware(-1).
    void SendButton();
    // One remote upload. member -1: the selected unit; otherwise the
    // member's index among the occupied group rows, whose "Status" gets the
    // outcome.
    void RemoteFirmware(int member);

    // "&Read" of the firmware version: the selected unit, or each group
    // member in turn.
    void ReadVersionButton();
    void RemoteVersion(int member);

    // A shorter idle limit of the copy, for tests.
    void SetCopyIdleLimit(int ms) { m_copyIdleMs = ms; }

  signals:
    void statusChanged();   // status text or progress
    void groupChanged();    // a member's "Status"
    void versionChanged();  // ManagerState::firmwareVersion

  private:
    struct Target {
        QString imei;
        GroupRow* row = nullptr;  // null for the selected unit
    };
    // The unit checks; nothing (after the warning or the member's status)
    // when the kind cannot go to it.
    std::optional<Target> CheckTarget(int member, int kind);
    bool CopyToServer();
    void SetMemberStatus(GroupRow* row, const QString& status);
    void SetProgress(int percent);
    // The members after the check for an empty group; each gets its status
    // cleared. Empty when there is nothing to do.
    QList<int> StartGroup(const QString* question);

    ManagerState& m_state;
    ConsoleClient& m_console;
    RemoteConfig& m_remote;
    UserPrompt& m_prompt;
    int m_copyIdleMs = kCopyIdleMs;
};
