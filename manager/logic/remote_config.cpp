#include "manager/logic/remote_config.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

#include "manager/logic/config_document.h"
#include "manager/logic/remote_commands.h"

namespace {

const char* const kInterrupted = "The execution has been interrupted";
const char* const kWrongState = "Command impossible to do in the current state of the device";
const char* const kDoneText = "Operation done correctly";
constexpr int kDoneTicks = 50;  // five seconds

}  // namespace

RemoteConfig::RemoteConfig(ManagerState& state, ParamLists& lists, ConsoleClient& console,
                           RepoClient& repo, UserPrompt& prompt, QObject* parent)
    : QObject(parent),
      m_state(state),
      m_lists(lists),
      m_console(console),
      m_repo(repo),
      m_prompt(prompt) {}

void RemoteConfig::SelectUnit(int row, int image) {
    m_row = row;
    m_image = image;
    m_groupSelected = false;
}

void RemoteConfig::SelectGroup() {
    m_row = -1;
    m_image = 9;
    m_groupSelected = true;
}

void RemoteConfig::ClickNode(const TreeNode& node, const ServerSettings& settings) {
    if (m_state.busy) {
        // Switching the selection under a running operation would let its
        // result land on another node; the click asks it to stop instead.
        m_state.terminateRequested = true;
        return;
    }
    bool unit = node.image >= kImageUnit && node.image <= kImageUnit + 3;
    if (!unit && node.image != kImageGroup) {
        if (m_state.remoteView) m_state.remoteControlsOn = false;
        return;
    }
    m_state.remoteView = true;
    if (!m_state.consoleConnected) {
        BusyScope busy(m_state);
        m_state.consoleConnected =
            m_console.ConsoleConnect(settings.address, settings.user, settings.password);
    }
    m_state.remoteControlsOn = m_state.consoleConnected;
    if (unit) {
        SelectUnit(node.row, node.image);
        m_state.ShowStatus(UnitStatusText(m_state.deviceList.value(node.row)), 100);
    } else {
        SelectGroup();
        m_state.ShowStatus(QStringLiteral("The number of devices in the group: ") +
                               QString::number(Members().size()),
                           100);
    }
    emit statusChanged();
}

void RemoteConfig::SetDeviceType(int deviceType) {
    m_state.deviceType = deviceType;
    m_lists.Reset(deviceType);
    m_state.firmwareLoaded = false;
    emit deviceTypeChanged(deviceType);
}

DeviceListEntry RemoteConfig::Selected() const {
    return DeviceListEntry::FromRow(m_state.deviceList.value(m_row));
}

QList<int> RemoteConfig::Members() const {
    QList<int> members;
    for (int i = 0; i < group.size() && i < kGroupRows; ++i) {
        if (!group[i].imei.isEmpty()) members.append(i);
    }
    return members;
}

void RemoteConfig::Done() {
    m_state.ShowStatus(QLatin1String(kDoneText), kDoneTicks);
    emit statusChanged();
}

