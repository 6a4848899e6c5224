#include "manager/logic/long_dallas.h"

#include <QFile>

#include "manager/logic/firmware_commands.h"

namespace {

const char* const kMismatch = "The file does not match the selected device vimko";
const char* const kSendError = "An error occurred while sending firmware: ";

}  // namespace

std::optional<DataUpload> LoadDataFile(const QString& path, UserPrompt& prompt) {
    QFile file(path);
    std::optional<DataUpload> data;
    // A list is read whole only when it can be one: the raw-record numbers
    // of the remote upload are 16 bits, so no list has more blocks.
    if (file.open(QIODevice::ReadOnly) && file.size() <= qint64{0xFFFF} * kDataBlockSize) {
        QByteArray bytes = file.readAll();
        data = path.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive) ? DataFromBin(bytes)
                                                                         : ParseDataDocument(bytes);
    }
    if (!data || !DataTypeFits(data->type) ||
        data->bytes.size() > qint64{0xFFFF} * kDataBlockSize) {
        prompt.ShowWarning(QLatin1String(kMismatch));
        return std::nullopt;
    }
    return data;
}

LongDallasWriter::LongDallasWriter(ManagerState& state, ConsoleClient& console,
                                   RemoteConfig& remote, UserPrompt& prompt, QObject* parent)
    : QObject(parent), m_state(state), m_console(console), m_remote(remote), m_prompt(prompt) {}

void LongDallasWriter::SetProgress(int percent) {
    m_state.progress = QString::number(percent);
    emit statusChanged();
}

void LongDallasWriter::WriteButton() {
    if (m_state.busy) return;
    if (m_state.remoteView && m_remote.groupSelected()) return;  // not offered for a group
    QString path = m_prompt.AskOpenFile(
        QStringLiteral("Extensible Markup Language|*.xml|Binary|*.bin"), QStringLiteral("xml"));
    if (path.isEmpty()) return;
    std::optional<DataUpload> data = LoadDataFile(path, m_prompt);
    if (!data) return;
    if (!m_state.remoteView) {
        if (localUpload) localUpload(*data);
        return;
    }
    RemoteLongDallas(*data);
}

void LongDallasWriter::RemoteLongDallas(const DataUpload& data) {
    BusyScope busy(m_state);
    if (busy.refused() || m_remote.groupSelected() || !m_remote.unitSelected()) return;
    DeviceListEntry unit = m_remote.Selected();
    if (unit.protocol != TcpProtocolBit(m_state.deviceType)) {
        m_prompt.ShowWarning(
            QStringLiteral("The selected firmware does not match the selected device"));
        return;
    }
    if (!unit.loggedIn()) {
        m_prompt.ShowWarning(
            QStringLiteral("Command impossible to do in the current state of the device"));
        return;
    }
    const QList<QByteArray> blocks = DataBlocks(data.bytes);
    const int n = static_cast<int>(blocks.size());
    QStringList answers;
    for (const WrfirmexCommand& command : WrfirmexCommands(unit.imei, blocks)) {
        SetProgress(command.lastBlock * 100 / n);
        ConsoleResult r = m_console.ConsoleExecute(command.text, answers, true);
        if (r != kResultDone) {
            SetProgress(0);
            m_prompt.ShowWarning(QLatin1String(kSendError) + QString::number(r));
            return;
        }
    }
    SetProgress(100);
    ConsoleResult r = m_console.ConsoleExecute(
        WrfirmexClosing(unit.imei, n, data.type, data.closing), answers, true);
    SetProgress(0);
    if (r == kResultDone) {
        m_state.ShowStatus(QStringLiteral("Operation done correctly"), 50);
        emit statusChanged();
    } else {
        m_prompt.ShowWarning(QLatin1String(kSendError) + QString::number(r));
    }
}
