// Coin programming against the simulated selector through the real link: what the
// selector was sent, what it stores and what it then does with coins.
#include "CoinProgBench.h"

#include "app/Messages.h"
#include "sim/SimControl.h"

class TestCoinProg : public QObject
{
    Q_OBJECT
private slots:
    void init() { LanguageBase = 1000; }

    // The control channel's coin kinds: repeatable noise from a seed, bursts at an interval,
    // and refusals of bad lines.
    void simulatorCoinKinds()
    {
        SimBus bus;
        SelectorSim *sim = bus.addSelector();
        SimControl control(&bus);
        QCOMPARE(control.execute(u"kind token 100 50 150 60 120 90 2 2 2 2 2 0"_s), u"OK"_s);
        QByteArray runs[2];
        for (QByteArray &run : runs) {
            QCOMPARE(control.execute(u"seed 9"_s), u"OK"_s);
            for (int i = 0; i < 5; ++i) {
                QCOMPARE(control.execute(u"coin token"_s), u"OK inhibited"_s);
                run += sim->lastMeasurements();
            }
        }
        QCOMPARE(runs[1], runs[0]);
        QVERIFY(runs[0].mid(0, 6) != runs[0].mid(6, 6)); // the coins differ
        QCOMPARE(control.execute(u"burst token 3 40"_s), u"OK"_s);
        QVERIFY(QTest::qWaitFor([&] { return sim->insertionCounter() == 13; }, 3000));
        QCOMPARE(control.execute(u"burst"_s), u"OK inserted=3 of 3 running=0"_s);
        for (const char *line :
             {"coin nosuch", "burst token 0 40", "kind bad 1 2 3", "database 256", "seed x"})
            QVERIFY2(control.execute(QLatin1String(line)).startsWith(u"ERR"_s), line);
        QCOMPARE(sim->insertionCounter(), quint32(13));
    }

