#include "manager/ui/monitor_grid_delegate.h"

#include <QPainter>
#include <QPixmap>

namespace {

const QLatin1String kIconMarker("\nIcon=");

}  // namespace

MonitorCell SplitMonitorCell(const QString& value) {
    const qsizetype at = value.size() - kIconMarker.size() - 1;
    if (at < 0 || value.mid(at, kIconMarker.size()) != kIconMarker) return {value, -1};
    const QChar figure = value.back();
    if (figure < QLatin1Char('0') || figure > QLatin1Char('2')) return {value, -1};
    return {value.left(at), figure.unicode() - '0'};
}

QColor MonitorGridDelegate::IconColor(int icon) {
    switch (icon) {
        case 0:
            return QColor(0x20, 0xB0, 0x20);  // working
        case 1:
            return QColor(0xF0, 0xB0, 0x00);  // working, with a doubt
        default:
            return QColor(0xD0, 0x20, 0x20);  // fault
    }
}

MonitorGridDelegate::MonitorGridDelegate(QObject* parent) : QStyledItemDelegate(parent) {
    for (int icon = 0; icon < static_cast<int>(m_icons.size()); ++icon) {
        QPixmap picture(kIconSize, kIconSize);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(IconColor(icon).darker(150));
        painter.setBrush(IconColor(icon));
        painter.drawEllipse(QRectF(1.5, 1.5, kIconSize - 3, kIconSize - 3));
        painter.end();
        m_icons[static_cast<size_t>(icon)] = QIcon(picture);
    }
}

void MonitorGridDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // The drawn text has its LFs turned into line separators already; the
    // marker is looked for in the model's own value.
    const MonitorCell cell = SplitMonitorCell(index.data(Qt::DisplayRole).toString());
    option->text = QString(cell.text).replace(QLatin1Char('\n'), QChar::LineSeparator);
    option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    if (cell.icon < 0) return;
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->icon = m_icons[static_cast<size_t>(cell.icon)];
    option->decorationSize = QSize(kIconSize, kIconSize);
    option->decorationPosition = QStyleOptionViewItem::Left;
    option->decorationAlignment = Qt::AlignLeft | Qt::AlignVCenter;
}
