#pragma once
// The "&Group" page: the grid of the units that a group write or a group
// firmware upload works on (columns "Description", "Imei", "Mode",
// "Status"; 21 rows under the titles) and the button "&Add", which puts the
// unit of the selected tree node into the first free row. A row is a member
// while its "Imei" cell is not empty; the person may edit or clear cells.

#include <QWidget>

#include "manager/ui/manager_context.h"

class QPushButton;
class QTableWidget;

class GroupPage : public QWidget {
  public:
    explicit GroupPage(ManagerContext& context, QWidget* parent = nullptr);

    // Writes the grid titles (ResetForDeviceType).
    void WriteTitles();
    // Shows RemoteConfig::group again.
    void Reload();
    // Adds the unit of deviceList row `row` unless it is a member already;
    // false when the row is not a unit or the grid is full.
    bool AddUnit(int row);

    QTableWidget* grid() const { return m_grid; }
    QPushButton* addButton() const { return m_add; }
    // The deviceList row of the tree node selected now (-1 for none); set by
    // the main window.
    int selectedRow = -1;

  private:
    void OnCellChanged(int row, int column);

    ManagerContext& m_context;
    QTableWidget* m_grid;
    QPushButton* m_add;
    bool m_loading = false;
};
