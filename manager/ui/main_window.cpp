#include "manager/ui/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "manager/logic/control_sets.h"
#include "manager/logic/device_list.h"
#include "manager/ui/configuration_page.h"
#include "manager/ui/group_page.h"
#include "manager/ui/profiles_dialog.h"
#include "manager/ui/qt_prompt.h"
#include "manager/ui/settings_page.h"
#include "manager/ui/status_panel.h"
#include "manager/ui/terminate_window.h"
#include "manager/ui/tree_icons.h"

namespace {

constexpr int kImageRole = Qt::UserRole;
constexpr int kRowRole = Qt::UserRole + 1;
constexpr int kTickMs = 100;

QStringList MachinePorts() {
    QStringList names;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        names.append(port.portName());
    }
    return names;
}

QTreeWidgetItem* NewNode(QTreeWidgetItem* parent, const QString& text, int image, int row = -1) {
    auto* item = new QTreeWidgetItem(parent, {text});
    item->setData(0, kImageRole, image);
    item->setData(0, kRowRole, row);
    item->setIcon(0, TreeIcon(image));
    return item;
}

}  // namespace

MainWindow::MainWindow(const QString& settingsPath, UserPrompt* prompt, QWidget* parent)
    : QMainWindow(parent),
      m_settingsPath(settingsPath),
      m_ownPrompt(prompt ? nullptr : new QtPrompt(this)),
      m_prompt(prompt ? *prompt : *m_ownPrompt),
      m_console(m_state, m_prompt),
      m_repo(m_prompt),
      m_remote(m_state, m_lists, m_console, m_repo, m_prompt),
      m_link(m_state, m_prompt),
      m_local(m_state, m_lists, m_link, m_repo, m_prompt, m_labelFacts),
      m_monitorLogic(m_state, m_link, m_labelFacts),
      m_localFirmware(m_state, m_link, m_prompt),
      m_tools(m_state, m_lists, m_link, m_prompt, m_labelFacts),
      m_importer(m_state, m_repo, m_prompt),
      m_sender(m_state, m_console, m_remote, m_prompt),
      m_dallas(m_state, m_console, m_remote, m_prompt),
      m_context{m_state,         m_prompt,    m_lists,   m_console,        m_repo,
                m_remote,        &m_link,     &m_local,  &m_localFirmware, &m_tools,
                &m_monitorLogic, &m_importer, &m_sender, &m_dallas} {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Vimko Manager V3.96"));
    listPorts = MachinePorts;

    BuildPages();
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("deviceTree"));
    m_tree->setHeaderHidden(true);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_tree);
    splitter->addWidget(m_pages);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 740});
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(splitter, 1);
    layout->addWidget(BuildBottomBar());
    setCentralWidget(central);
    m_status = new StatusPanel(statusBar());
    statusBar()->addWidget(m_status, 1);
    statusBar()->setSizeGripEnabled(false);
    m_terminate = new TerminateWindow(this, [this] { m_state.terminateRequested = true; });
    resize(1000, 640);

    // Start-up, in this order (the state starts clear): the settings,
    // "Ready", the combos, "&Group" hidden, the defaults of the device type, the tree.
    ManagerSettings settings = LoadManagerSettings(m_settingsPath);
    m_settings->Show(settings);
    m_repo.settings = settings.repo;
    m_state.busyChanged = [this](bool busy) { OnBusyChanged(busy); };
    m_status->Show(m_state.statusText, m_state.progress);
    m_deviceCombo->setCurrentIndex(kVimko3);
    m_firmware->kindCombo()->setCurrentIndex(0);
    m_pages->setTabVisible(kPageGroup, false);
    m_configuration->SetOfflineAvailable(false);
    m_lists.Reset(m_state.deviceType);
    ResetForDeviceType();
    BuildTree({TreeNode{QStringLiteral("Refresh device list"), kImageRefresh, -1}});
    ApplyControlSets();

    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { OnTreeClicked(item); });
    connect(m_refresh, &QPushButton::clicked, this, &MainWindow::OnRefresh);
    connect(m_deviceCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index != m_state.deviceType) m_remote.SetDeviceType(index);
    });
    connect(&m_remote, &RemoteConfig::deviceTypeChanged, this, &MainWindow::OnDeviceTypeChanged);
    // Another firmware kind makes a loaded image useless as well (the page
    // clears its own description and version line).
    connect(m_firmware->kindCombo(), &QComboBox::currentIndexChanged, this, [this] {
        m_state.firmwareLoaded = false;
        ApplyControlSets();
    });
    connect(&m_remote, &RemoteConfig::statusChanged, this, &MainWindow::UpdateStatus);
    connect(&m_remote, &RemoteConfig::selectedImageChanged, this, &MainWindow::UpdateSelectedImage);
    connect(&m_console, &ConsoleClient::statusChanged, this, &MainWindow::UpdateStatus);
    connect(m_settings, &SettingsPage::manageClicked, this, &MainWindow::OnManage);
    connect(m_settings, &SettingsPage::repositoryWriteClicked, this,
            &MainWindow::OnRepositoryWrite);
    connect(m_settings, &SettingsPage::repositoryEdited, this,
            [this] { m_repo.settings = m_settings->Repository(); });
    WireLocalLink();
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &MainWindow::Tick);
    m_timer.start();
}

