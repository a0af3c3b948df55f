// rxconfig-cli teach against rxsim on a pseudo-terminal: coins come from the simulator's
// control channel while the program waits, as a production bench feeds them.
#include "CliRun.h"
#include "RxsimProcess.h"
#include "app/Messages.h"

using namespace Qt::StringLiterals;

class TestTeachE2e : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    void startTeach(QProcess &p, const QString &port, const QString &arguments)
    {
        p.start(QStringLiteral(RXCLI_PATH), QStringList{u"--data-dir"_s, m_dir.path(), u"--port"_s, port} +
                                                arguments.split(u' ', Qt::SkipEmptyParts));
    }
    // Waits until the program's stderr holds the text; everything read so far in err.
    static bool waitForErr(QProcess &p, const QString &text, QString &err, int ms = 30000)
    {
        return QTest::qWaitFor(
                   [&] {
                       err += QString::fromUtf8(p.readAllStandardError());
                       return err.contains(text) || p.state() == QProcess::NotRunning;
                   },
                   ms) &&
               err.contains(text);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(copyDataFiles(m_dir.path(), {u"rx30.ini"_s}));
        LanguageBase = 1000;
    }

    // Fifteen coins of a kind, written with --yes and committed; the selector then credits
    // that kind on the channel taught and rejects a washer.
    void teachWritesAndCommits()
    {
        QTemporaryDir simDir;
        RxsimProcess sim(simDir.path());
        QVERIFY(sim.start({u"--erased"_s}));
        QCOMPARE(sim.command(u"seed 11"_s), u"OK"_s);

        QProcess teach;
        startTeach(teach, sim.slavePath,
                   u"--yes teach --channel 3 --samples 15 --cvf 7 --value 50 --dir 2"_s);
        QString err;
        QVERIFY2(waitForErr(teach, Msg(612) + u"3"_s, err), qPrintable(err));
        // One coin at a time, each after the previous one was sampled: a loaded machine
        // polls slower than a bench feeds coins, and two coins between polls are one sample.
        for (int k = 1; k <= 15; ++k) {
            QCOMPARE(sim.command(u"coin c50"_s), u"OK inhibited"_s);
            QVERIFY2(waitForErr(teach, Msg(604) + QString::number(k) + Msg(605), err), qPrintable(err));
        }
        QVERIFY(teach.waitForFinished(60000));
        err += QString::fromUtf8(teach.readAllStandardError());
        const QString out = QString::fromUtf8(teach.readAllStandardOutput());
        QCOMPARE(teach.exitCode(), 0);
        QVERIFY2(err.contains(Msg(604) + u"15"_s + Msg(605) + u"15"_s), qPrintable(err));
        QVERIFY(err.contains(Msg(610)));
        const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 17); // fifteen samples, the record, the option bytes
        for (int i = 0; i < 15; ++i)
            QVERIFY2(lines[i].size() == 24 && lines[i].endsWith(u' '), qPrintable(lines[i]));
        QVERIFY(lines[15].startsWith(Msg(606)));
        const QString record = lines[15].mid(Msg(606).size());
        QCOMPARE(record.size(), 32);
        QCOMPARE(lines[16], Msg(607) + u"70020732"_s); // status 0x70, Dir. 2, CVF 7, value 50

        // What the selector holds in non-volatile memory is the record printed.
        QCOMPARE(sim.command(u"dump-nv 0620 16"_s), u"OK "_s + record);
        QCOMPARE(sim.command(u"dump-nv 0600 16"_s), u"OK "_s + QString(32, u'F'));

        // The host enables every channel; the kind is credited on channel 3.
        QProcess send;
        startTeach(send, sim.slavePath, u"send E7FFFF"_s);
        QVERIFY(send.waitForFinished(30000));
        QCOMPARE(send.exitCode(), 0);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(sim.command(u"coin c50"_s), u"OK accepted 3"_s);
        QCOMPARE(sim.command(u"coin washer"_s), u"OK rejected"_s);
    }

    // Interrupted while waiting: master inhibit off, nothing written, a failure status.
    void interruptedWritesNothing()
    {
        QTemporaryDir simDir;
        RxsimProcess sim(simDir.path());
        QVERIFY(sim.start({u"--erased"_s}));
        QProcess teach;
        startTeach(teach, sim.slavePath, u"--yes teach --channel 1 --samples 10"_s);
        QString err;
        QVERIFY2(waitForErr(teach, Msg(612) + u"1"_s, err), qPrintable(err));
        QCOMPARE(sim.command(u"coin 10 20 30 40 50 60"_s), u"OK inhibited"_s);
        QVERIFY2(waitForErr(teach, Msg(604) + u"1"_s, err), qPrintable(err));
        teach.terminate();
        QVERIFY(teach.waitForFinished(30000));
        err += QString::fromUtf8(teach.readAllStandardError());
        QCOMPARE(teach.exitStatus(), QProcess::NormalExit);
        QCOMPARE(teach.exitCode(), 1);
        QVERIFY2(err.contains(Msg(609)), qPrintable(err));
        QCOMPARE(sim.command(u"dump 0600 16"_s), u"OK "_s + QString(32, u'F'));
        // Master inhibit is off again: a coin is judged, not returned.
        QCOMPARE(sim.command(u"coin 10 20 30 40 50 60"_s), u"OK rejected"_s);
    }

    void helpDocumentsTeach()
    {
        const QString out = runProgram(QStringLiteral(RXCLI_PATH), {u"--help"_s}).out;
        QVERIFY(out.contains(u"teach --channel N"_s));
        QVERIFY(out.contains(Msg(603)));
    }
};

QTEST_GUILESS_MAIN(TestTeachE2e)
#include "test_teach_e2e.moc"
