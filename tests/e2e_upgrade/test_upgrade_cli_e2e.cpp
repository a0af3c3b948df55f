// rxconfig-cli upgrade against rxsim on a pseudo-terminal: the copy first, the progress line,
// the selector back in its program as the only success, a failure's message once with the
// state the selector is left in, and Ctrl-C before and during the transfer.
#include "Firmware.h"
#include "RxsimProcess.h"
#include "app/Messages.h"

#include <QtTest>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

class TestUpgradeCliE2e : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QStringList arguments(const QString &port, const QStringList &more) const
    {
        return QStringList{u"--data-dir"_s, m_dir.path(), u"--port"_s, port} + more;
    }
    CliRun cli(const QString &port, const QStringList &more)
    {
        return runProgram(QStringLiteral(RXCLI_PATH), arguments(port, more),
                          QProcessEnvironment::systemEnvironment(), 120000);
    }
    // A run sent SIGINT once `ready` holds for what it printed (stderr) or logged.
    CliRun interrupted(const QString &port, const QStringList &more,
                       const std::function<bool(const QString &)> &ready)
    {
        CliProcess p(QStringLiteral(RXCLI_PATH), arguments(port, more));
        static_cast<void>(QTest::qWaitFor([&] { return ready(p.err()) || !p.running(); }, 30000));
        p.signal(SIGINT);
        const int status = p.finish();
        return {status, p.out(), p.err()};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(copyDataFiles(m_dir.path(), {u"rx30.ini"_s, u"io.ini"_s, u"template.xml"_s}));
    }

    void onlyASelectorBackInItsProgramIsASuccess()
    {
        QTemporaryDir simDir;
        RxsimProcess sim(simDir.path());
        if (!sim.start())
            QSKIP("rxsim is not available");
        const QString port = sim.slavePath;
        const QString fwDir = m_dir.filePath(u"fw"_s);
        QVERIFY(QDir().mkpath(fwDir));
        const QString good = makeFirmware(fwDir, "RX30BOOT1", 1024);
        QVERIFY2(!good.isEmpty(), "objcopy did not run");
        const int records = int(fileBytes(good).trimmed().split('\n').size());
        const QString before = sim.command(u"dump-nv 0600 256"_s);
        const auto status = [&sim] { return sim.command(u"status"_s); };

        // A good file: the copy beside it, the progress, the revision it now reports, memory unchanged.
        const CliRun ok = cli(port, {u"--yes"_s, u"upgrade"_s, good});
        QVERIFY2(ok.status == 0, qPrintable(ok.err));
        QVERIFY2(ok.err.contains(Msg(958) + fwDir + u"/1234567_"_s), qPrintable(ok.err));
        QVERIFY2(ok.err.contains(Msg(963) + QString::number(records) + Msg(554) + QString::number(records) +
                                 u" (100 %), "_s),
                 qPrintable(ok.err));
        QVERIFY(ok.err.contains(Msg(217)));
        QVERIFY(ok.err.contains(Msg(981).arg(u"1.21"_s)));
        QVERIFY(status().contains(u"monitor=0 baud=9600"_s));
        QVERIFY(status().endsWith(u"revision=1.21"_s));
        QCOMPARE(sim.command(u"dump-nv 0600 256"_s), before);

        // A record refused three times: its message once, saying where the selector waits.
        // The identity request and the header pass; the first data record meets three "3".
        QCOMPARE(sim.command(u"fault status count 2 status 0"_s), u"OK"_s);
        QCOMPARE(sim.command(u"fault status count 3 status 3"_s), u"OK"_s);
        const CliRun bad = cli(port, {u"upgrade"_s, u"--no-backup"_s, good});
        QCOMPARE(bad.status, 1);
        QCOMPARE(bad.err.count(Msg(64)), 1);
        QVERIFY2(bad.err.trimmed().endsWith(Msg(64) + Msg(978)), qPrintable(bad.err));
        QVERIFY(status().contains(u"monitor=1"_s));

        // Found waiting there, the selector is named and the upgrade pointed to.
        const CliRun found = cli(port, {u"identify"_s});
        QCOMPARE(found.status, 1);
        QVERIFY2(found.err.contains(Msg(985).arg(u"RX30"_s, port)) && found.err.contains(Msg(986).arg(port)),
                 qPrintable(found.err));

        // In the monitor nothing can be saved first: the question, answered No without --yes.
        const CliRun declined = cli(port, {u"upgrade"_s, good});
        QCOMPARE(declined.status, 1);
        QVERIFY2(declined.err.contains(Msg(959)), qPrintable(declined.err));
        QVERIFY(status().contains(u"monitor=1"_s));

        // Every record acknowledged, none programmed: the program never starts, and says so.
        QCOMPARE(sim.command(u"fault status count always status 0"_s), u"OK"_s);
        const CliRun stuck = cli(port, {u"--yes"_s, u"upgrade"_s, good});
        QCOMPARE(stuck.status, 1);
        QVERIFY2(stuck.err.trimmed().endsWith(Msg(979) + Msg(978)), qPrintable(stuck.err));
        QVERIFY(status().contains(u"monitor=1"_s));
        QCOMPARE(sim.command(u"clear-faults"_s), u"OK"_s);

        // Run again with a good file, it recovers.
        const CliRun again = cli(port, {u"--yes"_s, u"upgrade"_s, good});
        QVERIFY2(again.status == 0, qPrintable(again.err));
        QVERIFY(again.err.contains(Msg(981).arg(u"1.22"_s)));
        QVERIFY(status().contains(u"monitor=0 baud=9600"_s));

        // Ctrl-C once records flow: the transfer ends as it would have, then the interruption is told.
        const CliRun during = interrupted(port, {u"upgrade"_s, u"--no-backup"_s, good},
                                          [](const QString &err) { return err.contains(Msg(963)); });
        QVERIFY2(during.status == 1, qPrintable(during.err));
        QVERIFY2(during.err.contains(Msg(981).arg(u"1.23"_s)) && during.err.trimmed().endsWith(Msg(984)),
                 qPrintable(during.err));
        QVERIFY(status().endsWith(u"monitor=0 baud=9600 insertions=0 events=0 revision=1.23"_s));

        // Ctrl-C at the first exchange: nothing changed.
        const QString log = m_dir.filePath(u"exchanges.txt"_s);
        const CliRun early = interrupted(port, {u"--log"_s, log, u"--yes"_s, u"upgrade"_s, good},
                                         [&log](const QString &) { return QFileInfo(log).size() > 0; });
        QCOMPARE(early.status, 1);
        QVERIFY2(early.err.trimmed().endsWith(Msg(983)), qPrintable(early.err));
        QVERIFY(status().endsWith(u"monitor=0 baud=9600 insertions=0 events=0 revision=1.23"_s));
    }
};
} // namespace

QTEST_GUILESS_MAIN(TestUpgradeCliE2e)
#include "test_upgrade_cli_e2e.moc"
