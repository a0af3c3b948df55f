#include "controls/RotatedLabel.h"

#include <QPainter>

RotatedLabel::RotatedLabel(const QString &text, int angle, QWidget *parent)
    : QWidget(parent), m_text(text), m_angle(angle == 90 ? 90 : 270)
{
}

void RotatedLabel::setText(const QString &text)
{
    m_text = text;
    updateGeometry();
    update();
}

QSize RotatedLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    // Width and height trade places once the text is turned.
    return QSize(fm.height() + 2, fm.horizontalAdvance(m_text) + 4);
}

void RotatedLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(palette().windowText().color());
    if (m_angle == 90) {
        p.translate(width(), 0);
        p.rotate(90);
    } else {
        p.translate(0, height());
        p.rotate(270);
    }
    p.drawText(QRect(0, 0, height(), width()), Qt::AlignCenter, m_text);
}
