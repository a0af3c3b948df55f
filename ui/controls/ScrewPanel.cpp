#include "controls/ScrewPanel.h"

#include <QPainter>

ScrewPanel::ScrewPanel(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    const int m = ScrewSize + 6;
    setContentsMargins(m, 4, m, 4);
}

QList<QRect> ScrewPanel::screwRects() const
{
    const int s = ScrewSize;
    const int in = 4;
    return {QRect(in, in, s, s), QRect(width() - in - s, in, s, s), QRect(in, height() - in - s, s, s),
            QRect(width() - in - s, height() - in - s, s, s)};
}

void ScrewPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    for (const QRect &r : screwRects()) {
        QRadialGradient g(r.topLeft() + QPointF(r.width() * 0.35, r.height() * 0.35), r.width());
        g.setColorAt(0, QColor(235, 235, 235));
        g.setColorAt(1, QColor(120, 120, 120));
        p.setPen(QPen(QColor(80, 80, 80), 1));
        p.setBrush(g);
        p.drawEllipse(r);
        // The slot, slanted like a real screw driven home.
        p.setPen(QPen(QColor(60, 60, 60), 1.5));
        const QPointF c = QRectF(r).center();
        const double d = r.width() * 0.35;
        p.drawLine(c + QPointF(-d, d * 0.5), c + QPointF(d, -d * 0.5));
    }
}
