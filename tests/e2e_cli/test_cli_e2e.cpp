// rxconfig-cli as a separate program: the built-in simulator, and rxsim on a pseudo-terminal
// reached through the Qt serial port.
#include "app/Messages.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct Run
{
    int status = -1;
    QString out;
    QString err;
};

class TestCliE2e : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QProcess m_sim;
    QString m_pty;

    Run cli(const QStringList &args, const QString &dataDir = QString())
    {
        QProcess p;
        p.setProgram(QStringLiteral(RXCLI_PATH));
        p.setArguments(QStringList{QStringLiteral("--data-dir"), dataDir.isEmpty() ? m_dir.path() : dataDir} +
                       args);
        p.start();
        Run r;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    QString iniValue(const QString &key) const
    {
        QFile f(m_dir.filePath(QStringLiteral("rx30.ini")));
        if (!f.open(QIODevice::ReadOnly))
            return QString();
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith(key.toLatin1() + '='))
                return QString::fromLatin1(line.mid(key.size() + 1)).trimmed();
        return QString();
    }

    bool startSim(const QStringList &args)
    {
#ifdef RXSIM_PATH
        m_sim.setProgram(QStringLiteral(RXSIM_PATH));
        m_sim.setArguments(args);
        m_sim.start();
        if (!m_sim.waitForStarted(5000))
            return false;
        while (!m_sim.canReadLine())
            if (!m_sim.waitForReadyRead(5000))
                return false;
        m_pty = QString::fromUtf8(m_sim.readLine()).trimmed();
        return !m_pty.isEmpty();
#else
        Q_UNUSED(args);
        return false;
#endif
    }

    void stopSim()
    {
        if (m_sim.state() != QProcess::NotRunning) {
            m_sim.terminate();
            if (!m_sim.waitForFinished(3000)) {
                m_sim.kill();
                m_sim.waitForFinished();
            }
        }
    }

