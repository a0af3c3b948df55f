// The factory test station against simulated selectors through the real link: a production
// line of good and faulty selectors, what each run wrote into the selector, and what it showed.
#include "DeviceBench.h"

#include "app/Messages.h"
#include "diag/FactoryTest.h"

#include <QtTest>
#include <optional>

namespace {
const QByteArray kMasks = QByteArray::fromHex("FFFBFFFF"); // writing modes needs the factory level
const QString kPassword = u"A1B2C3D4E5F6"_s;
// The shipped targets: AM1 PH1 AM2 PH2 PI3 DIM.
const QByteArray kTargets = QByteArray::fromHex("667A5290466E");

// Limits every reading passes, so that only the keys a test adds decide.
const QByteArray kWideLimits =
    "[RX30]\nTPM1C3V_MAX=FFFF\nTPM1C4V_MAX=FFFF\nAM1_MAX=FF\nPH1_MAX=FF\nAM2_MAX=FF\n"
    "PH2_MAX=FF\nPI3_MAX=FF\nV_MAX=FF\nT_MAX=FF\n";

QByteArray coin(int am1, int ph1, int am2, int ph2, int pi3, int dim)
{
    QByteArray c;
    for (int v : {am1, ph1, am2, ph2, pi3, dim})
        c.append(char(v));
    return c;
}

// A selector not calibrated (so no question) whose next `count` replies to the header (and
// sub-code) come short.
std::function<void(SelectorSim *)> shortReply(int header, int subCode = -1, int count = 1)
{
    return [header, subCode, count](SelectorSim *s) {
        s->setMemory(0x075C, QByteArray(6, char(0)));
        SelectorSim::Fault f{SelectorSim::FaultKind::ShortReply, count, header};
        f.subCode = subCode;
        s->injectFault(f);
    };
}

// A station on a bus with one selector plugged, factory access granted as the toolbar
// button grants it, and the station running on the given Production.ini text (empty: the
// shipped file).
struct Station
{
    DeviceBench b;
    SelectorSim *s = nullptr;
    std::unique_ptr<FactoryTest> ft;
    QList<QByteArray> coins;    // fed one per wait for a coin
    QStringList insertionLines; // the list as the insertion test showed it
    QString insertionStatus;    // the label meanwhile
    int insertionPolls = 0;
    bool unplugWhenDone = true; // the operator pulls the selector after the verdict
    QByteArray lineSevenBefore;

    explicit Station(const QByteArray &ini = {})
    {
        s = b.identifiedSim(kMasks);
        s->setMemory(0x0730, QByteArray::fromHex("8100000000000000")); // line 7: an input
        lineSevenBefore = s->nvMemory(0x0730, 8);
        const QString path = b.dir.filePath(u"Production.ini"_s);
        writeFileBytes(path,
                       ini.isEmpty() ? fileBytes(QStringLiteral(RX_TEST_DATA_DIR "/Production.ini")) : ini);
        b.session.FactoryAccessEnabled = true;
        b.prompts.queuePassword(kPassword);
        if (!b.session.RequestAccess(DeviceSession::WriteBank, 0x04))
            qWarning("factory access refused");
        ft = std::make_unique<FactoryTest>(b.session, path);
        QObject::connect(ft.get(), &FactoryTest::waitingForCoin, [this](int) {
            if (!coins.isEmpty())
                s->insertCoin(coins.takeFirst());
        });
        QObject::connect(ft.get(), &FactoryTest::insertionPolled, [this]() {
            // One coin, then the selector is pulled.
            if (++insertionPolls == 1)
                s->insertCoin(1);
            else {
                insertionLines = ft->lines();
                insertionStatus = ft->status();
                s->setUnplugged(true);
            }
        });
        QObject::connect(ft.get(), &FactoryTest::changed, [this]() {
            if (unplugWhenDone && ft->panel() == FactoryTest::Panel::Failed)
                s->setUnplugged(true);
        });
        ft->activate();
        ft->timer().stop(); // the tests run each cycle themselves
        b.prompts.clear();
        b.log.clear();
    }
    // Five coins around the targets; the calibration question, if any, answered Yes.
    void feedGoodCoins()
    {
        // AM1 averages 105.6 (3.6 above), PH1 2 below, DIM 1 above.
        for (int am1 : {0x69, 0x6A, 0x69, 0x6A, 0x6A})
            coins << coin(am1, 0x78, 0x52, 0x90, 0x46, 0x6F);
    }
    QStringList errors() const { return b.prompts.texts(Kind::Error); }
    bool lineSevenBack() const
    {
        return s->nvMemory(0x0730, 8) == lineSevenBefore && s->memory(0x0730, 8) == lineSevenBefore;
    }
};
} // namespace

