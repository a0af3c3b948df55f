// The test window's rules against the simulated selector: what goes on the wire at opening
// and at each tick, and what the lamps, switches and readouts show.
#include "DeviceBench.h"

#include "app/Messages.h"
#include "diag/DeviceTest.h"
#include "diag/DiagReadings.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
const QByteArray kOpen = QByteArray::fromHex("FFFFFFFF");

// The data bytes of the frames sent with this header, in order.
QStringList sentWith(const DeviceBench &b, int header)
{
    QStringList out;
    for (const QString &f : b.sent())
        if (f.mid(6, 2).toInt(nullptr, 16) == header)
            out << f.mid(8, f.size() - 10);
    return out;
}

// A bench whose selector is identified and whose test window has been opened.
struct Opened
{
    DeviceBench b;
    SelectorSim *s = nullptr;
    DeviceTest t{b.session};

    Opened()
    {
        s = b.identifiedSim(kOpen);
        t.open();
        t.pollTimer().stop(); // the tests run each tick themselves
        b.log.clear();
    }
};
} // namespace

class TestDiagDeviceTest : public QObject
{
    Q_OBJECT

private slots:
    void readoutsRoundHalvesToEven()
    {
        // d10 -> Vcc, and regulator words -> gauge.
        const QList<QPair<int, int>> vcc = {{168, 26}, {84, 13}, {42, 6}, {126, 20}, {0, 0}, {255, 39}};
        for (const auto &c : vcc) {
            QByteArray d = QByteArray::fromHex("02E105C2000000000000");
            d[9] = char(c.first);
            const auto a = DiagReadings::decodeAnalog(d);
            QCOMPARE(a.vcc, c.second);
            QCOMPARE(a.reg1, 50);
            QCOMPARE(a.reg2, 100);
        }
        const auto a = DiagReadings::decodeAnalog(QByteArray::fromHex("0000000B010A14FF3A00"));
        QCOMPARE(a.reg2, 1); // 11 * 100 / 1474 = 0.746
        QCOMPARE(a.millivolts, (std::array<int, 5>{10, 100, 200, 2550, 580}));
    }

    void eventCounterStepsCountNewEvents()
    {
        struct C
        {
            int last, now, n;
        };
        // Wrapping from 255 goes to 1; a counter back at 0 is a restarted selector.
        const C cases[] = {{0, 3, 3}, {10, 16, 6}, {255, 1, 1}, {254, 2, 3},
                           {5, 0, 0}, {7, 7, 0},   {250, 4, 9}};
        for (const C &c : cases)
            QCOMPARE(DiagReadings::newEventCount(quint8(c.last), quint8(c.now)), c.n);
    }

    // Latched outputs are held at each tick (the window's test clicks them); "Impuls" pulses once.
    void impulsPulsesAnOutputOnce()
    {
        Opened o;
        o.t.setLatch(false);
        o.t.clickOutput(3);
        o.t.tick();
        QCOMPARE(sentWith(o.b, 238), QStringList{u"04"_s});
        QCOMPARE(sentWith(o.b, 233), QStringList());
        QVERIFY(o.t.outputLamp(3));
        QVERIFY(o.t.pulseTimer().isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!o.t.outputLamp(3), 5000);
        QVERIFY(!o.t.pulseTimer().isActive());
        o.t.tick();
        QCOMPARE(o.s->outputs().pulseCount, 1);
    }

    void aLineBlockThatCannotBeReadHidesItsOutputAndSolenoid()
    {
        DeviceBench b;
        SelectorSim *s = b.identifiedSim(kOpen);
        s->setMemory(0x0720, QByteArray::fromHex("0103000000000A0A")); // line 5: S2
        DeviceTest t(b.session);
        b.failWhenSent(s, u"FF020720"_s, fault(FK::Nak, 255));
        b.failWhenSent(s, u"FF020708"_s, fault(FK::NoReply, 255));
        t.open();
        t.close();
        QVERIFY(t.outputVisible(1) && !t.outputVisible(2) && !t.outputVisible(5));
        QVERIFY(!t.solenoidVisible(DeviceTest::S2));
        t.clickOutput(2);
        QVERIFY(!t.outputLamp(2));
        QVERIFY(b.prompts.shown().isEmpty());
    }

