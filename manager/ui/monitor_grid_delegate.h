#pragma once
// Draws the cells of the monitoring grid. A value may end with the marker
// LF "Icon=" and one figure 0, 1 or 2: the marker is not drawn as text but
// selects a state icon (good, doubtful, fault) drawn at the cell's left.
// Cells hold several lines separated by LF.

#include <QIcon>
#include <QString>
#include <QStyledItemDelegate>
#include <array>

// A cell's text without its icon marker, and the icon it selects (-1 none).
struct MonitorCell {
    QString text;
    int icon = -1;
};
MonitorCell SplitMonitorCell(const QString& value);

class MonitorGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    static constexpr int kIconSize = 16;

    explicit MonitorGridDelegate(QObject* parent = nullptr);

    // The colour of each state icon (tests look for it in the drawn grid).
    static QColor IconColor(int icon);

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

  private:
    std::array<QIcon, 3> m_icons;
};
