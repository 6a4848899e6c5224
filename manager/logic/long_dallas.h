#pragma once
// "&Write" under "Long DALLAS list:": the list file is read (data XML or
// ".bin") and sent, remotely through the console as raw records
// ("wrfirmex", six 256-byte blocks per command and a closing command), or
// locally by the serial link's upload, which plugs into localUpload.
// Window-free controller on the GUI thread.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "manager/logic/console_client.h"
#include "manager/logic/data_document.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/remote_config.h"
#include "manager/logic/user_prompt.h"

// A list file as both uploads take it: nothing (after the warning "The file
// does not match the selected device vimko") when it cannot be read, does
// not parse, or has a data type outside 1 to 3.
std::optional<DataUpload> LoadDataFile(const QString& path, UserPrompt& prompt);

class LongDallasWriter : public QObject {
    Q_OBJECT
  public:
    LongDallasWriter(ManagerState& state, ConsoleClient& console, RemoteConfig& remote,
                     UserPrompt& prompt, QObject* parent = nullptr);

    // The local branch: the serial link's upload of the parsed list. It
    // runs its own busy operation.
    std::function<void(const DataUpload&)> localUpload;

    // The button: asks for the file, then the local or the remote upload.
    // Not available for the group node.
    void WriteButton();
    // The remote upload to the selected unit.
    void RemoteLongDallas(const DataUpload& data);

  signals:
    void statusChanged();  // status text or progress

  private:
    void SetProgress(int percent);

    ManagerState& m_state;
    ConsoleClient& m_console;
    RemoteConfig& m_remote;
    UserPrompt& m_prompt;
};
