#include "controls/LedLamp.h"

#include <QPainter>
#include <QRadialGradient>

LedLamp::LedLamp(QWidget *parent) : QWidget(parent)
{
}

void LedLamp::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    update();
}

void LedLamp::setColor(const QColor &color)
{
    m_color = color;
    update();
}

QColor LedLamp::shownColor() const
{
    return m_on ? m_color : m_color.darker(350);
}

void LedLamp::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int d = qMin(width(), height()) - 2;
    const QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    QRadialGradient g(r.center() - QPointF(d / 5.0, d / 5.0), d / 1.5);
    g.setColorAt(0, shownColor().lighter(170));
    g.setColorAt(1, shownColor());
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(g);
    p.drawEllipse(r);
}
