#include "manager/logic/remote_firmware.h"

#include <QElapsedTimer>

#include "manager/logic/firmware_commands.h"
#include "manager/logic/firmware_image.h"

namespace {

const char* const kInterrupted = "The execution has been interrupted";
const char* const kWrongState = "Command impossible to do in the current state of the device";
const char* const kSendError = "An error occurred while sending firmware: ";
constexpr int kDoneTicks = 50;  // five seconds
constexpr int kQueueWaitMs = 10;

}  // namespace

FirmwareSender::FirmwareSender(ManagerState& state, ConsoleClient& console, RemoteConfig& remote,
                               UserPrompt& prompt, QObject* parent)
    : QObject(parent), m_state(state), m_console(console), m_remote(remote), m_prompt(prompt) {}

void FirmwareSender::SetMemberStatus(GroupRow* row, const QString& status) {
    row->status = status;
    emit groupChanged();
}

void FirmwareSender::SetProgress(int percent) {
    m_state.progress = QString::number(percent);
    emit statusChanged();
}

std::optional<FirmwareSender::Target> FirmwareSender::CheckTarget(int member, int kind) {
    const int type = m_state.deviceType;
    if (member < 0) {
        if (!m_remote.unitSelected()) return std::nullopt;
        DeviceListEntry unit = m_remote.Selected();
        QString refusal = KindRefusal(type, kind);
        if (unit.protocol != TcpProtocolBit(type)) {
            refusal = QStringLiteral("The selected firmware does not match the selected device");
        } else if (!unit.loggedIn()) {
            refusal = QLatin1String(kWrongState);
        }
        if (!refusal.isEmpty()) {
            m_prompt.ShowWarning(refusal);
            return std::nullopt;
        }
        return Target{unit.imei, nullptr};
    }
    QList<int> members = m_remote.Members();
    if (member >= members.size()) return std::nullopt;
    GroupRow* row = &m_remote.group[members[member]];
    if (row->mode != TcpModeName(type)) {
        SetMemberStatus(row, QStringLiteral("Invalid device type"));
        return std::nullopt;
    }
    if (!KindRefusal(type, kind).isEmpty()) {
        SetMemberStatus(row, QStringLiteral("Not available"));
        return std::nullopt;
    }
    return Target{row->imei, row};
}

QList<int> FirmwareSender::StartGroup(const QString* question) {
    QList<int> members = m_remote.Members();
    if (members.isEmpty()) {
        m_prompt.ShowWarning(QStringLiteral("Device group is empty"));
        return {};
    }
    if (question && !m_prompt.AskYesNo(*question)) return {};
    for (int i : members) m_remote.group[i].status.clear();
    emit groupChanged();
    return members;
}

// ---------------------------------------------------------------------------
// Sending

void FirmwareSender::SendButton() {
    if (!m_state.firmwareLoaded) return;
    if (!m_state.remoteView) {
        if (KindOfFlags(m_state.firmwareFlags) != kFirmwareVimko) {
            m_prompt.ShowWarning(
                QStringLiteral("The function is not available for the local connection"));
            return;
        }
        if (localUpload) {
            localUpload({m_state.deviceType == kVimko1, CpuBitOfFlags(m_state.firmwareFlags),
                         m_state.firmwareImage});
        }
        return;
    }
    if (!m_remote.groupSelected()) {
        RemoteFirmware(-1);
        return;
    }
    const QString question =
        QStringLiteral("Do you want to upload the firmware to the device group?");
    QList<int> members = StartGroup(&question);
    if (members.isEmpty()) return;
    // One busy operation spans the group, so "Terminate" stops the loop
    // after the member it was pressed in.
    BusyScope busy(m_state);
    if (busy.refused()) return;
    for (int m = 0; m < members.size(); ++m) {
        SetMemberStatus(&m_remote.group[members[m]], QStringLiteral("Executing..."));
        RemoteFirmware(m);
        if (m_state.terminateRequested) break;
    }
}

