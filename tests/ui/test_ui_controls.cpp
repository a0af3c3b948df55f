// The drawn controls: what they hold, what they draw and what they let in.
#include "CliRun.h"
#include "controls/BarGauge.h"
#include "controls/DipSwitch.h"
#include "controls/NumEdit.h"
#include "controls/PictureLabel.h"
#include "controls/ProductPictures.h"
#include "controls/SpinEdit.h"

#include <QLineEdit>
#include <QTemporaryDir>
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

    void productPicturesPreferAReadableFileInTheDataDirectory()
    {
        ProductPictures::setDataDirectory(QString());
        const QImage drawnLogo = ProductPictures::logo(QSize(60, 30)).toImage();
        QVERIFY(!drawnLogo.isNull());
        QTemporaryDir dir;
        QImage red(40, 40, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(dir.filePath(QStringLiteral("product.png"))));
        QVERIFY(writeFileBytes(dir.filePath(QStringLiteral("logo.png")), "not a picture\n"));
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
};

QTEST_MAIN(TestUiControls)
#include "test_ui_controls.moc"
