#pragma once
// Remote configuration through the server's console: reading and writing
// one tab of a unit or of the units of the "&Group" page, the off-line
// configuration report, and the "distance" and "recovery" service commands.
// Window-free controller on the GUI thread; the windows show its state
// (lists, group rows, node image, status text) and forward the buttons.

#include <QList>
#include <QObject>
#include <QString>

#include "manager/logic/console_client.h"
#include "manager/logic/device_list.h"
#include "manager/logic/device_refresh.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/param_list.h"
#include "manager/logic/repo_client.h"
#include "manager/logic/user_prompt.h"

// One row of the group grid.
struct GroupRow {
    QString description;
    QString imei;  // an occupied row has an IMEI
    QString mode;  // the unit's protocol name
    QString status;
};

class RemoteConfig : public QObject {
    Q_OBJECT
  public:
    static constexpr int kGroupRows = 21;

    RemoteConfig(ManagerState& state, ParamLists& lists, ConsoleClient& console, RepoClient& repo,
                 UserPrompt& prompt, QObject* parent = nullptr);

    // The tree selection: a unit node (its row in deviceList and image) or
    // the group node.
    void SelectUnit(int row, int image);
    void SelectGroup();
    int selectedImage() const { return m_image; }
    bool groupSelected() const { return m_groupSelected; }
    // A unit node is selected and its row is in deviceList.
    bool unitSelected() const { return m_row >= 0 && m_row < m_state.deviceList.size(); }
    // The selected unit's row; the occupied group rows (indices into group).
    DeviceListEntry Selected() const;
    QList<int> Members() const;
    // A click on a node of the remote tree: selects a unit or the group,
    // logs in when not connected, switches the remote control set and shows
    // the node's status line. While an operation runs the click only asks
    // it to terminate.
    void ClickNode(const TreeNode& node, const ServerSettings& settings);

    QList<GroupRow> group;  // at most kGroupRows
    QString sourceImei;     // unit the "General" list was last read from or written to
    int activeTab = kTabGeneral;

    // The device combo: every list to the defaults of the new type.
    void SetDeviceType(int deviceType);

    // The Configuration page's "&Read" and "&Write" buttons (remote view).
    void ReadButton();
    void WriteButton();

    void RemoteRead(int tab);
    // member -1: the selected unit; otherwise the member's index among the
    // occupied group rows.
    void RemoteWrite(int tab, int member);
    void ReadOfflineStatus();
    void RemoteDistance(const QString& value);
    void RemoteRecovery(const QString& count);

    // After the "General" list was imported from a file or the repository.
    void ForgetSourceImei() { sourceImei.clear(); }

    // The Configuration page's "&Import" and "&Export" on the active tab:
    // with "Work without network access" from or to `path` (".xml" or, for
    // importing, ".cfg"), otherwise through the repository (`path` unused).
    // The number of values imported; true when exported.
    int ImportButton(const QString& path);
    bool ExportButton(const QString& path);

  signals:
    void deviceTypeChanged(int deviceType);
    void listChanged(int tab);
    void selectedImageChanged(int image);
    void groupChanged();
    void statusChanged();

  private:
    void RunServiceCommand(const QString& word, const QString& value, qlonglong notANumber,
                           const QString& groupWarning, const QString& failure);
    bool SelectedFits(const QString& mismatchWarning);
    void Done();

    ManagerState& m_state;
    ParamLists& m_lists;
    ConsoleClient& m_console;
    RepoClient& m_repo;
    UserPrompt& m_prompt;
    int m_row = -1;  // selected unit's index in deviceList; -1 with the group or nothing
    int m_image = 0;
    bool m_groupSelected = false;
};