private slots:
    void init()
    {
        QFile ini(m_dir.filePath(QStringLiteral("rx30.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[SETTINGS]\nComPort=NONE\nccTalkAddr=02\n[SUPPORTED TYPES]\nRX20=\nRX30=\n");
    }
    void cleanup()
    {
        stopSim();
    }

    void demoIdentifyPrintsThePanelAndRemembersThePort()
    {
        const Run r = cli({QStringLiteral("--demo"), QStringLiteral("identify")});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.contains(Msg(97) + QStringLiteral("2") + Msg(2) + QStringLiteral("SIMULATOR")),
                 qPrintable(r.err));
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 8);
        QVERIFY(lines.at(0).startsWith(Msg(215).trimmed() + QLatin1Char(' ')));
        QCOMPARE(lines.at(6), QStringLiteral("Port: SIMULATOR"));
        QCOMPARE(lines.at(7), QStringLiteral("Address: 2"));
        QCOMPARE(iniValue(QStringLiteral("ComPort")), QStringLiteral("SIMULATOR"));
    }

    void usageAndFileErrorsHaveTheirExitStatus()
    {
        struct Case
        {
            QStringList args;
            int status;
            int message;
        };
        const QList<Case> cases = {
            {{QStringLiteral("--address"), QStringLiteral("255"), QStringLiteral("ports")}, 2, 430},
            {{QStringLiteral("--address"), QStringLiteral("1"), QStringLiteral("ports")}, 2, 430},
            {{QStringLiteral("--address"), QStringLiteral("x2"), QStringLiteral("ports")}, 2, 430},
            {{QStringLiteral("frobnicate")}, 2, 431},
            {{QStringLiteral("--demo"), QStringLiteral("send")}, 2, 433},
            {{QStringLiteral("--demo"), QStringLiteral("pin"), QStringLiteral("1")}, 2, 433},
            {{QStringLiteral("--demo"), QStringLiteral("address"), QStringLiteral("255")}, 2, 430},
            {{QStringLiteral("--demo"), QStringLiteral("send"), QStringLiteral("FZ01")}, 2, 421},
            {{QStringLiteral("--bogus"), QStringLiteral("ports")}, 2, 453},
        };
        for (const Case &c : cases) {
            const Run r = cli(c.args);
            QVERIFY2(r.status == c.status, qPrintable(c.args.join(' ') + QStringLiteral(": ") + r.err));
            QVERIFY2(r.err.startsWith(Msg(c.message)), qPrintable(r.err));
            // Nothing reached the wire.
            QVERIFY2(!r.out.contains(QStringLiteral("-> ")), qPrintable(r.out));
        }
        const Run missing = cli({QStringLiteral("ports")}, m_dir.filePath(QStringLiteral("no-such-dir")));
        QCOMPARE(missing.status, 3);
        QVERIFY(missing.err.startsWith(Msg(435)));
    }

    void demoSendPrintsTheExchange()
    {
        const Run r = cli({QStringLiteral("--demo"), QStringLiteral("send"), QStringLiteral("fe")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("-> 020001FEFF\n<- 01000200FD\n"));
        const Run silent = cli({QStringLiteral("--demo"), QStringLiteral("--address"), QStringLiteral("9"),
                                QStringLiteral("send"), QStringLiteral("FE")});
        QCOMPARE(silent.status, 1);
        QCOMPARE(silent.out, QStringLiteral("-> 090001FEF8\n"));
    }

    void deviceCommandOnUnopenablePortFails()
    {
        const Run r = cli({QStringLiteral("--port"), m_dir.filePath(QStringLiteral("ttyNONE")),
                           QStringLiteral("send"), QStringLiteral("FE")});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.startsWith(Msg(438)), qPrintable(r.err));
    }

    void portWithoutPermissionIsExplained()
    {
        // Needs another user than root to meet a permission it lacks.
        const QString runuser = QStandardPaths::findExecutable(QStringLiteral("runuser"));
        if (geteuid() != 0 || runuser.isEmpty())
            QSKIP("needs root and runuser to act as an unprivileged user");
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        const QString slave = QString::fromLatin1(ptsname(master));
        QVERIFY(chmod(slave.toLocal8Bit().constData(), 0600) == 0);
        QTemporaryDir shared;
        QFile::setPermissions(shared.path(), QFileDevice::ReadOther | QFileDevice::WriteOther |
                                                 QFileDevice::ExeOther | QFileDevice::ReadOwner |
                                                 QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("rx30.ini")),
                            shared.filePath(QStringLiteral("rx30.ini"))));
        QFile::setPermissions(shared.filePath(QStringLiteral("rx30.ini")),
                              QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ReadOwner |
                                  QFileDevice::WriteOwner);

        QProcess p;
        p.start(runuser, {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
                          QStringLiteral(RXCLI_PATH), QStringLiteral("--data-dir"), shared.path(),
                          QStringLiteral("--port"), slave, QStringLiteral("send"), QStringLiteral("FE")});
        const bool finished = p.waitForFinished(30000);
        ::close(master);
        QVERIFY(finished);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        if (p.exitCode() == 1 && err.isEmpty())
            QSKIP("runuser could not switch users here");
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(err.startsWith(Msg(426) + slave), qPrintable(err));
        QVERIFY(p.readAllStandardOutput().isEmpty());
    }

    void portHeldByAnotherProgramIsExplained()
    {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        const QString slave = QString::fromLatin1(ptsname(master));
        QSerialPort holder(slave);
        QVERIFY(holder.open(QIODevice::ReadWrite));
        const Run r = cli({QStringLiteral("--port"), slave, QStringLiteral("send"), QStringLiteral("FE")});
        holder.close();
        ::close(master);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.startsWith(Msg(427) + slave), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    void rxsimAddressChangeCarriesOverToLaterRuns()
    {
        if (!startSim({}))
            QSKIP("rxsim is not available");
        const Run found = cli({QStringLiteral("--port"), m_pty, QStringLiteral("identify")});
        QVERIFY2(found.status == 0, qPrintable(found.err));
        QVERIFY(found.out.contains(QStringLiteral("Port: ") + m_pty));

        const Run changed =
            cli({QStringLiteral("--port"), m_pty, QStringLiteral("address"), QStringLiteral("254")});
        QVERIFY2(changed.status == 0, qPrintable(changed.err));
        QVERIFY(changed.err.contains(Msg(52)));
        QCOMPARE(iniValue(QStringLiteral("ccTalkAddr")), QStringLiteral("FE"));

        // The next run talks to 254 by default; the old address is silent.
        const Run poll = cli({QStringLiteral("--port"), m_pty, QStringLiteral("send"), QStringLiteral("FE")});
        QCOMPARE(poll.status, 0);
        QVERIFY(poll.out.startsWith(QStringLiteral("-> FE0001FE")));
        const Run old = cli({QStringLiteral("--port"), m_pty, QStringLiteral("--address"),
                             QStringLiteral("2"), QStringLiteral("send"), QStringLiteral("FE")});
        QCOMPARE(old.status, 1);

        // A search finds it again at its new address.
        const Run again = cli({QStringLiteral("--port"), m_pty, QStringLiteral("identify")});
        QVERIFY2(again.status == 0, qPrintable(again.err));
        QVERIFY(again.out.contains(QStringLiteral("Address: 254")));
    }

    void rxsimMonitorAt38400IsOfferedAndThePortLeftUsable()
    {
        if (!startSim(
                {QStringLiteral("--monitor"), QStringLiteral("--monitor-baud"), QStringLiteral("38400")}))
            QSKIP("rxsim is not available");
        // Only the given port: the machine's own ports are not part of this test's wire.
        const Run yes =
            cli({QStringLiteral("--port"), m_pty, QStringLiteral("--yes"), QStringLiteral("identify")});
        QCOMPARE(yes.status, 1);
        QVERIFY2(yes.err.contains(Msg(98)), qPrintable(yes.err));
        QVERIFY2(yes.err.contains(Msg(420)), qPrintable(yes.err));
        QVERIFY(yes.out.isEmpty());
        const Run no = cli({QStringLiteral("--port"), m_pty, QStringLiteral("identify")});
        QCOMPARE(no.status, 1);
        QVERIFY(no.err.contains(Msg(98)));
        QVERIFY(!no.err.contains(Msg(420)));
    }

    void rxsimProtectedReadUsesThePinOption()
    {
        if (!startSim({QStringLiteral("--masks"), QStringLiteral("FFFF0000"), QStringLiteral("--pin"),
                       QStringLiteral("1234ABCD")}))
            QSKIP("rxsim is not available");
        const QStringList read = {QStringLiteral("--port"), m_pty, QStringLiteral("send"),
                                  QStringLiteral("FF0207A008")};
        const Run ok = cli(QStringList{QStringLiteral("--pin"), QStringLiteral("1234abcd")} + read);
        QVERIFY2(ok.status == 0, qPrintable(ok.err));
        QVERIFY(ok.out.contains(QStringLiteral("-> 020401DA1234ABCD")));
        QVERIFY(ok.out.contains(QStringLiteral("<- 01080200")));

        const Run wrong = cli(QStringList{QStringLiteral("--pin"), QStringLiteral("00000000")} + read);
        QCOMPARE(wrong.status, 1);
        QVERIFY(wrong.err.contains(Msg(321)));

        const Run none = cli(read);
        QCOMPARE(none.status, 1);
        QVERIFY(none.err.contains(Msg(116)));
    }
};
} // namespace

QTEST_GUILESS_MAIN(TestCliE2e)
#include "test_cli_e2e.moc"
