#include "controls/DipSwitch.h"

#include <QPainter>

DipSwitch::DipSwitch(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void DipSwitch::setSwitchCount(int count)
{
    count = qBound(1, count, 32);
    if (count == m_count)
        return;
    m_count = count;
    m_value &= (count == 32) ? 0xFFFFFFFFu : ((1u << count) - 1u);
    updateGeometry();
    update();
}

void DipSwitch::setValue(quint32 value)
{
    const quint32 mask = (m_count == 32) ? 0xFFFFFFFFu : ((1u << m_count) - 1u);
    value &= mask;
    if (value == m_value)
        return;
    m_value = value;
    update();
}

bool DipSwitch::isOn(int index) const
{
    return index >= 0 && index < m_count && (m_value >> index) & 1u;
}

void DipSwitch::setOnText(const QString &text)
{
    m_onText = text;
    update();
}

QSize DipSwitch::sizeHint() const
{
    return QSize(8 + m_count * 18, 64);
}

void DipSwitch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect body = rect().adjusted(1, 14, -1, -14);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(body);
    p.setPen(Qt::white);
    QFont f = font();
    f.setPixelSize(10);
    p.setFont(f);
    p.setPen(palette().windowText().color());
    p.drawText(QRect(0, 0, width(), 13), Qt::AlignLeft | Qt::AlignVCenter, m_onText);
    const int slotW = 10;
    const int slotH = body.height() - 8;
    for (int i = 0; i < m_count; ++i) {
        const int x = body.left() + 4 + i * 18 + (18 - slotW) / 2 - 1;
        const QRect slot(x, body.top() + 4, slotW, slotH);
        p.setPen(Qt::black);
        p.setBrush(QColor(60, 60, 60));
        p.drawRect(slot);
        // The lever sits at the "ON" (top) end when the switch is on.
        const QRect lever = isOn(i) ? QRect(x + 1, slot.top() + 1, slotW - 2, slotH / 2)
                                    : QRect(x + 1, slot.bottom() - slotH / 2, slotW - 2, slotH / 2);
        p.setBrush(Qt::white);
        p.drawRect(lever);
        p.setPen(palette().windowText().color());
        p.drawText(QRect(x - 4, body.bottom() + 1, slotW + 8, 13), Qt::AlignCenter, QString::number(i + 1));
    }
}
