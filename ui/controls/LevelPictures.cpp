#include "controls/LevelPictures.h"

#include <QPainter>
#include <QPainterPath>

namespace {

enum class Shape { Level, PulseUp, PulseDown, Edge };

struct Form
{
    const char *name;
    Shape shape;
    bool high;       // idle level (for edges: true = rising)
    const char *tag; // small caption in the corner
    bool inverted;   // drawn on a dark ground (output level buttons)
};

const Form kForms[] = {
    {"B1I", Shape::Level, true, "", true},       {"B0I", Shape::Level, false, "", true},
    {"B1", Shape::Level, true, "", false},       {"B1P", Shape::PulseDown, true, "", false},
    {"B1Z", Shape::PulseDown, true, "Z", false}, {"B03", Shape::PulseUp, false, "3", false},
    {"B04", Shape::PulseUp, false, "4", false},  {"B0", Shape::Level, false, "", false},
    {"B0P", Shape::PulseUp, false, "", false},   {"B0Z", Shape::PulseUp, false, "Z", false},
    {"B83", Shape::PulseDown, true, "3", false}, {"B84", Shape::PulseDown, true, "4", false},
    {"BUP", Shape::Edge, true, "", false},       {"BDN", Shape::Edge, false, "", false},
};

const Form *find(const QString &name)
{
    for (const Form &f : kForms)
        if (name == QLatin1String(f.name))
            return &f;
    return nullptr;
}

} // namespace

QPixmap LevelPictures::picture(const QString &name, const QSize &size)
{
    const Form *f = find(name);
    if (!f || size.isEmpty())
        return QPixmap();
    QPixmap pm(size);
    pm.fill(f->inverted ? QColor(40, 40, 40) : QColor(250, 250, 240));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = f->inverted ? QColor(80, 230, 80) : QColor(0, 0, 160);
    p.setPen(QPen(ink, 2));
    const double w = size.width(), h = size.height();
    const double top = h * 0.25, bottom = h * 0.75;
    const double idle = f->high ? top : bottom;
    QPainterPath path;
    switch (f->shape) {
    case Shape::Level:
        path.moveTo(2, idle);
        path.lineTo(w - 2, idle);
        break;
    case Shape::PulseUp:
    case Shape::PulseDown: {
        const double other = (f->shape == Shape::PulseUp) ? top : bottom;
        path.moveTo(2, idle);
        path.lineTo(w * 0.35, idle);
        path.lineTo(w * 0.35, other);
        path.lineTo(w * 0.65, other);
        path.lineTo(w * 0.65, idle);
        path.lineTo(w - 2, idle);
        break;
    }
    case Shape::Edge: {
        const double from = f->high ? bottom : top;
        const double to = f->high ? top : bottom;
        path.moveTo(2, from);
        path.lineTo(w / 2, from);
        path.lineTo(w / 2, to);
        path.lineTo(w - 2, to);
        // Arrow head on the edge shows its direction.
        const double dir = f->high ? 1.0 : -1.0;
        const double mid = h / 2;
        path.moveTo(w / 2 - 4, mid + 3 * dir);
        path.lineTo(w / 2, mid - 2 * dir);
        path.lineTo(w / 2 + 4, mid + 3 * dir);
        break;
    }
    }
    p.drawPath(path);
    if (f->tag[0]) {
        QFont font = p.font();
        font.setPixelSize(qMax(7, int(h * 0.4)));
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(160, 0, 0));
        p.drawText(QRectF(0, 0, w - 1, h), Qt::AlignRight | Qt::AlignBottom, QLatin1String(f->tag));
    }
    if (f->shape == Shape::Level && !f->inverted) {
        // Idle level digit, so "B1" and "B0" read at a glance.
        QFont font = p.font();
        font.setPixelSize(qMax(7, int(h * 0.4)));
        p.setFont(font);
        p.setPen(QColor(160, 0, 0));
        p.drawText(QRectF(0, f->high ? h / 2 : 0, w, h / 2), Qt::AlignCenter,
                   f->high ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return pm;
}
