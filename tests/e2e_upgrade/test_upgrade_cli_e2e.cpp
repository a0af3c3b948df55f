// rxconfig-cli upgrade against rxsim on a pseudo-terminal: the copy first, the progress line,
// the final status as the message, and the exit status.
#include "RxsimProcess.h"
#include "app/Messages.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int status;
    QString out, err;
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The firmware image made by binutils; objcopy writes the output name into the header
// record, so the name is the monitor identity.
QString makeFirmware(const QString &dir, const QString &identity, int size)
{
    QByteArray image;
    for (int i = 0; i < size; ++i)
        image.append(char((i * 31 + 7) & 0xFF));
    QFile bin(QDir(dir).filePath(u"image.bin"_s));
    if (!bin.open(QIODevice::WriteOnly))
        return QString();
    bin.write(image);
    bin.close();
    QProcess objcopy;
    objcopy.setWorkingDirectory(dir);
    objcopy.start(u"objcopy"_s, {u"-I"_s, u"binary"_s, u"-O"_s, u"srec"_s, bin.fileName(), identity});
    if (!objcopy.waitForFinished(30000) || objcopy.exitCode() != 0)
        return QString();
    const QString target = QDir(dir).filePath(identity + u".u19"_s);
    QFile::remove(target);
    return QFile::rename(QDir(dir).filePath(identity), target) ? target : QString();
}

class TestUpgradeCliE2e : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    Run cli(const QString &port, const QStringList &arguments)
    {
        QProcess p;
        p.start(QStringLiteral(RXCLI_PATH),
                QStringList{u"--data-dir"_s, m_dir.path(), u"--port"_s, port} + arguments);
        const bool ended = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
        return {ended ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

private slots:
    void initTestCase()
    {
        for (const QString &name : {u"rx30.ini"_s, u"io.ini"_s, u"template.xml"_s}) {
            QVERIFY(QFile::copy(QStringLiteral(RX_TEST_DATA_DIR "/") + name, m_dir.filePath(name)));
            QFile(m_dir.filePath(name)).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
    }

    void flashesWithACopyFirstAndReportsEachEnding()
    {
        QTemporaryDir simDir;
        RxsimProcess sim(simDir.path());
        if (!sim.start())
            QSKIP("rxsim is not available");
        const QString fwDir = m_dir.filePath(u"fw"_s);
        QVERIFY(QDir().mkpath(fwDir));
        const QString good = makeFirmware(fwDir, u"RX30BOOT1"_s, 1024);
        QVERIFY2(!good.isEmpty(), "objcopy did not run");
        const int records = QString::fromLatin1(readAll(good)).split(u'\n', Qt::SkipEmptyParts).size();
        const QString before = sim.command(u"dump-nv 0600 256"_s);

        // A good file: the copy beside it, the progress, the new revision, memory unchanged.
        const Run ok = cli(sim.slavePath, {u"--yes"_s, u"upgrade"_s, good});
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
        const Run bad = cli(sim.slavePath, {u"upgrade"_s, u"--no-backup"_s, good});
        QCOMPARE(bad.status, 1);
        QVERIFY2(bad.err.trimmed().endsWith(Msg(64)), qPrintable(bad.err));
        QVERIFY(sim.command(u"status"_s).contains(u"monitor=1"_s));

        // In the monitor nothing can be saved first: the question, answered by --yes.
        const Run refused = cli(sim.slavePath, {u"upgrade"_s, good});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains(Msg(959)), qPrintable(refused.err));
        QVERIFY(sim.command(u"status"_s).contains(u"monitor=1"_s));
        const Run again = cli(sim.slavePath, {u"--yes"_s, u"upgrade"_s, good});
        QVERIFY2(again.status == 0, qPrintable(again.err));
        QVERIFY(sim.command(u"status"_s).endsWith(u"revision=1.22"_s));

        // A file for another selector is refused after the identity, before any record.
        const QString other = makeFirmware(fwDir, u"RX20BOOT1"_s, 256);
        const Run type = cli(sim.slavePath, {u"upgrade"_s, u"--no-backup"_s, other});
        QCOMPARE(type.status, 1);
        QVERIFY2(type.err.trimmed().endsWith(Msg(303)), qPrintable(type.err));
        QCOMPARE(sim.command(u"leave-monitor"_s), u"OK"_s);
        QVERIFY(sim.command(u"status"_s).endsWith(u"revision=1.22"_s));

        // A damaged file never reaches the selector.
        QFile damaged(fwDir + u"/damaged.u19"_s);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(readAll(good).replace("S1", "X1"));
        damaged.close();
        const Run file = cli(sim.slavePath, {u"upgrade"_s, damaged.fileName()});
        QCOMPARE(file.status, 3);
        QVERIFY2(file.err.startsWith(Msg(950)), qPrintable(file.err));
        QVERIFY(sim.command(u"status"_s).contains(u"monitor=0"_s));

        const Run usage = cli(sim.slavePath, {u"upgrade"_s});
        QCOMPARE(usage.status, 2);
    }
};
} // namespace

QTEST_GUILESS_MAIN(TestUpgradeCliE2e)
#include "test_upgrade_cli_e2e.moc"
