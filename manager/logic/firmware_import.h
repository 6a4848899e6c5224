#pragma once
// The Firmware page's "&Import": a firmware image from a ".bin" or firmware
// XML file, or from the repository, into ManagerState (firmwareImage,
// firmwareFlags, firmwareLoaded) and the description pane; and the effect
// of the device-type and firmware-kind combos, which drop a loaded image.
// Window-free controller on the GUI thread.

#include <QObject>
#include <QString>

#include "manager/logic/firmware_image.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/repo_client.h"
#include "manager/logic/user_prompt.h"

class FirmwareImporter : public QObject {
    Q_OBJECT
  public:
    FirmwareImporter(ManagerState& state, RepoClient& repo, UserPrompt& prompt,
                     QObject* parent = nullptr);

    // The description pane, as the window shows it.
    FirmwareDescription description;

    // "&Import": with "Work without network access" from a file the person
    // chooses, otherwise from the repository. Refused while busy.
    void ImportButton();
    // The two ways, each inside its own busy operation; true when an image
    // was taken.
    bool ImportFile(const QString& path);
    bool ImportFromRepository();

    // A change of the device-type or the firmware-kind combo (the device
    // combo's other effects are RemoteConfig::SetDeviceType's): the image
    // may no longer be sent, the pane is cleared and, in the remote view,
    // the firmware-version line emptied.
    void DropFirmware();

  signals:
    // firmwareLoaded, the description pane or the version line changed.
    void firmwareChanged();

  private:
    bool ImportFileNow(const QString& path);
    bool ImportFromRepositoryNow();
    void Take(const FirmwareTaken& taken);

    ManagerState& m_state;
    RepoClient& m_repo;
    UserPrompt& m_prompt;
};
