// Coin programming against the simulated selector through the real link: what the
// selector was sent, what it stores and what it then does with coins.
#include "CoinProgBench.h"

#include "app/Messages.h"

class TestCoinProg : public QObject
{
    Q_OBJECT
private slots:
    void init() { LanguageBase = 1000; }

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
