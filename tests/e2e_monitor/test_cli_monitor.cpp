// rxconfig-cli monitor against rxsim on a pseudo-terminal: the control channel changes the
// selector and the printed lines follow.
#include "CliRun.h"
#include "RxsimProcess.h"
#include "app/Messages.h"

#include <QtTest>

#include <signal.h>

using namespace Qt::StringLiterals;

class TestCliMonitor : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<RxsimProcess> m_sim;

    QStringList args(const QString &rest) const
    {
        return QStringList{u"--data-dir"_s, m_dir.path(), u"--port"_s, m_sim->slavePath} +
               rest.split(u' ', Qt::SkipEmptyParts);
    }
    // A finished run: exit status and the printed lines.
    QPair<int, QStringList> run(const QString &rest)
    {
        const CliRun r = runProgram(QStringLiteral(RXCLI_PATH), args(rest));
        return {r.status, r.out.split(u'\n', Qt::SkipEmptyParts)};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writeFileBytes(m_dir.filePath(u"rx30.ini"_s),
                               "[SETTINGS]\nComPort=NONE\nccTalkAddr=02\n[SUPPORTED TYPES]\nRX20=\nRX30=\n"));
        m_sim = std::make_unique<RxsimProcess>(m_dir.path());
        QVERIFY(m_sim->start());
    }

    void cleanupTestCase() { m_sim.reset(); }

    void linesFollowTheSwitchesSensorsAndAnalogValues()
    {
        QCOMPARE(m_sim->command(u"analog 02E105C2505A48603A4E19"_s), u"OK"_s);
        auto r = run(u"monitor --count 2"_s);
        QCOMPARE(r.first, 0);
        QCOMPARE(r.second.size(), 2);
        QCOMPARE(r.second.at(0),
                 u"SW1=000000 SW2=000000 IN=00 FT=00000 AM1=800mV PH1=900mV AM2=720mV PH2=960mV PI3=580mV "
                 "Vcc=12V Reg1=50 Reg2=100"_s);

        for (const char *c : {"dip 1 05", "dip 2 3F", "input 2 1", "opto 12", "analog 9 168", "analog 4 0"})
            QCOMPARE(m_sim->command(QString::fromLatin1(c)), u"OK"_s);
        r = run(u"monitor --count 1"_s);
        QCOMPARE(r.first, 0);
        QCOMPARE(r.second.size(), 1);
        const QString line = r.second.at(0);
        for (const QString &part :
             {u"SW1=101000"_s, u"SW2=111111"_s, u"IN=01"_s, u"FT=01001"_s, u"AM1=0mV"_s, u"Vcc=26V"_s})
            QVERIFY2(line.contains(part), qPrintable(line + u" lacks "_s + part));

        // A silent analog request leaves a mark instead of numbers, and the next line is whole.
        QCOMPARE(m_sim->command(u"fault noreply header 255 sub 4"_s), u"OK"_s);
        r = run(u"monitor --count 2"_s);
        QCOMPARE(r.second.size(), 2);
        QVERIFY2(r.second.at(0).endsWith(u"analog=--"_s), qPrintable(r.second.at(0)));
        QVERIFY2(r.second.at(1).contains(u"Vcc=26V"_s), qPrintable(r.second.at(1)));

        r = run(u"monitor --csv --count 2"_s);
        QCOMPARE(r.second.size(), 3);
        QCOMPARE(r.second.at(0), u"ms,AM1,PH1,AM2,PH2,PI3,Vcc,Reg1,Reg2"_s);
        QVERIFY2(r.second.at(2).endsWith(u",0,900,720,960,580,26,50,100"_s), qPrintable(r.second.at(2)));
        QCOMPARE(m_sim->command(u"analog 02E105C2505A48603A4E19"_s), u"OK"_s);
    }

    // --events enables every coin while it runs and puts the selector's own inhibits back at
    // the end, whether the count is done or a signal ends it.
    void eventsListCoinsAndRestoreTheInhibits_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::newRow("count done") << u"monitor --events --count 40"_s;
        QTest::newRow("SIGTERM") << u"monitor --events"_s;
    }
    void eventsListCoinsAndRestoreTheInhibits()
    {
        QFETCH(QString, arguments);
        QCOMPARE(m_sim->command(u"coin 2"_s), u"OK inhibited"_s);
        QProcess p;
        p.start(QStringLiteral(RXCLI_PATH), args(arguments));
        QVERIFY(p.waitForStarted(5000));
        // The first tick enables the coins; then a good coin and a foreign one. A coin that
        // comes while they are still inhibited is an error event: listed as rejected.
        QString status;
        int inhibited = 0;
        for (int i = 0; i < 100 && !status.startsWith(u"OK accepted"_s); ++i) {
            QTest::qWait(100);
            status = m_sim->command(u"coin 2"_s);
            inhibited += status == u"OK inhibited"_s;
        }
        QCOMPARE(status, u"OK accepted 2"_s);
        QCOMPARE(m_sim->command(u"coin 1 1 1 1 1 1"_s), u"OK rejected"_s);
        if (!arguments.contains(u"--count"_s)) {
            QTest::qWait(500); // the events are listed before the signal
            ::kill(pid_t(p.processId()), SIGTERM);
        }
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QStringList lines =
            QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() >= 2 && lines.size() <= 2 + inhibited, qPrintable(lines.join(u'|')));
        QCOMPARE(lines.mid(lines.size() - 2), (QStringList{Msg(73) + u"2"_s, Msg(223)}));
        for (const QString &l : lines.mid(0, lines.size() - 2))
            QCOMPARE(l, Msg(223));
        QCOMPARE(m_sim->command(u"coin 2"_s), u"OK inhibited"_s);
    }

    // Without --count it runs until a signal (above); a count is a whole number from 1.
    void aCountBelowOneIsAUsageError()
    {
        const CliRun r = runProgram(QStringLiteral(RXCLI_PATH), args(u"monitor --count 0"_s));
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.startsWith(Msg(782)), qPrintable(r.err));
    }
};

QTEST_MAIN(TestCliMonitor)
#include "test_cli_monitor.moc"
