#pragma once

#include <QPixmap>
#include <QString>

// The program's logo and the product picture of the "About" page. A picture file of the
// same name in the data directory ("logo.png", "product.png") replaces the drawn one.
class ProductPictures
{
public:
    static void setDataDirectory(const QString &dir);
    static QPixmap logo(const QSize &size);
    static QPixmap product(const QSize &size);

private:
    static QPixmap fromFile(const QString &fileName, const QSize &size);
};