bool RemoteConfig::SelectedFits(const QString& mismatchWarning) {
    if (m_row < 0 || m_row >= m_state.deviceList.size()) return false;
    DeviceListEntry unit = Selected();
    if (GenerationOfProtocol(unit.protocol) != m_state.deviceType) {
        m_prompt.ShowWarning(mismatchWarning);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Reading

void RemoteConfig::ReadButton() {
    if (m_groupSelected) {
        m_prompt.ShowWarning(
            QStringLiteral("Reading configuration for a group of devices is not available"));
        return;
    }
    if (m_state.offlineMode && m_state.remoteView) {
        ReadOfflineStatus();
        return;
    }
    if (m_row < 0) return;
    int generation = GenerationOfProtocol(Selected().protocol);
    if (generation >= 0 && generation != m_state.deviceType &&
        m_prompt.AskYesNo(SelectTypeQuestion(generation))) {
        SetDeviceType(generation);
    }
    RemoteRead(activeTab);
}

void RemoteConfig::RemoteRead(int tab) {
    BusyScope busy(m_state);
    if (busy.refused()) return;
    if (!SelectedFits(
            QStringLiteral("The selected configuration does not match the selected device"))) {
        return;
    }
    DeviceListEntry unit = Selected();
    if (!unit.loggedIn()) {
        m_prompt.ShowWarning(QLatin1String(kWrongState));
        return;
    }
    if (tab == kTabGeneral) sourceImei = unit.imei;
    QString command = BuildReadCommand(tab, m_state.deviceType, unit.imei);
    if (command.isEmpty()) return;
    QStringList answers;
    ConsoleResult r = m_console.ConsoleExecute(command, answers, true);
    if (r == kResultDone) {
        ParamList& list = m_lists.tabs[tab];
        ApplyAnswer(list, tab, m_state.deviceType, answers.value(0));
        list.description =
            QStringLiteral("Imported from the device connected remote: ") + unit.description;
        emit listChanged(tab);
        Done();
    } else if (r == kResultTerminated) {
        m_prompt.ShowWarning(QLatin1String(kInterrupted));
    } else {
        m_prompt.ShowWarning(QStringLiteral("An error occurred while reading configuration: ") +
                             QString::number(r));
    }
}

void RemoteConfig::ReadOfflineStatus() {
    BusyScope busy(m_state);
    if (busy.refused() || m_row < 0) return;
    QStringList answers;
    ConsoleResult r =
        m_console.ConsoleExecute(QStringLiteral("readoffln ") + Selected().imei, answers, false);
    if (r == kResultTerminated) {
        m_prompt.ShowWarning(QLatin1String(kInterrupted));
        return;
    }
    if (r != kResultDone) {
        m_prompt.ShowWarning(QStringLiteral("An error occurred while reading status: ") +
                             QString::number(r));
        return;
    }
    int status = 0;
    QString message = OfflineStatusMessage(answers.value(0), status);
    m_prompt.ShowWarning(status == 0
                             ? QStringLiteral("Selected device configuration did not use OFF-LINE")
                             : message);
    // A final report removes the pending mark of the node.
    if ((status == 0 || status > 4) && (m_image == 5 || m_image == 6)) {
        m_image -= 2;
        emit selectedImageChanged(m_image);
    }
    Done();
}

// ---------------------------------------------------------------------------
// Writing

void RemoteConfig::WriteButton() {
    if (m_repo.offlineAccess == RepoClient::kRefused) m_repo.offlineAccess = RepoClient::kNotAsked;
    if (!m_groupSelected) {
        RemoteWrite(activeTab, -1);
        return;
    }
    QList<int> members = Members();
    if (members.isEmpty()) {
        m_prompt.ShowWarning(QStringLiteral("Device group is empty"));
        return;
    }
    if (!m_prompt.AskYesNo(QStringLiteral("Do you want to configure the device group?"))) return;
    for (int i : members) group[i].status.clear();
    emit groupChanged();
    // One busy operation spans the whole group, so that "Terminate" stops
    // the loop after the member it was pressed in.
    BusyScope busy(m_state);
    if (busy.refused()) return;
    for (int m = 0; m < members.size(); ++m) {
        group[members[m]].status = QStringLiteral("Executing...");
        emit groupChanged();
        RemoteWrite(activeTab, m);
        if (m_state.terminateRequested) break;
    }
}

void RemoteConfig::RemoteWrite(int tab, int member) {
    // Inside a group write the loop holds the busy state already.
    std::optional<BusyScope> busy;
    if (member < 0) {
        busy.emplace(m_state);
        if (busy->refused()) return;
    }
    const int type = m_state.deviceType;
    QString imei;
    GroupRow* row = nullptr;
    if (member < 0) {
        if (!SelectedFits(
                QStringLiteral("The selected configuration does not match the selected device"))) {
            return;
        }
        DeviceListEntry unit = Selected();
        if (!unit.loggedIn() && !m_state.offlineMode) {
            m_prompt.ShowWarning(QLatin1String(kWrongState));
            return;
        }
        imei = unit.imei;
    } else {
        QList<int> members = Members();
        if (member >= members.size()) return;
        row = &group[members[member]];
        if (!ModeNameFits(type, row->mode)) {
            row->status = QStringLiteral("Invalid device type");
            emit groupChanged();
            return;
        }
        imei = row->imei;
    }
    QString command = BuildWriteCommand(tab, type, imei, m_state.offlineMode,
                                        CommandValues(m_lists.tabs[tab], tab, type));
    if (command.isEmpty()) return;

    const int t = m_state.offlineMode ? 2 : 1;
    if (!m_repo.RepositoryAuthorize(t, imei, row == nullptr,
                                    ExportConfig(tab, type, m_lists.tabs[tab]))) {
        if (row) {
            row->status = QStringLiteral("Unauthorized");
            emit groupChanged();
        }
        return;
    }
    if (tab == kTabGeneral) {
        if (!sourceImei.isEmpty() && sourceImei != imei &&
            !m_prompt.AskYesNo(QStringLiteral("Are you sure?"))) {
            // The member was skipped by the person, not by the unit.
            if (row) {
                row->status = QStringLiteral("Aborted");
                emit groupChanged();
            }
            return;
        }
        sourceImei = imei;
    }

    QStringList answers;
    ConsoleResult r = m_console.ConsoleExecute(command, answers, true);
    if (r == kResultDone) {
        Done();
        if (row) {
            row->status = QStringLiteral("Correct");
            emit groupChanged();
        } else if (m_state.offlineMode && (m_image == 3 || m_image == 4)) {
            m_image += 2;
            emit selectedImageChanged(m_image);
        }
    } else if (r == kResultTerminated) {
        if (row) {
            row->status = QStringLiteral("Aborted");
            emit groupChanged();
        } else {
            m_prompt.ShowWarning(QLatin1String(kInterrupted));
        }
    } else if (row) {
        row->status = QStringLiteral("Error #") + QString::number(r);
        emit groupChanged();
    } else {
        m_prompt.ShowWarning(QStringLiteral("An error occurred while saving the configuration: ") +
                             QString::number(r));
    }
}

// ---------------------------------------------------------------------------
// Import and export

int RemoteConfig::ImportButton(const QString& path) {
    BusyScope busy(m_state);
    if (busy.refused()) return 0;
    const int tab = activeTab, type = m_state.deviceType;
    ParamList& list = m_lists.tabs[tab];
    int applied = 0;
    if (!m_repo.settings.offline) {
        applied = std::max(0, m_repo.ImportConfigFromRepository(tab, type, list));
    } else if (path.endsWith(QLatin1String(".cfg"), Qt::CaseInsensitive)) {
        applied = ImportCfgFile(tab, type, list, path);
        if (applied == 0) {
            m_prompt.ShowWarning(
                QStringLiteral("The file does not match the configuration displayed"));
        }
    } else if (path.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive)) {
        QFile file(path);
        QByteArray document = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        applied = ImportConfig(tab, type, list, document);
        if (applied == 0) {
            m_prompt.ShowWarning(
                QStringLiteral("The file does not match the configuration displayed"));
        }
    } else {
        m_prompt.ShowWarning(QStringLiteral("You can not import a file in the format"));
    }
    if (applied > 0 && tab == kTabGeneral) ForgetSourceImei();
    emit listChanged(tab);
    return applied;
}

bool RemoteConfig::ExportButton(const QString& path) {
    BusyScope busy(m_state);
    if (busy.refused()) return false;
    const int tab = activeTab, type = m_state.deviceType;
    if (!m_repo.settings.offline) {
        return m_repo.ExportConfigToRepository(tab, type, m_lists.tabs[tab]);
    }
    QSaveFile file(path);
    QByteArray document = ExportConfig(tab, type, m_lists.tabs[tab]);
    return file.open(QIODevice::WriteOnly) && file.write(document) == document.size() &&
           file.commit();
}

// ---------------------------------------------------------------------------
// Service commands

// The two service commands differ only in their word, their texts and the
// value a field that is not a number stands for.
void RemoteConfig::RunServiceCommand(const QString& word, const QString& value,
                                     qlonglong notANumber, const QString& groupWarning,
                                     const QString& failure) {
    BusyScope busy(m_state);
    if (busy.refused()) return;
    if (m_groupSelected) {
        m_prompt.ShowWarning(groupWarning);
        return;
    }
    if (!SelectedFits(QStringLiteral("The command does not match the selected device"))) return;
    DeviceListEntry unit = Selected();
    if (!unit.loggedIn()) {
        m_prompt.ShowWarning(QLatin1String(kWrongState));
        return;
    }
    bool ok = false;
    qlonglong number = value.trimmed().toLongLong(&ok);
    QStringList answers;
    ConsoleResult r = m_console.ConsoleExecute(
        word + ' ' + unit.imei + ',' + QString::number(ok ? number : notANumber), answers, true);
    if (r == kResultDone) {
        Done();
    } else if (r == kResultTerminated) {
        m_prompt.ShowWarning(QLatin1String(kInterrupted));
    } else {
        m_prompt.ShowWarning(failure + QString::number(r));
    }
}

void RemoteConfig::RemoteDistance(const QString& value) {
    RunServiceCommand(QStringLiteral("distance"), value, 0,
                      QStringLiteral("Set the distance for a group of devices is not available"),
                      QStringLiteral("An error occurred while saving the distance: "));
}

void RemoteConfig::RemoteRecovery(const QString& count) {
    RunServiceCommand(QStringLiteral("recovery"), count, 1,
                      QStringLiteral("Re-discharge data for a group of devices is not available"),
                      QStringLiteral("An error occurred while executing the command: "));
}
