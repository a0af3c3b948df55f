#include "controls/DipSwitch.h"

#include <QPainter>

DipSwitch::DipSwitch(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
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

QSize DipSwitch::minimumSizeHint() const
{
    return QSize(8 + m_count * 12, 48);
}

namespace {
// The bands above and below the body hold the "ON" mark and the numbers.
double bandHeight(int height)
{
    return height * 14.0 / 64.0;
}
} // namespace

int DipSwitch::textPixelSize() const
{
    // Never below what a person reads at a glance.
    return qMax(9, int(bandHeight(height()) - 3));
}

QRectF DipSwitch::slotRect(int index) const
{
    const double band = bandHeight(height());
    const QRectF body(1, band, width() - 2, height() - 2 * band);
    const double pitch = (body.width() - 6) / m_count;
    const double slotW = pitch * 10.0 / 18.0;
    const double x = body.left() + 3 + index * pitch + (pitch - slotW) / 2;
    const double inset = body.height() / 12.0;
    return QRectF(x, body.top() + inset, slotW, body.height() - 2 * inset);
}

QRectF DipSwitch::leverRect(int index) const
{
    const QRectF slot = slotRect(index);
    const double h = slot.height() / 2 - 1;
    // The lever sits at the "ON" (top) end when the switch is on.
    return isOn(index) ? QRectF(slot.left() + 1, slot.top() + 1, slot.width() - 2, h)
                       : QRectF(slot.left() + 1, slot.bottom() - 1 - h, slot.width() - 2, h);
}

void DipSwitch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double band = bandHeight(height());
    const QRectF body(1, band, width() - 2, height() - 2 * band);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(body);
    QFont f = font();
    f.setPixelSize(textPixelSize());
    p.setFont(f);
    p.setPen(palette().windowText().color());
    p.drawText(QRectF(0, 0, width(), band), Qt::AlignLeft | Qt::AlignVCenter, m_onText);
    for (int i = 0; i < m_count; ++i) {
        const QRectF slot = slotRect(i);
        p.setPen(Qt::black);
        p.setBrush(QColor(60, 60, 60));
        p.drawRect(slot);
        p.setBrush(Qt::white);
        p.drawRect(leverRect(i));
        p.setPen(palette().windowText().color());
        const QRectF number(slot.center().x() - slot.width(), body.bottom(), 2 * slot.width(), band);
        p.drawText(number, Qt::AlignCenter, QString::number(i + 1));
    }
}
