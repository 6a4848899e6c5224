#include "manager/ui/status_panel.h"

#include <QPainter>
#include <algorithm>

int ProgressPercent(const QString& progress) {
    bool ok = false;
    double value = progress.trimmed().toDouble(&ok);
    if (!ok) return 0;
    return std::clamp(static_cast<int>(value), 0, 100);
}

StatusPanel::StatusPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("statusPanel"));
    setMinimumHeight(fontMetrics().height() + 6);
}

void StatusPanel::Show(const QString& text, const QString& progress) {
    int percent = ProgressPercent(progress);
    if (text == m_text && percent == m_percent) return;
    m_text = text;
    m_percent = percent;
    update();
}

QSize StatusPanel::sizeHint() const {
    return {400, fontMetrics().height() + 6};
}

void StatusPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect();
    p.fillRect(r, palette().window());
    int filled = m_percent * r.width() / 100;
    if (filled > 0) p.fillRect(QRect(r.left(), r.top(), filled, r.height()), palette().highlight());
    p.setPen(palette().windowText().color());
    p.drawText(r.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, m_text);
}