MainWindow::~MainWindow() {
    // The pages hold the context, whose members die before QWidget's own
    // destructor deletes the children: the pages go first.
    m_state.busyChanged = nullptr;
    m_timer.stop();
    delete takeCentralWidget();
}

void MainWindow::BuildPages() {
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));
    m_configuration = new ConfigurationPage(m_context, m_pages);
    m_firmware = new FirmwarePage(m_context, m_pages);
    m_monitor = new MonitorPage(m_context, m_pages);
    m_debug = new DebugPage(m_context, m_pages);
    m_group = new GroupPage(m_context, m_pages);
    m_settings = new SettingsPage(m_pages);
    m_pages->addTab(m_configuration, QStringLiteral("&Configuration"));
    m_pages->addTab(m_firmware, QStringLiteral("&Firmware"));
    m_pages->addTab(m_monitor, QStringLiteral("&Monitoring"));
    m_pages->addTab(m_debug, QStringLiteral("&Debug"));
    m_pages->addTab(m_group, QStringLiteral("&Group"));
    m_pages->addTab(m_settings, QStringLiteral("&Settings"));
}

QWidget* MainWindow::BuildBottomBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    m_refresh = new QPushButton(QStringLiteral("&Refresh"), bar);
    m_refresh->setObjectName(QStringLiteral("refresh"));
    m_deviceCombo = new QComboBox(bar);
    m_deviceCombo->setObjectName(QStringLiteral("deviceCombo"));
    m_deviceCombo->addItems(
        {QStringLiteral("Vimko-1"), QStringLiteral("Vimko-2"), QStringLiteral("Vimko-3/4")});
    m_label = new QToolButton(bar);
    m_label->setObjectName(QStringLiteral("labelButton"));
    m_label->setText(QStringLiteral("Label"));
    m_label->setToolTip(QStringLiteral("Print the device label"));
    row->addWidget(m_refresh);
    row->addStretch();
    row->addWidget(new QLabel(QStringLiteral("Device:"), bar));
    row->addWidget(m_deviceCombo);
    row->addWidget(m_label);
    return bar;
}

// ---------------------------------------------------------------------------
// Busy protocol and timer

void MainWindow::OnBusyChanged(bool busy) {
    m_deviceCombo->setEnabled(!busy);
    m_firmware->kindCombo()->setEnabled(!busy);
    if (busy) {
        m_terminate->Open();
    } else {
        if (isMinimized()) showNormal();
        m_terminate->Close();
        if (m_closePending) QTimer::singleShot(0, this, &QWidget::close);
    }
    UpdateStatus();
}

