#include "controls/ProductPictures.h"

#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {
QString &dataDir()
{
    static QString dir;
    return dir;
}
} // namespace

void ProductPictures::setDataDirectory(const QString &dir)
{
    dataDir() = dir;
}

QPixmap ProductPictures::fromFile(const QString &fileName, const QSize &size)
{
    if (dataDir().isEmpty())
        return QPixmap();
    const QString path = QDir(dataDir()).filePath(fileName);
    if (!QFile::exists(path))
        return QPixmap();
    QPixmap pm(path);
    if (pm.isNull())
        return pm;
    return pm.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QPixmap ProductPictures::logo(const QSize &size)
{
    QPixmap file = fromFile(QStringLiteral("logo.png"), size);
    if (!file.isNull() || size.isEmpty())
        return file;
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1, 1, size.width() - 2, size.height() - 2);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(20, 70, 150));
    g.setColorAt(1, QColor(10, 35, 90));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(r, r.height() / 5, r.height() / 5);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(int(r.height() * 0.55));
    p.setFont(f);
    p.setPen(QColor(255, 210, 60));
    p.drawText(r, Qt::AlignCenter, QStringLiteral("RX"));
    return pm;
}

QPixmap ProductPictures::product(const QSize &size)
{
    QPixmap file = fromFile(QStringLiteral("product.png"), size);
    if (!file.isNull() || size.isEmpty())
        return file;
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width(), h = size.height();
    // Selector body: a dark block with a coin slot and a lighter front plate.
    const QRectF body(w * 0.12, h * 0.08, w * 0.76, h * 0.84);
    QLinearGradient g(body.topLeft(), body.topRight());
    g.setColorAt(0, QColor(45, 45, 50));
    g.setColorAt(1, QColor(90, 90, 100));
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(g);
    p.drawRoundedRect(body, 6, 6);
    const QRectF plate(body.left() + body.width() * 0.1, body.top() + body.height() * 0.08,
                       body.width() * 0.8, body.height() * 0.35);
    p.setBrush(QColor(190, 190, 200));
    p.drawRoundedRect(plate, 4, 4);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(plate.center().x() - plate.width() * 0.05, plate.top() + plate.height() * 0.15,
                      plate.width() * 0.1, plate.height() * 0.7));
    // A coin about to drop in.
    p.setBrush(QColor(220, 180, 60));
    const double cr = body.width() * 0.13;
    p.drawEllipse(QPointF(body.center().x(), body.top() + body.height() * 0.68), cr, cr);
    p.setPen(QColor(240, 240, 240));
    QFont f = p.font();
    f.setPixelSize(qMax(8, int(h * 0.07)));
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(body.left(), body.bottom() - h * 0.12, body.width(), h * 0.1), Qt::AlignCenter,
               QStringLiteral("RX20 / RX30"));
    return pm;
}
