#include "manager/logic/firmware_import.h"

#include <QFile>
#include <optional>

#include "manager/logic/firmware_document.h"
#include "manager/logic/repo_requests.h"

namespace {

const char* const kFileFilter = "Extensible Markup Language|*.xml|Binary|*.bin";
const char* const kFileMismatch = "The file does not match the selected device vimko";

}  // namespace

FirmwareImporter::FirmwareImporter(ManagerState& state, RepoClient& repo, UserPrompt& prompt,
                                   QObject* parent)
    : QObject(parent), m_state(state), m_repo(repo), m_prompt(prompt) {}

void FirmwareImporter::ImportButton() {
    BusyScope busy(m_state);
    if (busy.refused()) return;
    if (!m_repo.settings.offline) {
        ImportFromRepositoryNow();
        return;
    }
    QString path = m_prompt.AskOpenFile(QLatin1String(kFileFilter), QStringLiteral("xml"));
    if (!path.isEmpty()) ImportFileNow(path);
}

bool FirmwareImporter::ImportFile(const QString& path) {
    BusyScope busy(m_state);
    return !busy.refused() && ImportFileNow(path);
}

bool FirmwareImporter::ImportFromRepository() {
    BusyScope busy(m_state);
    return !busy.refused() && ImportFromRepositoryNow();
}

bool FirmwareImporter::ImportFromRepositoryNow() {
    const int device = m_state.deviceType + 1, type = m_state.firmwareKind + 1;
    std::optional<QString> name =
        m_repo.RepoList(FirmListUrl(m_repo.settings, device, type), false, false);
    if (!name) return false;
    std::optional<QByteArray> document =
        m_repo.RepoGet(FirmGetUrl(m_repo.settings, device, type, *name));
    if (!document) return false;
    std::optional<FirmwareTaken> taken =
        TakeFirmwareDocument(*document, m_state.deviceType, m_state.firmwareKind);
    if (!taken) {
        m_prompt.ShowWarning(
            QStringLiteral("Selected data do not match the selected device vimko"));
        return false;
    }
    Take(*taken);
    return true;
}

bool FirmwareImporter::ImportFileNow(const QString& path) {
    const int type = m_state.deviceType, kind = m_state.firmwareKind;
    QFile file(path);
    if (path.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive)) {
        if (!file.open(QIODevice::ReadOnly)) {
            m_prompt.ShowWarning(QStringLiteral("The selected firmware file is wrong length"));
            return false;
        }
        // The size decides before anything is read: a wrong file may be large.
        qint64 size = file.size();
        if (!BinSizeFits(size, type, kind)) {
            m_prompt.ShowWarning(QLatin1String(kFileMismatch));
            return false;
        }
        QByteArray bytes = file.readAll();
        if (bytes.size() != size) {
            m_prompt.ShowWarning(QStringLiteral("The selected firmware file is wrong length"));
            return false;
        }
        Take(FirmwareFromBin(bytes, path, type, kind));
        return true;
    }
    QByteArray document;
    if (file.open(QIODevice::ReadOnly)) document = file.readAll();
    std::optional<FirmwareTaken> taken = TakeFirmwareDocument(document, type, kind);
    if (!taken) {
        m_prompt.ShowWarning(QLatin1String(kFileMismatch));
        return false;
    }
    Take(*taken);
    return true;
}

void FirmwareImporter::Take(const FirmwareTaken& taken) {
    m_state.firmwareImage = taken.image;
    m_state.firmwareFlags = taken.flags;
    m_state.firmwareLoaded = true;
    description = taken.description;
    emit firmwareChanged();
}

void FirmwareImporter::DropFirmware() {
    m_state.firmwareLoaded = false;
    description.clear();
    if (m_state.remoteView) m_state.firmwareVersion.clear();
    emit firmwareChanged();
}