void MainWindow::Tick() {
    StatusTick(m_state);
    UpdateStatus();
    if (m_state.localLinkOpen && m_pages->currentIndex() == kPageMonitoring) m_monitor->TimerStep();
}

void MainWindow::UpdateStatus() {
    m_status->Show(m_state.statusText, m_state.progress);
}

// ---------------------------------------------------------------------------
// Views, control sets, device type

void MainWindow::ShowLocalView() {
    m_configuration->SetOfflineAvailable(false);
    if (m_pages->currentIndex() == kPageGroup) m_pages->setCurrentIndex(0);
    m_pages->setTabVisible(kPageMonitoring, true);
    m_pages->setTabVisible(kPageDebug, true);
    m_pages->setTabVisible(kPageGroup, false);
    m_firmware->ShowLocalView();
    m_monitor->ShowLocalView();
    m_debug->ShowLocalView();
    m_state.remoteView = false;
}

void MainWindow::ShowRemoteView() {
    m_configuration->SetOfflineAvailable(true);
    int page = m_pages->currentIndex();
    if (page == kPageMonitoring || page == kPageDebug) m_pages->setCurrentIndex(0);
    m_pages->setTabVisible(kPageMonitoring, false);
    m_pages->setTabVisible(kPageDebug, false);
    m_pages->setTabVisible(kPageGroup, true);
    m_firmware->ShowRemoteView();
    m_monitor->ShowRemoteView();
    m_debug->ShowRemoteView();
    m_state.remoteView = true;
}

void MainWindow::ApplyControlSets() {
    m_configuration->SetReadWriteEnabled(ControlEnabled(Control::kConfigRead, m_state),
                                         ControlEnabled(Control::kConfigWrite, m_state));
    m_group->addButton()->setEnabled(ControlEnabled(Control::kGroupAdd, m_state));
    m_settings->speedBox()->setEnabled(ControlEnabled(Control::kSpeed4800, m_state));
    // The pages apply their share; the set that is off goes first, so the
    // controls both sets hold end as the set that is on leaves them.
    auto pagesApply = [this](bool local, bool on) {
        if (local) {
            m_firmware->ApplyLocalControls(on);
            m_monitor->ApplyLocalControls(on);
            m_debug->ApplyLocalControls(on);
        } else {
            m_firmware->ApplyRemoteControls(on);
            m_monitor->ApplyRemoteControls(on);
            m_debug->ApplyRemoteControls(on);
        }
    };
    if (m_state.localControlsOn) {
        pagesApply(false, m_state.remoteControlsOn);
        pagesApply(true, true);
    } else {
        pagesApply(true, false);
        pagesApply(false, m_state.remoteControlsOn);
    }
}

void MainWindow::ResetForDeviceType() {
    m_configuration->ResetForDeviceType();
    m_group->WriteTitles();
    m_monitor->DeviceTypeChanged();
    m_firmware->DeviceTypeChanged();
}

void MainWindow::OnDeviceTypeChanged(int deviceType) {
    {
        QSignalBlocker block(m_deviceCombo);
        m_deviceCombo->setCurrentIndex(deviceType);
    }
    ResetForDeviceType();
    if (m_state.localLinkOpen && setBinaryFraming) setBinaryFraming(deviceType != kVimko1);
    m_state.firmwareLoaded = false;
    ApplyControlSets();
}

// ---------------------------------------------------------------------------
// The tree

