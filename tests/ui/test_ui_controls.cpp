// The drawn controls: what they hold, what they draw and what they let in.
#include "CliRun.h"
#include "controls/BarGauge.h"
#include "controls/DipSwitch.h"
#include "controls/NumEdit.h"
#include "controls/ProductPictures.h"
#include "controls/SpinEdit.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

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

    void barGaugeHoldsValuesInsideItsRange()
    {
        BarGauge g;
        g.setRange(100, 0); // a reversed range is taken as 0..100
        g.setValue(150);
        QCOMPARE(g.value(), 100);
        g.setRange(0, 50);
        QCOMPARE(g.value(), 50);
        g.setValue(-5);
        QCOMPARE(g.fraction(), 0.0);
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
    }
};

QTEST_MAIN(TestUiControls)
#include "test_ui_controls.moc"
