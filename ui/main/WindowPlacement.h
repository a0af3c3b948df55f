#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a fixed-size window goes on a screen: centred, but never with its title bar or
// toolbar above or left of the usable area, as on screens smaller than the window.
class WindowPlacement
{
public:
    static QPoint topLeft(const QSize &window, const QRect &available)
    {
        QPoint p = available.center() - QRect(QPoint(0, 0), window).center();
        p.setX(qMax(p.x(), available.left()));
        p.setY(qMax(p.y(), available.top()));
        return p;
    }
};