void MainWindow::BuildTree(const QList<TreeNode>& remoteChildren) {
    m_tree->clear();
    m_selectedUnit = nullptr;
    m_group->selectedRow = -1;
    auto* local = new QTreeWidgetItem(m_tree, {QStringLiteral("Local managment")});
    local->setData(0, kImageRole, kImageLocalRoot);
    local->setIcon(0, TreeIcon(kImageLocalRoot));
    QStringList ports = listPorts ? listPorts() : QStringList();
    for (const QString& port : ports) NewNode(local, port, kImageSerialPort);
    if (ports.isEmpty()) NewNode(local, QStringLiteral("No serial ports"), kImageEmpty);
    local->setExpanded(true);
    auto* remote = new QTreeWidgetItem(m_tree, {QStringLiteral("Remote managnent")});
    remote->setData(0, kImageRole, kImageRemoteRoot);
    remote->setIcon(0, TreeIcon(kImageRemoteRoot));
    for (const TreeNode& node : remoteChildren) NewNode(remote, node.text, node.image, node.row);
    remote->setExpanded(true);
}

TreeNode MainWindow::NodeOf(const QTreeWidgetItem* item) {
    TreeNode node;
    node.text = item->text(0);
    node.image = item->data(0, kImageRole).toInt();
    node.row = item->data(0, kRowRole).isValid() ? item->data(0, kRowRole).toInt() : -1;
    return node;
}

void MainWindow::OnTreeClicked(QTreeWidgetItem* item) {
    if (!item) return;
    if (m_state.busy) {
        // The running operation keeps its target; the click asks it to stop.
        m_state.terminateRequested = true;
        return;
    }
    TreeNode node = NodeOf(item);
    const bool unit = node.image >= kImageUnit && node.image <= kImageUnit + 3;
    if (node.image == kImageSerialPort) {
        if (m_state.remoteView) m_state.remoteControlsOn = false;
        ShowLocalView();
        if (m_state.localLinkOpen) CloseLocalLink();
        OpenLocalLink(node.text);
    } else {
        if (m_state.localLinkOpen) CloseLocalLink();
        if (unit || node.image == kImageGroup) ShowRemoteView();
        m_remote.ClickNode(node, m_settings->Server());
        if (m_state.consoleConnected) m_settings->SetDataServerStatus(QStringLiteral("Connected"));
        if (unit) {
            m_selectedUnit = item;
            m_group->selectedRow = node.row;
        } else if (node.image == kImageGroup) {
            m_selectedUnit = item;
            m_group->selectedRow = -1;
        }
    }
    ApplyControlSets();
    UpdateStatus();
}

void MainWindow::UpdateSelectedImage(int image) {
    if (!m_selectedUnit) return;
    m_selectedUnit->setData(0, kImageRole, image);
    m_selectedUnit->setIcon(0, TreeIcon(image));
}

// The serial port behind the port nodes, the Configuration page's local
// read and write, the label button, and the status texts of the local and
// firmware work. Tests may put their own port hooks in place afterwards.
void MainWindow::WireLocalLink() {
    openLocalPort = [this](const QString& port, int baud) { return m_link.OpenPort(port, baud); };
    closeLocalPort = [this] { m_link.ClosePort(); };
    setBinaryFraming = [this](bool binary) { m_link.SetFraming(binary); };
    m_configuration->localRead = [this](int tab) { m_local.LocalRead(tab); };
    m_configuration->localWrite = [this](int tab) { m_local.LocalWrite(tab); };
    connect(&m_local, &LocalConfig::listChanged, m_configuration, &ConfigurationPage::Reload);
    connect(&m_link, &SerialLink::portLost, this, [this] {
        // The link has already marked itself closed; the window's own record
        // of the open port says whether its controls still need closing.
        if (m_localPort.isEmpty()) return;
        CloseLocalLink();
        ApplyControlSets();
        UpdateStatus();
    });
    connect(m_label, &QToolButton::clicked, this, [this] {
        m_tools.printerProgram = m_settings->printerProgram();
        m_tools.PrintLabel();
    });
    connect(&m_link, &SerialLink::statusChanged, this, &MainWindow::UpdateStatus);
    connect(&m_local, &LocalConfig::statusChanged, this, &MainWindow::UpdateStatus);
    connect(&m_localFirmware, &LocalFirmware::statusChanged, this, &MainWindow::UpdateStatus);
    connect(&m_sender, &FirmwareSender::statusChanged, this, &MainWindow::UpdateStatus);
    connect(&m_dallas, &LongDallasWriter::statusChanged, this, &MainWindow::UpdateStatus);
    connect(&m_sender, &FirmwareSender::groupChanged, m_group, &GroupPage::Reload);
    // An imported image turns the firmware "&Send" on (with its control set).
    connect(&m_importer, &FirmwareImporter::firmwareChanged, this, &MainWindow::ApplyControlSets);
}

