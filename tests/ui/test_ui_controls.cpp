// The drawn controls: what they hold, what they draw and what they let in, and how their
// pictures follow the sizes the test-device and coin-programming windows give them.
#include "controls/BarGauge.h"
#include "controls/ConnectingLines.h"
#include "controls/DipSwitch.h"
#include "controls/LedLamp.h"
#include "controls/LevelPictures.h"
#include "controls/NumEdit.h"
#include "controls/PictureLabel.h"
#include "controls/ProductPictures.h"
#include "controls/RotatedLabel.h"
#include "controls/ScrewPanel.h"
#include "controls/SpinEdit.h"
#include "controls/WrapButton.h"

#include <QLineEdit>
#include <QSet>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

namespace {
// The widget drawn at the given size, else at its own (its hint when it has none).
QImage render(QWidget &w, const QSize &size = QSize())
{
    w.ensurePolished();
    if (size.isValid())
        w.resize(size);
    else if (w.size().isEmpty())
        w.resize(w.sizeHint());
    QImage img(w.size(), QImage::Format_ARGB32);
    img.fill(Qt::magenta);
    w.render(&img);
    return img;
}
} // namespace

class TestUiControls : public QObject
{
    Q_OBJECT
private slots:
    void dipSwitchKeepsOnlyExistingSwitchesAndMovesLevers()
    {
        DipSwitch d;
        d.setSwitchCount(4);
        d.setValue(0xFF);
        QCOMPARE(d.value(), 0x0Fu);
        QVERIFY(d.isOn(3));
        // Reducing the bank drops the switches that no longer exist.
        d.setValue(0x0C);
        d.setSwitchCount(2);
        QCOMPARE(d.value(), 0u);
    }

    void barGaugeHoldsValuesInsideItsRangeAndFillsInProportion()
    {
        BarGauge g;
        g.setRange(100, 0); // a reversed range is taken as 0..100
        g.setValue(150);
        QCOMPARE(g.value(), 100);
        g.setRange(0, 50);
        QCOMPARE(g.value(), 50);
        g.setValue(-5);
        QCOMPARE(g.fraction(), 0.0);
        g.setShowText(false);
        g.resize(102, 10);
        const auto filled = [&g] { // blue pixels across the middle row
            const QImage img = render(g);
            int n = 0;
            for (int x = 0; x < img.width(); ++x)
                n += img.pixelColor(x, 5) == QColor(30, 110, 200);
            return n;
        };
        g.setValue(10);
        const int fifth = filled();
        g.setValue(30);
        QVERIFY(fifth > 0);
        QVERIFY(qAbs(filled() - 3 * fifth) <= 3);
        g.setRange(5, 5);
        QCOMPARE(g.fraction(), 0.0); // an empty range neither divides by zero nor fills
    }

    void connectingLinesFollowTheWidgetsTheyJoin()
    {
        QWidget host;
        host.resize(200, 100);
        auto *a = new QWidget(&host);
        auto *b = new QWidget(&host);
        a->setGeometry(10, 10, 20, 20);
        b->setGeometry(100, 50, 20, 20);
        auto *lines = new ConnectingLines(&host);
        lines->connectWidgets(a, b);
        lines->addLine(QPoint(0, 0), QPoint(5, 5));
        QCOMPARE(lines->lines().size(), 2);
        QCOMPARE(lines->lines().at(1), QLineF(30, 20, 100, 60));
        b->move(100, 80);
        QCOMPARE(lines->lines().at(1).p2(), QPointF(100, 90));
        // A joined widget that goes away takes its line with it instead of dangling.
        delete b;
        QCOMPARE(lines->lines().size(), 1);
        host.show();
        host.resize(300, 150);
        QCoreApplication::processEvents();
        QCOMPARE(lines->size(), QSize(300, 150));
    }

    void numberBoxesTakeOnlyDigitsUpToTheirLimit()
    {
        NumEdit e;
        QTest::keyClicks(&e, QStringLiteral("12a-34"));
        QCOMPARE(e.text(), QStringLiteral("123"));
        bool ok = false;
        QCOMPARE(e.value(&ok), 123);
        QVERIFY(ok);
        e.clear();
        e.value(&ok);
        QVERIFY(!ok); // an empty box is not a zero
        e.setMaxDigits(5);
        QTest::keyClicks(&e, QStringLiteral("123456"));
        QCOMPARE(e.text(), QStringLiteral("12345"));
        e.setMaxDigits(2);
        QCOMPARE(e.text(), QStringLiteral("12"));
        SpinEdit s(2, 254);
        s.selectAll();
        QTest::keyClicks(&s, QStringLiteral("1000"));
        QCOMPARE(s.value(), 100);
    }

    void wrapButtonBreaksALongCaptionOverLines()
    {
        WrapButton b;
        b.setCaption(QStringLiteral("Imposta come configurazione standard"));
        const int wide = b.heightForWidth(600);
        const int narrow = b.heightForWidth(120);
        QVERIFY(narrow > wide);
        b.resize(600, wide);
        QCOMPARE(b.lineCount(), 1);
        b.resize(120, narrow);
        QVERIFY(b.lineCount() >= 2);
        // Clicks reach the button through its caption.
        QSignalSpy clicked(&b, &QPushButton::clicked);
        b.show();
        QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(60, narrow / 2));
        QCOMPARE(clicked.count(), 1);
    }

    void productPicturesPreferAReadableFileInTheDataDirectory()
    {
        ProductPictures::setDataDirectory(QString());
        const QImage drawnLogo = ProductPictures::logo(QSize(60, 30)).toImage();
        QVERIFY(!drawnLogo.isNull());
        QTemporaryDir dir;
        QImage red(40, 40, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(dir.filePath(QStringLiteral("product.png"))));
        QFile broken(dir.filePath(QStringLiteral("logo.png")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a picture\n");
        broken.close();
        ProductPictures::setDataDirectory(dir.path());
        const QImage fromFile = ProductPictures::product(QSize(120, 160)).toImage();
        QCOMPARE(fromFile.size(), QSize(120, 120));
        QCOMPARE(fromFile.pixelColor(60, 60), QColor(Qt::red));
        // A broken file is passed over for the drawn picture.
        QCOMPARE(ProductPictures::logo(QSize(60, 30)).toImage(), drawnLogo);
        ProductPictures::setDataDirectory(QString());

        PictureLabel label([](const QSize &s) { return ProductPictures::product(s); }, QSize(80, 100));
        label.resize(40, 50);
        label.show();
        QCoreApplication::processEvents();
        QCOMPARE(label.pixmap().size(), QSize(40, 50));
    }

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
        const QImage off = render(led, QSize(size, size));
        led.setOn(true);
        QImage img = render(led, QSize(size, size));
        QVERIFY(img.pixelColor(size / 2, size / 2).green() > off.pixelColor(size / 2, size / 2).green());
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

QTEST_MAIN(TestUiControls)
#include "test_ui_controls.moc"
