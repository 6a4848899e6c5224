#pragma once
// The "&Monitoring" page: the live state of the unit on the serial cable,
// one grid row per group of readings, polled item by item from the main
// window's 100-ms timer, with "&Refresh", "&Automatic", "Move &up" and
// "Move &down".
//
// The poll cycle, the rows and `rowOf` are MonitorBoard's; the page shows
// the board and forwards its buttons.

#include <QWidget>

#include "manager/logic/monitor_cycle.h"
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

    // A decoded answer for monitor item `item`.
    void ShowAnswer(int item, const QString& text);

    const MonitorBoard& board() const { return m_board; }
    QTableWidget* grid() const { return m_grid; }

  private:
    void BuildLayout();
    void ShowBoard();
    void ShowRow(int row);
    void SyncStep();
    void OnRefresh();
    void OnAutomatic(bool checked);
    void OnMove(int direction);

    ManagerContext& m_context;
    MonitorBoard m_board;

    QTableWidget* m_grid = nullptr;
    QPushButton* m_refresh = nullptr;
    QCheckBox* m_automatic = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
};