class TestDiagFactoryTest : public QObject
{
    Q_OBJECT

private slots:
    void aGoodSelectorPassesIsCalibratedAndRunsTheInsertionTest()
    {
        // The insertion test's first credit-event read may fail short of a time-out: the coins
        // still in the buffer from the calibration are not listed as new.
        const QList<std::optional<FK>> firstEventRead = {std::nullopt, FK::Nak, FK::CorruptChecksum,
                                                         FK::ShortReply};
        for (const auto &fault : firstEventRead) {
            Station st;
            st.s->setAnalogByte(5, 0x5B); // PH1 averaged over four readings
            st.feedGoodCoins();
            st.b.prompts.queueAnswer(Prompts::Answer::Yes); // the default image is calibrated
            if (fault)
                st.s->injectFault(SelectorSim::Fault{*fault, 1, 229});
            QStringList statuses;
            QObject::connect(st.ft.get(), &FactoryTest::changed, [&]() {
                if (statuses.isEmpty() || statuses.last() != st.ft->status())
                    statuses << st.ft->status();
            });
            st.ft->cycle();
            // The insertion test listed the coin; the list is empty once the selector is gone.
            QCOMPARE(st.insertionLines, QStringList{Msg(26) + u"1"_s});
            if (fault)
                continue;
            QCOMPARE(st.errors(), QStringList());
            QCOMPARE(st.ft->panel(), FactoryTest::Panel::Passed);
            QCOMPARE(st.b.prompts.texts(Kind::Confirm), QStringList{Msg(31)});
            QCOMPARE(statuses,
                     (QStringList{Msg(317), Msg(287), Msg(286), Msg(289), Msg(290), Msg(50), Msg(288)}));
            QCOMPARE(st.insertionStatus, Msg(288)); // the verdict shows while it sits green

            // Offsets from the committed memory: 102 - 105.6 -> 0x84, 122 - 120 -> 0x02, 110 - 111 -> 0x81.
            QCOMPARE(st.s->nvMemory(0x075C, 6).toHex().toUpper(), QByteArray("840200000081"));
            QCOMPARE(st.s->nvMemory(0x0751, 2), QByteArray::fromHex("5B60"));
            QCOMPARE(st.s->nvMemory(0x0759, 1), QByteArray::fromHex("3A"));
            QCOMPARE(st.ft->averages(), u"6A 78 52 90 46 6F "_s);
            QVERIFY(st.lineSevenBack());
            // Line 7 carried the temporary output block while it was tested.
            QVERIFY(st.b.sent().join(u' ').contains(u"FF03073002004100FFFF1400"_s));
            QVERIFY(st.ft->lines().isEmpty());
            QCOMPARE(st.s->outputs().latchedOutputs, 0);
        }
    }

    void eachFaultySelectorFailsRedWithItsOwnMessage()
    {
        struct C
        {
            const char *what;
            std::function<void(SelectorSim *)> arrange;
            QString message;
            FactoryTest::Step step;
        };
        const QList<C> cases = {
            {"unknown type", [](SelectorSim *s) { s->identity().deviceType = "RX40"; }, u"RX40"_s + Msg(15),
             FactoryTest::ProductCode},
            {"DIP bank 1", [](SelectorSim *s) { s->setInputs(QByteArray::fromHex("8400")); }, Msg(101),
             FactoryTest::DipSwitches},
            {"opto blocked", [](SelectorSim *s) { s->setOptoStates(0x05); }, Msg(193) + u", FT1, FT305"_s,
             FactoryTest::Optics},
            {"output 3 shorted", [](SelectorSim *s) { s->setOutputShorted(3, true); },
             Msg(200) + u"3"_s + Msg(9), FactoryTest::Outputs},
            {"regulator 2", [](SelectorSim *s) { s->setAnalogByte(2, 0x05); }, Msg(222) + u"05D6"_s,
             FactoryTest::Analog},
            {"AM1 out of limits", [](SelectorSim *s) { s->setAnalogByte(4, 0x70); }, Msg(32) + u"70"_s,
             FactoryTest::Analog},
            // Replies shorter than the bytes used are a communication error of their step (the
            // device type is asked twice: the device panel's identification, then the check).
            {"short device type reply", shortReply(255, 8, 2), Msg(78), FactoryTest::ProductCode},
            {"short input lines reply", shortReply(237), Msg(78), FactoryTest::DipSwitches},
            {"short opto reply", shortReply(236), Msg(78), FactoryTest::Optics},
            {"short analog reply", shortReply(255, 4), Msg(78), FactoryTest::Analog},
            {"short reading of a coin", shortReply(255, 5), Msg(78), FactoryTest::Calibration},
            {"short insertion counter", shortReply(226), Msg(78), FactoryTest::Calibration},
        };
        for (const C &c : cases) {
            Station st;
            c.arrange(st.s);
            const QByteArray calibration = st.s->nvMemory(0x0751, 17);
            st.feedGoodCoins();
            st.ft->cycle();
            QVERIFY2(st.errors() == QStringList{c.message}, c.what);
            QVERIFY2(st.ft->failedStep() == c.step, c.what);
            QCOMPARE(st.ft->panel(), FactoryTest::Panel::Failed);
            QCOMPARE(st.ft->status(), Msg(137));
            QVERIFY2(st.lineSevenBack(), c.what);
            QVERIFY2(st.s->nvMemory(0x0751, 17) == calibration, c.what);
            // Before the analog step passes even the working copy is untouched; after it, its
            // averages wait there for the calibration's commit.
            if (c.step != FactoryTest::Calibration)
                QVERIFY2(st.s->memory(0x0751, 17) == calibration, c.what);
            // No output left latched, and the solenoid pulse ends every output check.
            QVERIFY2(st.s->outputs().latchedOutputs <= 0, c.what);
            if (c.step == FactoryTest::Outputs)
                QCOMPARE(st.s->outputs().solenoidMask, 1);
        }
    }

