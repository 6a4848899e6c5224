#pragma once
// The "&Monitoring" page without its widgets: runs the poll cycle on the
// serial link from the main window's 100-ms timer, decodes the unit's
// monitor answers into the grid rows and tells the label printer what the
// module item showed. A widget shows RowCount() rows of Heading(row),
// RowText(row) (lines separated by LF) and the state icon RowIcon(row), and
// enables "&Refresh" by RefreshEnabled().

#include <QObject>
#include <QString>

#include "manager/logic/label_command.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/monitor_cycle.h"
#include "manager/logic/monitor_text.h"
#include "manager/logic/serial_link.h"

class MonitorController : public QObject {
    Q_OBJECT
  public:
    MonitorController(ManagerState& state, SerialLink& link, LabelFacts& label,
                      QObject* parent = nullptr);

    // The grid laid out for the device type (ResetForDeviceType); rows moved
    // earlier keep their places.
    void Reset(int deviceType);

    // One step of the cycle; the main window's timer calls it every tick
    // while localLinkOpen and the "&Monitoring" page is active. It skips
    // while a local action is busy on the link, so a firmware upload's
    // pacing or a read's answers are not mixed with monitor requests.
    void PollStep();
    // "&Refresh": one cycle when idle.
    void RefreshButton();
    // "&Automatic" checked or unchecked.
    void SetAutomatic(bool on);
    bool Automatic() const { return m_automatic; }
    // "Move &up" / "Move &down" of the selected row; the row that now holds
    // the moved item, or `row` when it could not move.
    int MoveUp(int row);
    int MoveDown(int row);

    int RowCount() const { return m_board.RowCount(); }
    QString Heading(int row) const;
    // The value without its icon marker, and the icon figure (0..2, -1 none).
    QString RowText(int row) const;
    int RowIcon(int row) const;
    // "&Refresh" is enabled with the local control set while no cycle runs.
    bool RefreshEnabled() const { return m_state.localControlsOn && m_board.MonitorStep() == 0; }
    const MonitorBoard& board() const { return m_board; }

  signals:
    // Rows (texts, headings after a move) changed.
    void rowsChanged();
    // RefreshEnabled() may have changed.
    void refreshStateChanged();

  private:
    void OnFrame(const SerialFrame& frame);
    void OnLine(const QByteArray& line);
    void ModuleSeen(const QString& imei, const QString& ccid, unsigned link);
    void SyncStep();

    ManagerState& m_state;
    SerialLink& m_link;
    LabelFacts& m_label;
    MonitorBoard m_board;
    MonitorTextState m_textState;  // what "$ANS200," and "$ANS201," left for "$ANS202,"
    bool m_automatic = false;
};
