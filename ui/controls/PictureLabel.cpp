#include "controls/PictureLabel.h"

#include <QResizeEvent>

PictureLabel::PictureLabel(Painter painter, const QSize &hint, QWidget *parent)
    : QLabel(parent), m_painter(std::move(painter)), m_hint(hint)
{
    setAlignment(Qt::AlignCenter);
    if (m_painter)
        setPixmap(m_painter(hint));
}

void PictureLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    if (m_painter && !event->size().isEmpty())
        setPixmap(m_painter(event->size()));
}