    void calibrationFaultsWriteNothing()
    {
        struct C
        {
            const char *what;
            QByteArray keys;
            QList<QByteArray> coins;
            QString message;
        };
        const QList<C> cases = {
            // No coins to average: refused before any coin is asked for.
            {"no insertions", "MIN_INSERTION=0\nMAX_ERROR=FF\n", {}, Msg(49) + u"MIN_INSERTION"_s},
            // 255 - 0 cannot be told from a negative offset in seven bits.
            {"offset too large",
             "MIN_INSERTION=1\nMAX_ERROR=FF\nAM1=FF\n",
             {coin(0, 0, 0, 0, 0, 0)},
             Msg(49) + u"AM1"_s},
            {"beyond MAX_ERROR",
             "MIN_INSERTION=1\nMAX_ERROR=03\nAM1=66\nPH1=7A\nAM2=56\n",
             {coin(0x66, 0x7A, 0x52, 0, 0, 0)},
             Msg(49) + u"AM2"_s},
        };
        for (const C &c : cases) {
            Station st(kWideLimits +
                       "AM1_ERR=FF\nPH1_ERR=FF\nAM2_ERR=FF\nPH2_ERR=FF\nPI3_ERR=FF\nDIM_ERR=FF\n" + c.keys);
            st.s->setMemory(0x075C, QByteArray(6, char(0xFF)));
            st.coins = c.coins;
            st.ft->cycle();
            QVERIFY2(st.errors() == QStringList{c.message}, c.what);
            QCOMPARE(st.ft->failedStep(), FactoryTest::Calibration);
            QVERIFY2(st.s->memory(0x075C, 6) == QByteArray(6, char(0xFF)), c.what);
            QVERIFY2(st.s->nvMemory(0x075C, 6) == QByteArray(6, char(0xFF)), c.what);
        }
    }

    void outliersRestartOrAreDroppedAndOnlyTheKeptCoinsCount()
    {
        Station st(kWideLimits +
                   "MIN_INSERTION=3\nMAX_ERROR=20\nAM1=64\nPH1=64\nAM2=64\nPH2=64\nPI3=64\nDIM=64\n");
        st.s->setMemory(0x075C, QByteArray(6, char(0)));
        // A second coin 12 off restarts; then a third coin 12 off is dropped and replaced.
        st.coins = {coin(100, 100, 100, 100, 100, 100), coin(112, 100, 100, 100, 100, 100),
                    coin(101, 100, 100, 100, 100, 100), coin(103, 100, 100, 100, 100, 100),
                    coin(100, 100, 100, 90, 100, 100),  coin(105, 100, 100, 100, 100, 104)};
        QList<QStringList> lists;
        QObject::connect(st.ft.get(), &FactoryTest::waitingForCoin, [&](int) { lists << st.ft->lines(); });
        st.ft->cycle();
        QCOMPARE(st.errors(), QStringList());
        QCOMPARE(lists.size(), 6);
        QCOMPARE(lists[2], QStringList()); // the restart emptied the list
        const QStringList kept{u"65 64 64 64 64 64 "_s, u"67 64 64 64 64 64 "_s};
        QCOMPARE(lists[4], kept);
        QCOMPARE(lists[5], kept); // the deviating third coin was taken off again
        // Kept: AM1 101, 103, 105 -> 103 over 100 -> 0x83; DIM 104/3 = 101.33 -> 0x81.
        QCOMPARE(st.s->nvMemory(0x075C, 6).toHex().toUpper(), QByteArray("830000000081"));
    }

