// The factory test window on a simulated station: the panel's colour and status follow the
// station, and Close stops it.
#include "DeviceBench.h"

#include "app/Messages.h"
#include "diag/FactoryTest.h"
#include "diag/TFtFrm.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

class TestUiFactory : public QObject
{
    Q_OBJECT
private slots:
    void thePanelShowsEachStateAndCloseStopsTheStation()
    {
        DeviceBench b;
        SelectorSim *s = b.identifiedSim(QByteArray::fromHex("FFFFFFFF"));
        s->setInputs(QByteArray::fromHex("0100")); // one DIP switch wrong
        const QString ini = b.dir.filePath(u"Production.ini"_s);
        QVERIFY(QFile::copy(QStringLiteral(RX_TEST_DATA_DIR "/Production.ini"), ini));
        TFtFrm w(b.session, ini);
        auto colour = [&]() { return w.panel()->palette().color(QPalette::Window); };
        // The station runs inside its cycle until the selector is pulled: look at the window
        // the moment it turns red, then pull it.
        QColor failedColour;
        QString failedStatus;
        QObject::connect(&w.model(), &FactoryTest::changed, &w, [&]() {
            if (w.model().panel() != FactoryTest::Panel::Failed || s->unplugged())
                return;
            failedColour = colour();
            failedStatus = w.statusLabel()->text();
            s->setUnplugged(true);
        });
        w.show();
        QVERIFY(w.model().running());
        QTRY_VERIFY_WITH_TIMEOUT(s->unplugged(), 20000);
        QCOMPARE(failedColour, QColor(Qt::red));
        QCOMPARE(failedStatus, Msg(137));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(101)});

        // Pulled: the station waits for the next selector.
        QTRY_COMPARE_WITH_TIMEOUT(w.statusLabel()->text(), Msg(317), 20000);
        QVERIFY(w.resultList()->count() == 0);
        w.closeButton()->click();
        QVERIFY(!w.model().running());
        QVERIFY(!w.model().timer().isActive());
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(TestUiFactory)
#include "test_ui_factory.moc"
