#include "controls/BarGauge.h"

#include <QPainter>

BarGauge::BarGauge(QWidget *parent) : QWidget(parent)
{
}

void BarGauge::setRange(int minimum, int maximum)
{
    if (maximum < minimum)
        std::swap(minimum, maximum);
    m_min = minimum;
    m_max = maximum;
    m_value = qBound(m_min, m_value, m_max);
    update();
}

void BarGauge::setValue(int value)
{
    value = qBound(m_min, value, m_max);
    if (value == m_value)
        return;
    m_value = value;
    update();
}

double BarGauge::fraction() const
{
    if (m_max == m_min)
        return 0.0;
    return double(m_value - m_min) / double(m_max - m_min);
}

void BarGauge::setOrientation(Qt::Orientation orientation)
{
    m_orientation = orientation;
    updateGeometry();
    update();
}

void BarGauge::setShowText(bool show)
{
    m_showText = show;
    update();
}

QSize BarGauge::sizeHint() const
{
    return m_orientation == Qt::Horizontal ? QSize(120, 18) : QSize(18, 120);
}

void BarGauge::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.setPen(Qt::darkGray);
    p.setBrush(palette().base());
    p.drawRect(frame);
    QRect fill = frame.adjusted(2, 2, -1, -1);
    if (m_orientation == Qt::Horizontal) {
        fill.setWidth(int(fill.width() * fraction() + 0.5));
    } else {
        const int h = int(fill.height() * fraction() + 0.5);
        fill.setTop(fill.bottom() - h + 1);
    }
    if (fraction() > 0.0)
        p.fillRect(fill, QColor(30, 110, 200));
    if (m_showText && m_orientation == Qt::Horizontal) {
        p.setPen(palette().windowText().color());
        p.drawText(frame, Qt::AlignCenter, QString::number(m_value));
    }
}
