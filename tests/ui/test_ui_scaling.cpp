// The drawn controls at the sizes the test-device and coin-programming windows give them:
// the picture follows the widget's size and stays legible.
#include "controls/BarGauge.h"
#include "controls/DipSwitch.h"
#include "controls/LedLamp.h"

#include <QImage>
#include <QtTest>

namespace {
QImage render(QWidget &w, const QSize &size)
{
    w.ensurePolished();
    w.resize(size);
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::magenta);
    w.render(&img);
    return img;
}
} // namespace

class TestUiScaling : public QObject
{
    Q_OBJECT
private slots:
    void dipSwitchScalesItsSlotsLeversAndNumbers_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("scale");
        QTest::newRow("8 switches, smallest") << 8 << 0.0;
        QTest::newRow("8 switches, as hinted") << 8 << 1.0;
        QTest::newRow("8 switches, twice") << 8 << 2.0;
        QTest::newRow("4 switches, three times") << 4 << 3.0;
    }

    void dipSwitchScalesItsSlotsLeversAndNumbers()
    {
        QFETCH(int, count);
        QFETCH(double, scale);
        DipSwitch d;
        d.setSwitchCount(count);
        d.setValue(0x05); // switches 1 and 3 on
        const QSize size = scale == 0.0
                               ? d.minimumSizeHint()
                               : QSize(int(d.sizeHint().width() * scale), int(d.sizeHint().height() * scale));
        const QImage img = render(d, size);
        const QRectF inside(0, 0, size.width(), size.height());
        for (int i = 0; i < count; ++i) {
            const QRectF slot = d.slotRect(i);
            QVERIFY2(inside.contains(slot), qPrintable(QString::number(i)));
            if (i > 0)
                QVERIFY(slot.left() > d.slotRect(i - 1).right()); // slots never touch
            // The slot fills its share of the width: the picture grows with the widget.
            QVERIFY(slot.width() >= 0.4 * (size.width() - 8) / count);
            const QRectF lever = d.leverRect(i);
            QCOMPARE(lever.center().y() < slot.center().y(), d.isOn(i));
            // The lever is painted where it is said to be.
            QCOMPARE(img.pixelColor(lever.center().toPoint()), QColor(Qt::white));
        }
        QVERIFY(d.textPixelSize() >= 9);
        if (scale >= 2.0)
            QVERIFY(d.textPixelSize() >= 2 * 9);
    }

    void lampAndGaugeFollowTheirSize_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("small") << 12;
        QTest::newRow("large") << 64;
    }

    void lampAndGaugeFollowTheirSize()
    {
        QFETCH(int, size);
        LedLamp led;
        led.setColor(Qt::green);
        led.setOn(true);
        QImage img = render(led, QSize(size, size));
        // Lit across its whole face: near the rim as well as in the middle.
        QVERIFY(img.pixelColor(size / 2, size / 2).green() > 150);
        QVERIFY(img.pixelColor(size / 2, size - 4).green() > 100);

        BarGauge g;
        g.setOrientation(Qt::Vertical);
        g.setRange(0, 100);
        g.setValue(50);
        img = render(g, QSize(size / 2 + 8, size * 4));
        const int x = img.width() / 2;
        QCOMPARE(img.pixelColor(x, img.height() * 3 / 4), QColor(30, 110, 200));
        QVERIFY(img.pixelColor(x, img.height() / 4) != QColor(30, 110, 200));
    }
};

QTEST_MAIN(TestUiScaling)
#include "test_ui_scaling.moc"