    void answeringNoKeepsTheCalibrationAndPasses()
    {
        Station st;
        const QByteArray before = st.s->nvMemory(0x075C, 6);
        st.b.prompts.queueAnswer(Prompts::Answer::No);
        st.ft->cycle();
        QCOMPARE(st.ft->panel(), FactoryTest::Panel::Passed);
        QCOMPARE(st.s->nvMemory(0x075C, 6), before);
        QVERIFY(!st.b.sentHeaders().contains(226)); // no coin was asked for
    }

    void lineSevenIsRestoredOnEveryExitOfTheOutputCheck()
    {
        // Line 7's latch unanswered after the temporary block went in; the temporary block
        // refused; the block read refused (never replaced). No output is left latched.
        const struct
        {
            QString frame;
            SelectorSim::Fault fault;
            bool replaced;
        } cases[] = {{u"0101E940"_s, fault(FK::NoReply, 233), true},
                     {u"FF030730"_s, fault(FK::Nak, 255), true},
                     {u"FF02073008"_s, fault(FK::Nak, 255), false}};
        for (const auto &c : cases) {
            Station st;
            st.b.failWhenSent(st.s, c.frame, c.fault);
            st.ft->cycle();
            QCOMPARE(st.errors(), QStringList{Msg(78)});
            QCOMPARE(st.ft->failedStep(), FactoryTest::Outputs);
            QVERIFY(st.lineSevenBack());
            QCOMPARE(st.b.sent().join(u' ').contains(u"FF030730"_s), c.replaced);
            QCOMPARE(st.s->outputs().latchedOutputs, 0);
        }
        // Close meanwhile.
        {
            Station st;
            st.unplugWhenDone = false;
            QObject::connect(&st.b.log, &CommLog::lineAdded, [&](const QString &line) {
                if (line.startsWith(u"-> "_s) && line.contains(u"FF03073002"_s))
                    QTimer::singleShot(0, st.ft.get(), [&]() { st.ft->close(); });
            });
            st.ft->cycle();
            QVERIFY(!st.ft->running());
            QVERIFY(st.lineSevenBack());
            QVERIFY(!st.b.sentHeaders().contains(226)); // nothing after Close
        }
    }

    void aProductionLineOfSelectorsOneAfterTheOther()
    {
        // The station keeps running: each selector plugged is unlocked, tested and judged; the
        // shipped limits pass a fresh selector of either type.
        Station st;
        auto bus = st.b.buses[u"SIMA"_s];
        const QList<std::function<void(SelectorSim *)>> line = {
            [](SelectorSim *) {}, [](SelectorSim *s) { s->setOptoStates(0x10); },
            [](SelectorSim *s) { s->identity().deviceType = "RX20"; }};
        QList<FactoryTest::Panel> verdicts;
        for (const auto &arrange : line) {
            bus->removeSelector(st.s);
            st.s = bus->addSelector();
            st.s->setMasks(kMasks);
            st.s->setFactoryPassword(QByteArray::fromHex(kPassword.toLatin1()));
            st.s->setMemory(0x075C, QByteArray(6, char(0)));
            st.s->setMemory(0x0730, st.lineSevenBefore);
            arrange(st.s);
            st.insertionPolls = 0;
            st.feedGoodCoins();
            st.ft->cycle();
            verdicts << st.ft->panel();
            // Each selector's own calibration, none for one that failed.
            const bool passed = verdicts.last() == FactoryTest::Panel::Passed;
            QCOMPARE(st.s->nvMemory(0x075C, 6).toHex().toUpper(),
                     QByteArray(passed ? "840200000081" : "000000000000"));
        }
        QCOMPARE(verdicts, (QList<FactoryTest::Panel>{FactoryTest::Panel::Passed, FactoryTest::Panel::Failed,
                                                      FactoryTest::Panel::Passed}));
        QCOMPARE(st.errors(), QStringList{Msg(193) + u", FT510"_s});
        QVERIFY(st.ft->running());
        // Nothing plugged: the cycle stays yellow.
        bus->removeSelector(st.s);
        st.ft->cycle();
        QCOMPARE(st.ft->panel(), FactoryTest::Panel::Waiting);
        QCOMPARE(st.ft->status(), Msg(317));
    }
};

QTEST_MAIN(TestDiagFactoryTest)
#include "test_diag_factory_test.moc"
