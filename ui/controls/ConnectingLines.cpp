#include "controls/ConnectingLines.h"

#include <QEvent>
#include <QPainter>

ConnectingLines::ConnectingLines(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
    }
}

void ConnectingLines::connectWidgets(QWidget *from, QWidget *to)
{
    if (!from || !to)
        return;
    m_links.append(Link{from, to});
    from->installEventFilter(this);
    to->installEventFilter(this);
    raise();
    update();
}

void ConnectingLines::addLine(const QPoint &from, const QPoint &to)
{
    m_fixed.append(QLineF(from, to));
    update();
}

void ConnectingLines::clear()
{
    m_links.clear();
    m_fixed.clear();
    update();
}

void ConnectingLines::setColor(const QColor &color)
{
    m_color = color;
    update();
}

QList<QLineF> ConnectingLines::lines() const
{
    QList<QLineF> out = m_fixed;
    for (const Link &l : m_links) {
        if (!l.from || !l.to)
            continue;
        const QRectF a = l.from->geometry();
        const QRectF b = l.to->geometry();
        QPointF pa(a.right(), a.center().y());
        QPointF pb(b.left(), b.center().y());
        if (b.center().x() < a.center().x()) {
            pa = QPointF(a.left(), a.center().y());
            pb = QPointF(b.right(), b.center().y());
        }
        // Widgets in other containers of the same window are mapped through the window.
        const QWidget *owner = l.from->parentWidget();
        if (owner && owner != parentWidget())
            pa = QPointF(mapFrom(window(), owner->mapTo(window(), pa.toPoint())));
        const QWidget *owner2 = l.to->parentWidget();
        if (owner2 && owner2 != parentWidget())
            pb = QPointF(mapFrom(window(), owner2->mapTo(window(), pb.toPoint())));
        out.append(QLineF(pa, pb));
    }
    return out;
}

bool ConnectingLines::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show ||
        event->type() == QEvent::Hide)
        update();
    return QWidget::eventFilter(watched, event);
}

void ConnectingLines::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(m_color, 1));
    for (const QLineF &l : lines())
        p.drawLine(l);
}
