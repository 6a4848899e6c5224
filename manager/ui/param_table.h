#pragma once
// One configuration tab's parameter/value list (ValueListEditor1..9): the
// key column shows label + " (key)", the value column is edited in place,
// and the "General" rows with a bit field carry an ellipsis button that
// opens "Binary parameter". Edits go straight into the tab's ParamList.

#include <QTableWidget>

#include "manager/logic/param_list.h"

class ParamTable : public QTableWidget {
  public:
    ParamTable(ParamList& list, int tab, QWidget* parent = nullptr);
    // Shows the list's rows again (after a read, an import or a reset).
    void Reload(int deviceType);
    // The row's ellipsis button, or nothing when the row has no bit field.
    QWidget* bitButton(int row) const;

  private:
    void OnItemChanged(QTableWidgetItem* item);
    void EditRowBits(int row);

    ParamList& m_list;
    int m_tab;
    int m_deviceType = 0;
    bool m_loading = false;
};