    void openingFailures_data()
    {
        QTest::addColumn<QString>("frame"); // the request that gets no reply
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("opens");
        QTest::newRow("identify") << u"0001F6"_s << Msg(78) << false;
        QTest::newRow("channel 5") << u"FF020640"_s << Msg(124) << false;
        QTest::newRow("counter") << u"0001E2"_s << Msg(78) << true;
    }
    void openingFailures()
    {
        QFETCH(QString, frame);
        QFETCH(QString, message);
        QFETCH(bool, opens);
        CoinProgBench b;
        QObject::connect(&b.log, &CommLog::lineAdded, [&](const QString &line) {
            if (line.startsWith(u"-> "_s) && line.contains(frame))
                b.sim->injectFault({SelectorSim::FaultKind::Nak, 1, -1});
        });
        const bool toolbar = b.model->openFromToolbar();
        QCOMPARE(toolbar, opens);
        if (toolbar)
            b.model->windowOpened();
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{message});
        QVERIFY(!b.model->polling());
        // Without a channel loaded, "Save channel" writes nothing.
        const int writes = b.sentCount(255, 3);
        b.saveChannel();
        QCOMPARE(b.sentCount(255, 3), writes);
        // No channel after the one that failed is asked for.
        QCOMPARE(b.sent().filter(u"FF020650"_s).size(), opens ? 1 : 0);
    }

    // Replies shorter than the bytes used take the failure path: a short counter re-sends
    // master inhibit, a short measurement is asked again (and the coin taken once), a short
    // version means no addends.
    void shortReplies()
    {
        CoinProgBench b;
        QVERIFY(b.open());
        const int inhibits = b.sentCount(228);
        b.sim->injectFault({SelectorSim::FaultKind::Nak, 1, 226});
        QVERIFY(QTest::qWaitFor([&] { return b.sentCount(228) == inhibits + 1; }, 3000));
        QVERIFY(b.sim->masterInhibit());

        b.sim->injectFault({SelectorSim::FaultKind::Nak, 1, 255});
        b.sim->injectFault({SelectorSim::FaultKind::Nak, 1, 243});
        b.sim->insertCoin(QByteArray::fromHex("6464646464C8"));
        QVERIFY(QTest::qWaitFor([&] { return b.model->samples().size() == 1; }, 3000));
        // The coin is taken once, at the tick after the refused measurement.
        QTest::qWait(3 * CoinProgModel::PollMs);
        QCOMPARE(b.model->samples().size(), 1);
        QCOMPARE(b.sentCount(255, 5), 2);
        // One sample, version refused: tolerances are the bare deviation, 0.
        QCOMPARE(b.model->controls().params[11], 0);
        QCOMPARE(b.model->controls().params[5], 200);
        // With the version answered, the addends of BASE_1 apply.
        b.model->presetChanged(CoinCalc::High);
        QCOMPARE(b.model->controls().params[6], 3);
        QCOMPARE(b.model->controls().params[11], 2);
    }

    // The channel list changed with samples not saved: Yes saves first, No drops them,
    // Cancel keeps the channel in work.
    void channelChangeQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("channel");
        QTest::addColumn<bool>("written");
        QTest::newRow("yes") << int(Answer::Yes) << 4 << true;
        QTest::newRow("no") << int(Answer::No) << 4 << false;
        QTest::newRow("cancel") << int(Answer::Cancel) << 1 << false;
    }
    void channelChangeQuestion()
    {
        QFETCH(int, answer);
        CoinProgBench b;
        QVERIFY(b.openAndFeed(u"c100"_s));
        b.prompts.queueAnswer(Answer(answer));
        b.model->channelListChanged(3);
        QTEST(b.model->channel(), "channel");
        QFETCH(bool, written);
        QCOMPARE(b.record(1) != QByteArray(16, char(0xFF)), written);
        QCOMPARE(b.prompts.texts(Kind::Confirm), QStringList{Msg(93) + u"1 ?"_s});
        QCOMPARE(b.model->samples().isEmpty(), answer != int(Answer::Cancel));
    }

    // On channel 16, "CVF is not programmed" answered No writes nothing; a save then stays on
    // channel 16 with its samples.
    void cvfNotProgrammedAndChannel16()
    {
        CoinProgBench b;
        QVERIFY(b.open());
        b.model->channelListChanged(15);
        QVERIFY(b.feed(u"c200"_s));
        b.model->controlsForEdit().cvf = -1;
        b.prompts.queueAnswer(Answer::Ok);
        b.prompts.queueAnswer(Answer::No);
        b.model->saveChannelClick();
        QCOMPARE(b.prompts.texts(Kind::Confirm), QStringList({Msg(214) + u"16"_s, Msg(92)}));
        QCOMPARE(b.record(16), QByteArray(16, char(0xFF)));
        QVERIFY(b.model->polling());
        b.model->controlsForEdit().cvf = 3;
        b.saveChannel();
        QCOMPARE(b.model->channel(), 16);
        QCOMPARE(b.model->samples().size(), 1);
        QCOMPARE(b.model->savedChannels(), quint16(0x8000));
        QCOMPARE(b.record(16), b.model->controls().toRecord());
    }

    // Several coins between two ticks give one sample: the last coin's.
    void severalCoinsOneSample()
    {
        CoinProgBench b;
        QVERIFY(b.open());
        b.sim->insertCoin(QByteArray::fromHex("010101010101"));
        b.sim->insertCoin(QByteArray::fromHex("020202020202"));
        b.sim->insertCoin(QByteArray::fromHex("030303030303"));
        QVERIFY(QTest::qWaitFor([&] { return !b.model->samples().isEmpty(); }, 3000));
        QTest::qWait(3 * CoinProgModel::PollMs);
        QCOMPARE(b.model->samples(), QStringList{u"  3   3   3   3   3   3 "_s});
        QCOMPARE(b.model->lastInsertionCount(), b.sim->insertionCounter());
    }

    // A save clicked while a tick waits for the selector runs after that tick: one exchange
    // at a time, every request answered before the next goes out.
    void saveDuringTickWaits()
    {
        CoinProgBench b;
        b.sim->setTurnaroundMs(40);
        QVERIFY(b.openAndFeed(u"c20"_s));
        b.prompts.queueAnswer(Answer::Ok);
        b.log.clear();
        bool clicked = false;
        b.duringNextPoll([&] {
            clicked = true;
            b.model->saveChannelClick();
        });
        QVERIFY(QTest::qWaitFor([&] { return b.model->savedChannels() == 1; }, 5000));
        QVERIFY(clicked);
        QCOMPARE(b.model->channel(), 2);
        const QStringList lines = b.log.lines();
        QString previous = u"<- "_s;
        for (const QString &l : lines) {
            QVERIFY2(l.left(3) != previous.left(3), qPrintable(lines.join(u'\n')));
            previous = l;
        }
        QCOMPARE(b.record(1), CoinProgControls::fromRecord(b.record(1)).toRecord());
        QVERIFY(b.prompts.texts(Kind::Error).isEmpty());
    }

    // Clearing the list asks first. The window closed while a tick waits for the selector
    // closes once that exchange is answered: the poll stops and the selector takes coins again.
    void clearingAsksAndClosingDuringTickWaits()
    {
        CoinProgBench b;
        b.sim->setTurnaroundMs(40);
        QVERIFY(b.openAndFeed(u"c20"_s));
        b.prompts.queueAnswer(Answer::No);
        b.model->clearListClick();
        QCOMPARE(b.model->samples().size(), 1);
        b.prompts.queueAnswer(Answer::Yes);
        b.model->clearListClick();
        QVERIFY(b.model->samples().isEmpty());
        QVERIFY(b.sim->masterInhibit());
        bool closed = false;
        b.duringNextPoll([&] {
            closed = true;
            b.model->windowClosed();
            QVERIFY(b.model->isOpen());
        });
        QVERIFY(QTest::qWaitFor([&] { return !b.model->isOpen(); }, 5000));
        QVERIFY(closed);
        QVERIFY(!b.model->polling());
        QVERIFY(!b.sim->masterInhibit());
    }

    // Two channels taught from the same kind cannot be told apart; another kind can, once the
    // stray sample is deleted.
    void indistinguishableChannels()
    {
        CoinProgBench b;
        QVERIFY(b.open());
        for (int i = 0; i < 5; ++i)
            QVERIFY(b.feed(u"c20"_s));
        b.saveChannel();
        QCOMPARE(b.model->channel(), 2);
        QVERIFY(b.feed(u"c20"_s));
        QCOMPARE(b.model->indistinguishableChannels(), QList<int>{1});
        QCOMPARE(b.model->otherBands(0).size(), 1);
        b.model->deleteItems({0});
        QVERIFY(b.model->samples().isEmpty());
        for (int i = 0; i < 3; ++i)
            QVERIFY(b.feed(u"c200"_s));
        QVERIFY(b.model->indistinguishableChannels().isEmpty());
    }

    // A commit that fails keeps the window open, tells the user and holds coins again.
    void failedCommitKeepsWindowOpen()
    {
        CoinProgBench b;
        QVERIFY(b.openAndFeed(u"c50"_s));
        b.saveChannel();
        b.sim->injectFault({SelectorSim::FaultKind::Nak, 1, 255});
        b.prompts.queueAnswer(Answer::Yes);
        b.model->closeClick();
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(129)});
        QVERIFY(b.model->isOpen());
        QVERIFY(b.model->polling());
        QVERIFY(b.sim->masterInhibit());
        QCOMPARE(b.nvRecord(1), QByteArray(16, char(0xFF)));
        // Trying again commits.
        b.prompts.queueAnswer(Answer::Yes);
        b.model->closeClick();
        QVERIFY(!b.model->isOpen());
        QCOMPARE(b.nvRecord(1), b.record(1));
    }
};

QTEST_GUILESS_MAIN(TestCoinProg)
#include "test_coinprog.moc"
