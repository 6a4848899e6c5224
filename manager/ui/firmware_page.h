#pragma once
// The "&Firmware" page: the firmware-kind combo, the remote firmware-version
// line and its "&Read", "&Import" and "&Send" of a firmware image with the
// description pane, and the unit's service functions (distance, memory
// clearing, archive and unread-data reading, the Long DALLAS list).
//
// A thin widget: every button hands over to the logic (the remote
// configuration or the local link, by the view shown), which runs inside
// BusyScope; the page only shows ManagerState and enables its controls as
// the main window's control sets say.

#include <QStringList>
#include <QWidget>

#include "manager/logic/firmware_image.h"
#include "manager/ui/manager_context.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTextEdit;

class FirmwarePage : public QWidget {
    Q_OBJECT
  public:
    explicit FirmwarePage(ManagerContext& context, QWidget* parent = nullptr);

    // This page's part of the local and the remote control set.
    void ApplyLocalControls(bool on);
    void ApplyRemoteControls(bool on);
    // The firmware-version line: the monitor shows the version locally.
    void ShowLocalView();
    void ShowRemoteView();
    // The device combo changed (ManagerState::deviceType holds the new
    // type): the loaded firmware no longer fits and is dropped.
    void DeviceTypeChanged();

    // The main window disables it while an operation runs.
    QComboBox* kindCombo() const { return m_kind; }
    // The combo's index: 0 Vimko, 1 KX-05/Tacho, 2 Korvalen.
    int kind() const;

    // The description pane of a loaded image, each line bold or plain.
    void ShowDescription(const FirmwareDescription& lines);
    QString descriptionText() const;
    QString versionText() const;

  private:
    void DropFirmware();
    void ShowFirmware();
    void BuildLayout();
    void ConnectButtons();

    ManagerContext& m_context;

    QComboBox* m_kind = nullptr;
    QLineEdit* m_version = nullptr;
    QPushButton* m_versionRead = nullptr;
    QPushButton* m_import = nullptr;
    QPushButton* m_send = nullptr;
    QTextEdit* m_description = nullptr;

    QGroupBox* m_distanceGroup = nullptr;
    QLineEdit* m_distance = nullptr;
    QPushButton* m_distanceUpdate = nullptr;
    QGroupBox* m_clearGroup = nullptr;
    QPushButton* m_clear = nullptr;
    QGroupBox* m_archiveGroup = nullptr;
    QLineEdit* m_archiveCount = nullptr;
    QPushButton* m_archiveRead = nullptr;
    QGroupBox* m_unreadGroup = nullptr;
    QPushButton* m_unreadRead = nullptr;
    QGroupBox* m_dallasGroup = nullptr;
    QPushButton* m_dallasWrite = nullptr;
};