void FirmwareSender::RemoteFirmware(int member) {
    std::optional<BusyScope> busy;  // a group upload holds it already
    if (member < 0) {
        busy.emplace(m_state);
        if (busy->refused()) return;
    }
    if (!m_state.firmwareLoaded) return;
    const int kind = KindOfFlags(m_state.firmwareFlags);
    std::optional<Target> target = CheckTarget(member, kind);
    if (!target) return;

    if (!CopyToServer()) {
        if (target->row) {
            SetMemberStatus(target->row, QStringLiteral("Connection Error"));
        } else {
            m_prompt.ShowWarning(
                QStringLiteral("An error occurred while copying the firmware on the server"));
        }
        return;
    }
    QStringList answers;
    ConsoleResult r =
        m_console.ConsoleExecute(FirmwareWriteWord(kind) + ' ' + target->imei, answers, true);
    if (target->row) {
        SetMemberStatus(target->row, MemberResultText(r));
    } else if (r == kResultDone) {
        m_state.ShowStatus(QStringLiteral("Operation done correctly"), kDoneTicks);
        emit statusChanged();
    } else if (r == kResultTerminated) {
        m_prompt.ShowWarning(QLatin1String(kInterrupted));
    } else {
        m_prompt.ShowWarning(QLatin1String(kSendError) + QString::number(r));
    }
}

// The image goes to the session's upload buffer in order, block by block;
// the server answers every line with "done" (or "error") and a "command"
// prompt. Five lines in flight keep the link busy without the server's
// input piling up.
bool FirmwareSender::CopyToServer() {
    const QByteArray image = m_state.firmwareImage;
    const int count = FirmwareBlockCount(m_state.firmwareFlags, image.size());
    m_state.ShowStatus(QStringLiteral("Copy the firmware file to the server..."), kDoneTicks);
    emit statusChanged();
    m_state.consoleLines.clear();

    int sent = 0, acked = 0, prompts = 0;
    bool failed = false;
    QElapsedTimer idle;
    idle.start();
    while (!failed && idle.elapsed() < m_copyIdleMs && !m_state.terminateRequested) {
        while (sent - acked < kCopyWindow && sent < count) {
            if (!m_console.SendLine(WritedataLine(sent, FirmwareBlock(image, sent)))) {
                failed = true;
                break;
            }
            ++sent;
        }
        QString line;
        if (failed || !m_console.TakeLine(line)) {
            if (!failed) m_console.WaitForLine(kQueueWaitMs);
            continue;
        }
        idle.restart();
        if (line == QLatin1String("done")) {
            ++acked;
            SetProgress(100 * acked / count);
        } else if (line == QLatin1String("error")) {
            failed = true;
        } else if (line == QLatin1String("command")) {
            ++prompts;
            if (acked == count) break;
        }
    }
    // Lines still in flight are answered after the loop ended: their
    // answers are waited out here, so the next command does not take them
    // for its own.
    idle.restart();
    while (prompts < sent && idle.elapsed() < m_copyIdleMs && !m_state.consoleFailed) {
        QString line;
        if (!m_console.TakeLine(line)) {
            m_console.WaitForLine(kQueueWaitMs);
            continue;
        }
        idle.restart();
        if (line == QLatin1String("command")) ++prompts;
    }
    SetProgress(0);
    return !failed && count > 0 && acked == count;
}

// ---------------------------------------------------------------------------
// Version

void FirmwareSender::ReadVersionButton() {
    if (!m_state.remoteView) return;
    if (!m_remote.groupSelected()) {
        RemoteVersion(-1);
        return;
    }
    QList<int> members = StartGroup(nullptr);
    if (members.isEmpty()) return;
    BusyScope busy(m_state);
    if (busy.refused()) return;
    for (int m = 0; m < members.size(); ++m) {
        SetMemberStatus(&m_remote.group[members[m]], QStringLiteral("Executing..."));
        RemoteVersion(m);
        if (m_state.terminateRequested) break;
    }
}

void FirmwareSender::RemoteVersion(int member) {
    std::optional<BusyScope> busy;
    if (member < 0) {
        busy.emplace(m_state);
        if (busy->refused()) return;
    }
    const int kind = m_state.firmwareKind;
    std::optional<Target> target = CheckTarget(member, kind);
    if (!target) return;
    QStringList answers;
    ConsoleResult r =
        m_console.ConsoleExecute(FirmwareReadWord(kind) + ' ' + target->imei, answers, true);
    if (target->row) {
        SetMemberStatus(target->row, r == kResultDone ? VersionText(kind, answers.value(0), true)
                                                      : MemberResultText(r));
    } else if (r == kResultDone) {
        m_state.firmwareVersion = VersionText(kind, answers.value(0), false);
        emit versionChanged();
    } else if (r == kResultTerminated) {
        m_prompt.ShowWarning(QLatin1String(kInterrupted));
    } else {
        m_prompt.ShowWarning(QLatin1String(kSendError) + QString::number(r));
    }
}
