#pragma once
// The main window (TForm1): the device tree on the left, the pages on the
// right, the bottom bar ("&Refresh", "Device:" with the device combo, the
// label button) and the owner-drawn status panel. It owns ManagerState, the
// parameter lists and the controllers, and runs the window's state machine
// on them: the busy protocol (Terminate window, disabled combos), the
// 100-ms timer, the local and remote views and control sets, the device
// type, the tree's clicks and "&Refresh".

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>

#include "manager/logic/console_client.h"
#include "manager/logic/firmware_import.h"
#include "manager/logic/label_command.h"
#include "manager/logic/local_config.h"
#include "manager/logic/local_firmware.h"
#include "manager/logic/long_dallas.h"
#include "manager/logic/manager_settings.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/monitor_controller.h"
#include "manager/logic/param_list.h"
#include "manager/logic/remote_config.h"
#include "manager/logic/remote_firmware.h"
#include "manager/logic/repo_client.h"
#include "manager/logic/serial_link.h"
#include "manager/logic/service_tools.h"
#include "manager/ui/manager_context.h"
#include "manager/ui/page_includes.h"

class QComboBox;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class ConfigurationPage;
class GroupPage;
class SettingsPage;
class StatusPanel;
class TerminateWindow;

class MainWindow : public QMainWindow {
  public:
    // The pages in their order.
    enum Page : int {
        kPageConfiguration = 0,
        kPageFirmware,
        kPageMonitoring,
        kPageDebug,
        kPageGroup,
        kPageSettings,
    };

    // `settingsPath` is the settings file; `prompt` the person at the
    // screen (message boxes and dialogs when null).
    explicit MainWindow(const QString& settingsPath, UserPrompt* prompt = nullptr,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    ManagerContext& context() { return m_context; }
    ManagerState& state() { return m_state; }
    QTreeWidget* tree() const { return m_tree; }
    QTabWidget* pages() const { return m_pages; }
    ConfigurationPage* configurationPage() const { return m_configuration; }
    GroupPage* groupPage() const { return m_group; }
    SettingsPage* settingsPage() const { return m_settings; }
    FirmwarePage* firmwarePage() const { return m_firmware; }
    MonitorPage* monitorPage() const { return m_monitor; }
    DebugPage* debugPage() const { return m_debug; }
    StatusPanel* statusPanel() const { return m_status; }
    QComboBox* deviceCombo() const { return m_deviceCombo; }
    QPushButton* refreshButton() const { return m_refresh; }
    TerminateWindow* terminateWindow() const { return m_terminate; }

    // The serial link, set by whoever owns it: the machine's port names,
    // opening a port at a speed (true when open), closing it, and telling
    // the reader whether the binary framing is in use.
    std::function<QStringList()> listPorts;
    std::function<bool(const QString& port, int baud)> openLocalPort;
    std::function<void()> closeLocalPort;
    std::function<void(bool binary)> setBinaryFraming;

    // Clears the tree and builds it: the serial ports and `remoteChildren`
    // under "Remote managnent" (at start-up "Refresh device list" only).
    void BuildTree(const QList<TreeNode>& remoteChildren);
    void ShowLocalView();
    void ShowRemoteView();
    // Every list to the defaults of the device type, tabs, monitor rows and
    // group titles.
    void ResetForDeviceType();
    // Enables the controls of both sets from localControlsOn and
    // remoteControlsOn.
    void ApplyControlSets();
    // One tick of the 100-ms timer.
    void Tick();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildPages();
    QWidget* BuildBottomBar();
    void OnBusyChanged(bool busy);
    void OnTreeClicked(QTreeWidgetItem* item);
    void OnRefresh();
    void OnDeviceTypeChanged(int deviceType);
    void OnManage();
    void OnRepositoryWrite();
    void WireLocalLink();
    void OpenLocalLink(const QString& port);
    void CloseLocalLink();
    void UpdateStatus();
    void UpdateSelectedImage(int image);
    static TreeNode NodeOf(const QTreeWidgetItem* item);

    QString m_settingsPath;
    ManagerState m_state;
    std::unique_ptr<UserPrompt> m_ownPrompt;
    UserPrompt& m_prompt;
    ParamLists m_lists;
    ConsoleClient m_console;
    RepoClient m_repo;
    RemoteConfig m_remote;
    // The local link and what works over it, and the firmware work; the
    // pages reach them through the context.
    LabelFacts m_labelFacts;
    SerialLink m_link;
    LocalConfig m_local;
    MonitorController m_monitorLogic;
    LocalFirmware m_localFirmware;
    ServiceTools m_tools;
    FirmwareImporter m_importer;
    FirmwareSender m_sender;
    LongDallasWriter m_dallas;
    ManagerContext m_context;

    QTreeWidget* m_tree = nullptr;
    QTreeWidgetItem* m_selectedUnit = nullptr;  // the unit node RemoteConfig works on
    QTabWidget* m_pages = nullptr;
    ConfigurationPage* m_configuration = nullptr;
    FirmwarePage* m_firmware = nullptr;
    MonitorPage* m_monitor = nullptr;
    DebugPage* m_debug = nullptr;
    GroupPage* m_group = nullptr;
    SettingsPage* m_settings = nullptr;
    QPushButton* m_refresh = nullptr;
    QComboBox* m_deviceCombo = nullptr;
    QToolButton* m_label = nullptr;
    StatusPanel* m_status = nullptr;
    TerminateWindow* m_terminate = nullptr;
    QTimer m_timer;
    QString m_localPort;
    bool m_closePending = false;  // closed while busy: close when the operation ends
};
