// rxconfig-cli as a separate program: the built-in simulator, and rxsim on a pseudo-terminal
// reached through the Qt serial port.
#include "CliRun.h"
#include "Pty.h"
#include "RxsimProcess.h"
#include "app/Messages.h"
#include "config/IniFile.h"

#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
class TestCliE2e : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<RxsimProcess> m_sim;

    // Runs the program with the given blank-separated arguments on the test's data folder.
    CliRun cli(const QString &arguments)
    {
        return runProgram(QStringLiteral(RXCLI_PATH), QStringList{u"--data-dir"_s, m_dir.path()} +
                                                          arguments.split(u' ', Qt::SkipEmptyParts));
    }
    CliRun onSim(const QString &arguments) { return cli(u"--port "_s + m_sim->slavePath + u' ' + arguments); }
    QString setting(const QString &key) const
    {
        return IniFile(m_dir.filePath(u"rx30.ini"_s)).readValue(u"SETTINGS"_s, key);
    }
    bool writeIni(const QByteArray &text) { return writeFileBytes(m_dir.filePath(u"rx30.ini"_s), text); }

private slots:
    void init()
    {
        QVERIFY(writeIni("[SETTINGS]\nComPort=NONE\nccTalkAddr=02\n[SUPPORTED TYPES]\nRX20=\nRX30=\n"));
    }

    void errorsHaveTheirExitStatusAndMessageAndSendNothing()
    {
        const struct
        {
            QString args;
            int status, message;
        } cases[] = {
            {u"--address 1 ports"_s, 2, 430},
            {u"frobnicate"_s, 2, 431},
            {u"--demo send"_s, 2, 433},
            {u"--demo send FZ01"_s, 2, 421},
            {u"--bogus ports"_s, 2, 453},
            {u"--demo send FE0"_s, 2, 644},
            {u"--demo monitor --count"_s, 2, 990},
            {u"--demo pin 1234 12345678"_s, 2, 161},
            {u"--demo pin 1234567G 12345678"_s, 2, 160},
            {u"--data-dir "_s + m_dir.filePath(u"no-such-dir"_s) + u" ports"_s, 3, 435},
            {u"--port "_s + m_dir.filePath(u"ttyX"_s) + u" send FE"_s, 1, 438},
        };
        for (const auto &c : cases) {
            const CliRun r = cli(c.args);
            QVERIFY2(r.status == c.status && r.err.startsWith(Msg(c.message)),
                     qPrintable(c.args + u": "_s + r.err));
            QVERIFY2(!r.out.contains(u"-> "_s), qPrintable(r.out));
        }
        // The address that stays silent is named; a port remembered by a --demo run is
        // explained outside one.
        const CliRun silent = cli(u"--demo --address 9 send FE"_s);
        QVERIFY2(silent.status == 1 && silent.err.startsWith(Msg(645) + u"9"_s), qPrintable(silent.err));
        QCOMPARE(cli(u"--demo identify"_s).status, 0);
        QCOMPARE(setting(u"ComPort"_s), u"SIMULATOR"_s);
        const CliRun remembered = cli(u"send FE"_s);
        QVERIFY2(remembered.status == 1 && remembered.err.contains(Msg(642)), qPrintable(remembered.err));
        // A port held by another program is named as such.
        Pty pty;
        QSerialPort holder(pty.slave);
        QVERIFY(holder.open(QIODevice::ReadWrite));
        const CliRun busy = cli(u"--port "_s + pty.slave + u" send FE"_s);
        QVERIFY2(busy.status == 1 && busy.err.startsWith(Msg(427) + pty.slave), qPrintable(busy.err));
        QVERIFY(busy.out.isEmpty());
    }

    // A file round trip through rxsim, checked on its whole permanent memory: an untouched file
    // is equal to the selector and writes back no change (the file holds ".." for the fourth
    // country code, the selector keeps its own); one edit writes that block only. diff keeps
    // "different" apart from "could not compare".
    void rxsimFileRoundTripChangesOnlyTheEditAndDiffSaysWhichCase()
    {
        if (QStringLiteral(RXSIM_PATH).isEmpty())
            QSKIP("rxsim is not built");
        QFile::remove(m_dir.filePath(u"rx30.ini"_s));
        QVERIFY(copyDataFiles(m_dir.path(), {u"rx30.ini"_s, u"io.ini"_s, u"template.xml"_s}));
        m_sim = std::make_unique<RxsimProcess>(m_dir.path());
        QVERIFY(m_sim->start());
        const auto nv = [this] { return m_sim->command(u"dump-nv 0600 576"_s); };
        const QString before = nv();
        QVERIFY2(before.startsWith(u"OK "_s) && before.contains("EUTKHRIT"_ba.toHex().toUpper()),
                 qPrintable(before));
        const QString unit = m_dir.filePath(u"unit.xml"_s);
        const QString edited = m_dir.filePath(u"edited.xml"_s);
        CliRun r = onSim(u"upload -o "_s + unit);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QByteArray text = fileBytes(unit);
        const QByteArray channel1 = blockValue(text, "0x0600");
        QVERIFY(blockValue(text, "0x0610") != channel1);
        QVERIFY(writeFileBytes(edited, withBlock(text, "0x0610", channel1)));

        const QString changed = m_dir.filePath(u"changed.log"_s);
        const struct
        {
            QString args;
            int status;
            QString out;          // or error output
            QString control = {}; // sent to rxsim first
        } steps[] = {
            {u"diff "_s + unit, 0, u", different: 0, unknown: 0"_s},
            {u"download "_s + unit, 0, QString()},
            {u"diff "_s + unit + u' ' + edited, 1, u"* Coin channels / Channel 2 (0x0610)\n"_s},
            {u"diff "_s + edited, 1, u", different: 1, unknown: 0"_s},
            // The selector acknowledges the write and keeps its old value: the read back names it.
            {u"download "_s + edited + u" --changed-only --verify"_s, 1,
             u"(0x0610) holds "_s + QString::fromLatin1(blockValue(text, "0x0610")) + u", "_s +
                 QString::fromLatin1(channel1) + u" was written"_s,
             u"fault dropwrite"_s},
            {u"--log "_s + changed + u" download "_s + edited + u" --changed-only"_s, 0, QString()},
            {u"diff "_s + edited, 0, u", different: 0, unknown: 0"_s},
            {u"--address 9 diff "_s + edited, 5, QString()},
        };
        for (const auto &step : steps) {
            if (!step.control.isEmpty())
                QCOMPARE(m_sim->command(step.control), u"OK"_s);
            r = onSim(step.args);
            QVERIFY2(r.status == step.status && (r.out + r.err).contains(step.out),
                     qPrintable(step.args + u": "_s + r.out + r.err));
            if (step.args.startsWith(u"download "_s + unit))
                QCOMPARE(nv(), before);
        }
        // One write, of the edited block, after the blocks were read in requests of 128 bytes.
        const QString log = QString::fromUtf8(fileBytes(changed));
        QCOMPARE(log.count(u"\tWrite memory: "_s), 1);
        QVERIFY(log.contains(u"\tWrite memory: 0x0610, 16 bytes"_s));
        QVERIFY(log.contains(u"\tRead memory: 0x0680, 128 bytes"_s));
        QString after = before;
        after.replace(3 + 2 * 0x10, 32, QString::fromLatin1(channel1));
        QCOMPARE(nv(), after);
    }

    void rxsimSelectorKeepsItsNewAddressAndReadsWithThePinOption()
    {
        if (QStringLiteral(RXSIM_PATH).isEmpty())
            QSKIP("rxsim is not built");
        m_sim = std::make_unique<RxsimProcess>(m_dir.path());
        QVERIFY(m_sim->start({u"--masks"_s, u"FFFF0000"_s, u"--pin"_s, u"1234ABCD"_s}));
        const CliRun changed = onSim(u"address 254"_s);
        QVERIFY2(changed.status == 0, qPrintable(changed.err));
        QVERIFY(changed.err.contains(Msg(52)));
        QCOMPARE(setting(u"ccTalkAddr"_s), u"FE"_s);
        // The next run talks to 254 by default and prints the exchange; the old address is silent.
        const CliRun poll = onSim(u"send fe"_s);
        QCOMPARE(poll.status, 0);
        QCOMPARE(poll.out, u"-> FE0001FE03\n<- 0100FE0001\n"_s);
        const CliRun silent = onSim(u"--address 2 send FE"_s);
        QCOMPARE(silent.status, 1);
        QCOMPARE(silent.out, u"-> 020001FEFF\n"_s);
        // A search finds it at its new address, prints the panel and remembers the port.
        const CliRun found = onSim(u"identify"_s);
        QVERIFY2(found.status == 0, qPrintable(found.err));
        QVERIFY(found.err.contains(Msg(97) + u"254"_s + Msg(2) + m_sim->slavePath));
        QVERIFY2(found.out.endsWith(u"Port: "_s + m_sim->slavePath + u"\nAddress: 254\n"_s),
                 qPrintable(found.out));
        QCOMPARE(setting(u"ComPort"_s), m_sim->slavePath);

        // Reads need the PIN, here from the option; it is masked in what is printed.
        const CliRun ok = onSim(u"--pin 1234abcd send FF0207A008"_s);
        QVERIFY2(ok.status == 0, qPrintable(ok.err));
        QVERIFY(ok.out.contains(u"-> FE0401DA**********"_s) && ok.out.contains(u"<- 0108FE00"_s));
        QVERIFY2(!(ok.out + ok.err).contains(u"1234ABCD"_s, Qt::CaseInsensitive),
                 qPrintable(ok.out + ok.err));

        // 255 is an address a selector can hold: stored, read back, named and left again.
        const CliRun top = onSim(u"address 255"_s);
        QVERIFY2(top.status == 0, qPrintable(top.err));
        QCOMPARE(setting(u"ccTalkAddr"_s), u"FF"_s);
        QCOMPARE(onSim(u"send FE"_s).out, u"-> FF0001FE02\n<- 0100FF0000\n"_s);
    }
};
} // namespace

QTEST_GUILESS_MAIN(TestCliE2e)
#include "test_cli_e2e.moc"
