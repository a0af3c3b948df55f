// rxconfig-cli teach against rxsim on a pseudo-terminal: coins come from the simulator's
// control channel while the program waits, as a production bench feeds them.
#include "CliRun.h"
#include "PtyProcess.h"
#include "RxsimProcess.h"
#include "app/Messages.h"

using namespace Qt::StringLiterals;

class TestTeachE2e : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    enum Moment { PinQuestion, Opening, Sampling, Writing, Unplugged };

    QStringList onPort(const QString &port, const QString &arguments) const
    {
        return QStringList{u"--data-dir"_s, m_dir.path(), u"--port"_s, port} +
               arguments.split(u' ', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(copyDataFiles(m_dir.path(), {u"rx30.ini"_s}));
        LanguageBase = 1000;
    }

    // Coins of a kind, written with --yes and committed; the selector then credits that kind
    // on the channel taught and rejects a washer.
    void teachWritesAndCommits()
    {
        QTemporaryDir simDir;
        RxsimProcess sim(simDir.path());
        QVERIFY(sim.start({u"--erased"_s}));
        QCOMPARE(sim.command(u"seed 11"_s), u"OK"_s);

        CliProcess teach(
            QStringLiteral(RXCLI_PATH),
            onPort(sim.slavePath, u"--yes teach --channel 3 --samples 5 --cvf 7 --value 50 --dir 2"_s));
        QVERIFY2(teach.waitSaid(Msg(612) + u"3"_s), qPrintable(teach.err()));
        // One coin at a time, each after the previous one was sampled: a loaded machine
        // polls slower than a bench feeds coins, and two coins between polls are one sample.
        for (int k = 1; k <= 5; ++k) {
            QCOMPARE(sim.command(u"coin c50"_s), u"OK inhibited"_s);
            QVERIFY2(teach.waitSaid(Msg(604) + QString::number(k) + Msg(605)), qPrintable(teach.err()));
        }
        QCOMPARE(teach.finish(), 0);
        QVERIFY(teach.err().contains(Msg(610)));
        // Five sample lines, the record, the option bytes: status 0x70, Dir. 2, CVF 7, value 50.
        const QStringList lines = teach.out().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 7);
        QVERIFY(lines[5].startsWith(Msg(606)));
        QCOMPARE(lines[6], Msg(607) + u"70020732"_s);
        // What the selector holds in non-volatile memory is the record printed.
        QCOMPARE(sim.command(u"dump-nv 0620 16"_s), u"OK "_s + lines[5].mid(Msg(606).size()));
        QCOMPARE(sim.command(u"dump-nv 0600 16"_s), u"OK "_s + QString(32, u'F'));

        // The host enables every channel; the kind is credited on channel 3.
        QCOMPARE(runProgram(QStringLiteral(RXCLI_PATH), onPort(sim.slavePath, u"send E7FFFF"_s)).status, 0);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(sim.command(u"coin c50"_s), u"OK accepted 3"_s);
        QCOMPARE(sim.command(u"coin washer"_s), u"OK rejected"_s);
    }

    // A run cut short, by a real signal on its terminal or by the wire pulled, at each moment
    // that matters: the selector takes coins again (or the run says it may not), and the
    // channel is written whole, and committed, or not at all.
    void interruptionsLeaveTheSelectorTakingCoins_data()
    {
        QTest::addColumn<int>("moment");
        QTest::addColumn<int>("status");
        QTest::addColumn<QList<int>>("messages");
        QTest::addColumn<QString>("coin"); // a washer afterwards, the selector plugged in
        QTest::newRow("Ctrl-C at the PIN question")
            << int(PinQuestion) << 1 << QList<int>{609} << u"OK rejected"_s;
        QTest::newRow("SIGTERM while the channels are read")
            << int(Opening) << 1 << QList<int>{620} << u"OK rejected"_s;
        QTest::newRow("SIGHUP while sampling") << int(Sampling) << 1 << QList<int>{609} << u"OK rejected"_s;
        QTest::newRow("Ctrl-C once the write began")
            << int(Writing) << 0 << QList<int>{621, 610} << u"OK rejected"_s;
        QTest::newRow("unplugged while sampling")
            << int(Unplugged) << 1 << QList<int>{623, 624} << u"OK inhibited"_s;
    }
    void interruptionsLeaveTheSelectorTakingCoins()
    {
        QFETCH(int, moment);
        QTemporaryDir simDir;
        RxsimProcess sim(simDir.path());
        QStringList simArgs{u"--erased"_s};
        if (moment == PinQuestion) // a PIN guards writing only
            simArgs << u"--masks"_s << u"FFFFFF00"_s << u"--pin"_s << u"1234ABCD"_s;
        QVERIFY(sim.start(simArgs));
        // The machine the selector sits in has it taking coins.
        QCOMPARE(runProgram(QStringLiteral(RXCLI_PATH), onPort(sim.slavePath, u"send E401"_s)).status, 0);
        if (moment == Writing) // the commit's restart answers late, so the signal lands in time
            QCOMPARE(sim.command(u"fault late header 1 delay 150"_s), u"OK"_s);

        const QString log = simDir.filePath(u"exchanges.log"_s);
        PtyProcess teach;
        QVERIFY(
            teach.start(QStringLiteral(RXCLI_PATH),
                        onPort(sim.slavePath, u"--log "_s + log + u" --yes teach --channel 1 --samples 2"_s),
                        {}, {u"RXCONFIG_PIN"_s}));
        // Waits for an exchange (its request's hex) in the run's log.
        const auto exchanged = [&log](const QString &request) {
            return QTest::qWaitFor([&] { return QString::fromLatin1(fileBytes(log)).contains(request); },
                                   30000);
        };
        if (moment == Opening) {
            QVERIFY(exchanged(u"FF020610"_s)); // channel 2 of 16
            ::kill(teach.pid(), SIGTERM);
        } else {
            QVERIFY2(teach.waitFor(Msg(612) + u"1"_s), qPrintable(teach.output()));
            if (moment == Unplugged) {
                QCOMPARE(sim.command(u"unplug"_s), u"OK"_s);
            } else {
                QCOMPARE(sim.command(u"coin c50"_s), u"OK inhibited"_s);
                QVERIFY2(teach.waitFor(Msg(604) + u"1"_s + Msg(605)), qPrintable(teach.output()));
                if (moment == Sampling)
                    ::kill(teach.pid(), SIGHUP);
                else
                    QCOMPARE(sim.command(u"coin c50"_s), u"OK inhibited"_s);
            }
            if (moment == PinQuestion) {
                QVERIFY2(teach.waitFor(Msg(116) + u": "_s), qPrintable(teach.output()));
                teach.type("12\x03");
            } else if (moment == Writing) {
                QVERIFY(exchanged(u"FF030600"_s)); // the channel's record went out
                teach.type("\x03");
            }
        }
        const int exit = teach.finish(60000);
        const QString shown = teach.output();
        QFETCH(int, status);
        QVERIFY2(exit == status, qPrintable(u"exit %1:\n"_s.arg(exit) + shown));
        QFETCH(QList<int>, messages);
        for (int m : messages)
            QVERIFY2(!Msg(m).isEmpty() && shown.contains(Msg(m)),
                     qPrintable(u"%1 missing in:\n"_s.arg(m) + shown));
        // Written exactly when the run succeeded.
        QCOMPARE(sim.command(u"dump-nv 0600 16"_s) != u"OK "_s + QString(32, u'F'), status == 0);
        QCOMPARE(sim.command(u"plug"_s), u"OK"_s);
        QTEST(sim.command(u"coin washer"_s), "coin");
    }
};

QTEST_GUILESS_MAIN(TestTeachE2e)
#include "test_teach_e2e.moc"