void MainWindow::OpenLocalLink(const QString& port) {
    // 4800 bit/s only for the text generation with the check box set.
    const int baud = m_state.deviceType == kVimko1 && m_settings->use4800() ? 4800 : 9600;
    if (openLocalPort && openLocalPort(port, baud)) {
        m_state.localLinkOpen = true;
        m_localPort = port;
        const QString text = QStringLiteral("Connected (") + port + QLatin1Char(')');
        m_settings->SetLocalStatus(text);
        m_state.ShowStatus(text, 50);
        m_state.localControlsOn = true;
        if (setBinaryFraming) setBinaryFraming(m_state.deviceType != kVimko1);
    } else {
        m_prompt.ShowWarning(QStringLiteral("Can not open port ") + port);
        m_state.localControlsOn = false;
    }
}

void MainWindow::CloseLocalLink() {
    if (closeLocalPort) closeLocalPort();
    m_state.localLinkOpen = false;
    m_localPort.clear();
    m_settings->SetLocalStatus(QStringLiteral("Disconnected"));
    m_state.localControlsOn = false;
}

void MainWindow::OnRefresh() {
    if (m_state.busy) return;
    m_tree->setEnabled(false);
    if (m_state.localLinkOpen) CloseLocalLink();
    if (m_state.remoteView) m_state.remoteControlsOn = false;
    if (m_state.consoleConnected) m_settings->SetDataServerStatus(QStringLiteral("Disconnected"));
    ApplyControlSets();
    QList<TreeNode> children =
        RefreshDeviceList(m_state, m_console, m_prompt, m_settings->Server());
    m_settings->SetDataServerStatus(m_state.consoleConnected ? QStringLiteral("Connected")
                                                             : QStringLiteral("Disconnected"));
    BuildTree(children);
    m_tree->setEnabled(true);
    ApplyControlSets();
    UpdateStatus();
}

// ---------------------------------------------------------------------------
// Settings actions and closing

void MainWindow::OnManage() {
    ServerSettings server = m_settings->Server();
    ProfilesDialog dialog(m_settingsPath, {QString(), server.address, server.user, server.password},
                          this);
    if (dialog.exec() != QDialog::Accepted) return;
    ServerProfile chosen = dialog.Chosen();
    m_settings->SetServerFields(chosen.address, chosen.user, chosen.password);
    if (!SaveServerSection(m_settingsPath, m_settings->Server())) {
        m_prompt.ShowWarning(QStringLiteral("Can not write the settings file ") + m_settingsPath);
    }
}

void MainWindow::OnRepositoryWrite() {
    m_repo.settings = m_settings->Repository();
    if (!SaveRepositorySection(m_settingsPath, m_repo.settings)) {
        m_prompt.ShowWarning(QStringLiteral("Can not write the settings file ") + m_settingsPath);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_state.busy) {
        // The operation waits in a nested event loop on objects this window
        // owns: ask it to stop and close when it has ended.
        m_state.terminateRequested = true;
        m_closePending = true;
        event->ignore();
        return;
    }
    if (m_state.localLinkOpen) CloseLocalLink();
    if (m_state.consoleConnected) m_console.ConsoleDisconnect();
    m_state.localLinkOpen = false;
    m_state.consoleConnected = false;
    event->accept();
}
