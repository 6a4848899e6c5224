#pragma once
// The "&Monitoring" page: the live state of the unit on the serial cable,
// one grid row per group of readings, polled item by item from the main
// window's 100-ms timer, with "&Refresh", "&Automatic", "Move &up" and
// "Move &down".
//
// The poll cycle, the decoding of the answers, the rows and `rowOf` are the
// MonitorController's; the page shows its board and forwards the buttons.

#include <QWidget>

#include "manager/ui/manager_context.h"

class QCheckBox;
class QPushButton;
class QTableWidget;

class MonitorPage : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kHeadingWidth = 150;
    static constexpr int kRowHeight = 48;

    explicit MonitorPage(ManagerContext& context, QWidget* parent = nullptr);

    void ApplyLocalControls(bool on);
    void ApplyRemoteControls(bool on);
    void ShowLocalView();
    void ShowRemoteView();
    // Lays the grid out for ManagerState::deviceType.
    void DeviceTypeChanged();

    // One step of the poll cycle; the main window calls it from its timer
    // while the serial link is open and this page is active.
    void TimerStep();

    QTableWidget* grid() const { return m_grid; }

  private:
    void BuildLayout();
    void ShowBoard();
    void ShowRefresh();
    void OnMove(int direction);

    ManagerContext& m_context;

    QTableWidget* m_grid = nullptr;
    QPushButton* m_refresh = nullptr;
    QCheckBox* m_automatic = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
};
