#include "manager/ui/tree_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 16;

// A small box with a screen: the local computer, or (with a globe) the
// remote side.
void DrawComputer(QPainter& p, const QColor& screen) {
    p.setPen(QColor(60, 60, 60));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(1, 2, 13, 9);
    p.setBrush(screen);
    p.drawRect(3, 4, 9, 5);
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(5, 12, 5, 2);
}

// A unit: a tracker box whose lamp tells its state; a pending off-line
// configuration adds an hourglass mark.
void DrawUnit(QPainter& p, int state) {
    const bool logged = state == 1 || state == 3;
    const bool pending = state == 2 || state == 3;
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(90, 110, 140));
    p.drawRoundedRect(1, 4, 12, 9, 2, 2);
    p.setBrush(logged ? QColor(40, 200, 60) : QColor(160, 160, 160));
    p.drawEllipse(3, 6, 4, 4);
    p.drawLine(10, 4, 12, 0);
    if (pending) {
        p.setBrush(QColor(250, 200, 40));
        p.drawEllipse(9, 9, 6, 6);
        p.drawLine(12, 10, 12, 12);
        p.drawLine(12, 12, 14, 12);
    }
}

}  // namespace

QIcon TreeIcon(int image) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (image) {
        case 0:
            DrawComputer(p, QColor(80, 140, 220));
            break;
        case 1: {
            DrawComputer(p, QColor(80, 140, 220));
            p.setBrush(QColor(60, 170, 90));
            p.drawEllipse(8, 7, 8, 8);
            p.drawLine(12, 7, 12, 15);
            p.drawLine(8, 11, 16, 11);
            break;
        }
        case 2: {
            // A nine-pin plug.
            p.setPen(QColor(40, 40, 40));
            p.setBrush(QColor(180, 180, 190));
            QPainterPath plug;
            plug.moveTo(1, 4);
            plug.lineTo(15, 4);
            plug.lineTo(13, 12);
            plug.lineTo(3, 12);
            plug.closeSubpath();
            p.drawPath(plug);
            p.setBrush(QColor(40, 40, 40));
            for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(3.5 + 2.25 * i, 6.5), 0.7, 0.7);
            for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(4.6 + 2.25 * i, 9.5), 0.7, 0.7);
            break;
        }
        case 3:
        case 4:
        case 5:
        case 6:
            DrawUnit(p, image - 3);
            break;
        case 8: {
            // Two arrows in a circle.
            p.setPen(QPen(QColor(30, 120, 200), 2));
            p.drawArc(2, 2, 12, 12, 30 * 16, 150 * 16);
            p.drawArc(2, 2, 12, 12, 210 * 16, 150 * 16);
            p.drawLine(3, 4, 3, 8);
            p.drawLine(13, 12, 13, 8);
            break;
        }
        case 9:
            for (int i = 0; i < 3; ++i) {
                p.setPen(QColor(40, 40, 40));
                p.setBrush(QColor(90 + 40 * i, 110, 140));
                p.drawRoundedRect(1 + 3 * i, 1 + 4 * i, 8, 6, 1, 1);
            }
            break;
        default:
            // The empty marker: a hollow dash.
            p.setPen(QColor(150, 150, 150));
            p.drawLine(4, 8, 12, 8);
            break;
    }
    return QIcon(pixmap);
}
