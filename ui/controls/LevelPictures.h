#pragma once

#include <QPixmap>
#include <QString>

// The named pictures of the line level and edge buttons, drawn here instead of shipped
// as bitmaps. A "1"/"0" level picture shows the line's idle level; P, Z and the sorter
// forms add the pulse the line makes; "BUP" and "BDN" are a rising and a falling edge.
class LevelPictures
{
public:
    // A null pixmap for an unknown name.
    static QPixmap picture(const QString &name, const QSize &size = QSize(32, 22));
};
