// rxconfig-cli upgrade against rxsim on a pseudo-terminal: the copy first, the progress line,
// the final status as the message, and the exit status.
#include "Firmware.h"
#include "RxsimProcess.h"
#include "app/Messages.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

class TestUpgradeCliE2e : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    CliRun cli(const QString &port, const QStringList &arguments)
    {
        return runProgram(QStringLiteral(RXCLI_PATH),
                          QStringList{u"--data-dir"_s, m_dir.path(), u"--port"_s, port} + arguments,
                          QProcessEnvironment::systemEnvironment(), 120000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(copyDataFiles(m_dir.path(), {u"rx30.ini"_s, u"io.ini"_s, u"template.xml"_s}));
    }

    void flashesWithACopyFirstAndReportsEachEnding()
    {
        QTemporaryDir simDir;
        RxsimProcess sim(simDir.path());
        if (!sim.start())
            QSKIP("rxsim is not available");
        const QString fwDir = m_dir.filePath(u"fw"_s);
        QVERIFY(QDir().mkpath(fwDir));
        const QString good = makeFirmware(fwDir, "RX30BOOT1", 1024);
        QVERIFY2(!good.isEmpty(), "objcopy did not run");
        const int records = QString::fromLatin1(fileBytes(good)).split(u'\n', Qt::SkipEmptyParts).size();
        const QString before = sim.command(u"dump-nv 0600 256"_s);

        // A good file: the copy beside it, the progress, the new revision, memory unchanged.
        const CliRun ok = cli(sim.slavePath, {u"--yes"_s, u"upgrade"_s, good});
        QVERIFY2(ok.status == 0, qPrintable(ok.err));
        QVERIFY2(ok.err.contains(Msg(958) + fwDir + u"/1234567_"_s), qPrintable(ok.err));
        QVERIFY2(ok.err.contains(Msg(963) + QString::number(records) + Msg(554) + QString::number(records) +
                                 u" (100 %), "_s),
                 qPrintable(ok.err));
        QVERIFY(ok.err.contains(Msg(217)));
        QVERIFY(ok.err.contains(Msg(192)));
        QCOMPARE(QDir(fwDir).entryList({u"1234567_*.xml"_s}).size(), 1);
        QVERIFY(sim.command(u"status"_s).contains(u"monitor=0 baud=9600"_s));
        QVERIFY(sim.command(u"status"_s).endsWith(u"revision=1.21"_s));
        QCOMPARE(sim.command(u"dump-nv 0600 256"_s), before);

        // A record refused three times ends with its message and leaves the selector in its monitor.
        // The identity request and the header pass; the first data record meets three "3".
        QCOMPARE(sim.command(u"fault status count 2 status 0"_s), u"OK"_s);
        QCOMPARE(sim.command(u"fault status count 3 status 3"_s), u"OK"_s);
        const CliRun bad = cli(sim.slavePath, {u"upgrade"_s, u"--no-backup"_s, good});
        QCOMPARE(bad.status, 1);
        QVERIFY2(bad.err.trimmed().endsWith(Msg(64)), qPrintable(bad.err));
        QVERIFY(sim.command(u"status"_s).contains(u"monitor=1"_s));

        // In the monitor nothing can be saved first: the question, answered by --yes.
        const CliRun refused = cli(sim.slavePath, {u"upgrade"_s, good});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains(Msg(959)), qPrintable(refused.err));
        QVERIFY(sim.command(u"status"_s).contains(u"monitor=1"_s));
        const CliRun again = cli(sim.slavePath, {u"--yes"_s, u"upgrade"_s, good});
        QVERIFY2(again.status == 0, qPrintable(again.err));
        QVERIFY(sim.command(u"status"_s).endsWith(u"revision=1.22"_s));

        // A file for another selector is refused after the identity, before any record.
        const QString other = makeFirmware(fwDir, "RX20BOOT1", 256);
        const CliRun type = cli(sim.slavePath, {u"upgrade"_s, u"--no-backup"_s, other});
        QCOMPARE(type.status, 1);
        QVERIFY2(type.err.trimmed().endsWith(Msg(303)), qPrintable(type.err));
        QCOMPARE(sim.command(u"leave-monitor"_s), u"OK"_s);
        QVERIFY(sim.command(u"status"_s).endsWith(u"revision=1.22"_s));

        // A damaged file never reaches the selector.
        const QString damaged = fwDir + u"/damaged.u19"_s;
        QVERIFY(writeFileBytes(damaged, fileBytes(good).replace("S1", "X1")));
        const CliRun file = cli(sim.slavePath, {u"upgrade"_s, damaged});
        QCOMPARE(file.status, 3);
        QVERIFY2(file.err.startsWith(Msg(950)), qPrintable(file.err));
        QVERIFY(sim.command(u"status"_s).contains(u"monitor=0"_s));

        const CliRun usage = cli(sim.slavePath, {u"upgrade"_s});
        QCOMPARE(usage.status, 2);
    }
};
} // namespace

QTEST_GUILESS_MAIN(TestUpgradeCliE2e)
#include "test_upgrade_cli_e2e.moc"