    void theLoopDrivesEachOutputInTurnAndStopsAfterEightTicks()
    {
        Opened o;
        o.t.setLatch(false);
        o.t.clickLoop();
        QVERIFY(o.t.latch());
        o.t.setLatch(false); // "Impuls" while the loop runs
        QVERIFY(o.t.latch());
        QList<int> lit;
        for (int i = 0; i < 8; ++i) {
            o.t.tick();
            int on = 0;
            for (int k = 1; k <= 7; ++k)
                on |= o.t.outputLamp(k) ? 1 << (k - 1) : 0;
            lit << on;
        }
        QCOMPARE(sentWith(o.b, 233),
                 (QStringList{u"01"_s, u"02"_s, u"04"_s, u"08"_s, u"10"_s, u"20"_s, u"40"_s, u"80"_s}));
        QCOMPARE(sentWith(o.b, 240), QStringList{u"01"_s}); // "M" together with output 7
        // Outputs 5..7 of the default selector are not outputs: their lamps stay dark.
        QCOMPARE(lit, (QList<int>{1, 2, 4, 8, 0, 0, 0, 0}));
        QCOMPARE(int(o.t.loopBit()), 0);
        o.b.log.clear();
        o.t.tick();
        QCOMPARE(o.b.sentHeaders().first(), 237); // normal polling again
    }

    void insertionTestListsCoinsOldestFirst()
    {
        Opened o;
        o.t.setInsertionTest(true);
        o.t.tick(); // enables the coins
        QCOMPARE(sentWith(o.b, 231).first(), u"FFFF"_s);
        QCOMPARE(sentWith(o.b, 228).first(), u"01"_s);
        QVERIFY(!o.s->masterInhibit());
        QCOMPARE(o.s->insertCoin(2).channel, 2);
        o.s->insertCoin(QByteArray(6, char(0)));
        QCOMPARE(o.s->insertCoin(1).channel, 1);
        o.t.tick();
        QCOMPARE(o.t.events(), (QStringList{Msg(73) + u"2"_s, Msg(223), Msg(73) + u"1"_s}));
        QCOMPARE(o.t.events().first(), u"Coin 2"_s);

        // Across the wrap from 255 to 1 each coin is listed once.
        while (o.s->eventCounter() != 253)
            o.s->insertCoin(1);
        o.t.tick();
        o.t.clearList();
        o.s->insertCoin(2);
        o.s->insertCoin(1);
        o.s->insertCoin(2);
        QCOMPARE(int(o.s->eventCounter()), 1);
        o.t.tick();
        QCOMPARE(o.t.events(), (QStringList{u"Coin 2"_s, u"Coin 1"_s, u"Coin 2"_s}));

        // A short credit reply lists nothing and keeps the counter; the next good one lists it.
        o.t.clearList();
        o.s->insertCoin(1);
        o.s->injectFault({FK::ShortReply, 1, 229});
        o.t.tick();
        QVERIFY(o.t.events().isEmpty());
        o.t.tick();
        QCOMPARE(o.t.events(), QStringList{u"Coin 1"_s});

        o.t.setInsertionTest(false);
        QVERIFY(o.t.events().isEmpty());
    }

    void clicksDuringAnExchangeWaitForItAndCloseDuringOpeningIsHonoured()
    {
        Opened o;
        bool clicked = false;
        QObject::connect(&o.b.log, &CommLog::lineAdded, &o.t, [&](const QString &line) {
            if (!clicked && line.startsWith(u"-> "_s) && line.mid(9, 2) == u"EC"_s) {
                clicked = true;
                o.t.setInsertionTest(true); // the link is waiting for the opto reply
            }
        });
        o.t.tick();
        QVERIFY(clicked);
        QCOMPARE(o.b.sentHeaders().mid(3), (QList<int>{236, 233, 229}));
        // Every request got its reply before the next one went out.
        QString previous;
        for (const QString &line : o.b.log.lines()) {
            if (line.startsWith(u"-> "_s))
                QVERIFY2(!previous.startsWith(u"-> "_s), qPrintable(line));
            previous = line;
        }
        o.t.close();

        DeviceBench b;
        b.identifiedSim(kOpen);
        DeviceTest t(b.session);
        QObject::connect(&b.log, &CommLog::lineAdded, &t, [&](const QString &line) {
            if (line.startsWith(u"-> "_s) && line.mid(9, 2) == u"E5"_s)
                t.close();
        });
        t.open();
        QVERIFY(!t.polling());
        QVERIFY(!t.pollTimer().isActive());
    }
};

QTEST_MAIN(TestDiagDeviceTest)
#include "test_diag_device_test.moc"
