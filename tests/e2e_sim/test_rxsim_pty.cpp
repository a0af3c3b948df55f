#include "RxsimProcess.h"

#include "link/CcTalkLink.h"
#include "link/Checksum.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

// rxsim as a separate program: its pty opened through the Qt serial port adapter, its
// control socket, its state file and its robustness against noise.
class TestRxsimPty : public QObject
{
    Q_OBJECT

private slots:
    void answersIdentificationThroughTheSerialPort();
    void controlSocketDrivesCoinsSensorsOutputsAndFaults();
    void controlSocketRefusesMalformedCommands();
    void survivesGarbageAndResynchronisesOnSilence();
    void stateFileCarriesMemoryAddressAndPinAcrossRuns();
    void monitorAnswersOnlyAtTheRateTheHostSet();
    void quitEndsTheProgramAndRemovesTheLink();
    void badOptionsAreRefusedBeforeAnyPtyExists();

private:
    static QByteArray cmd(int header, const QByteArray &data = {})
    {
        return QByteArray(1, char(header)) + data;
    }
    static QByteArray data(const QByteArray &reply) { return reply.mid(4, reply.size() - 5); }
    static int header(const QByteArray &reply) { return reply.size() > 3 ? quint8(reply.at(3)) : -1; }
    static void openLink(CcTalkLink &link, const QString &path)
    {
        link.setPortName(path);
        QVERIFY2(link.openPort(), qPrintable(path));
    }
};

void TestRxsimPty::answersIdentificationThroughTheSerialPort()
{
    QTemporaryDir dir;
    RxsimProcess sim(dir.path());
    const QString link = dir.path() + QStringLiteral("/selector");
    QVERIFY(sim.start({QStringLiteral("--link"), link, QStringLiteral("--serial"), QStringLiteral("70000"),
                       QStringLiteral("--type"), QStringLiteral("RX20")}));
    QVERIFY(sim.slavePath.startsWith(QLatin1String("/dev/")));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.slavePath);

    CcTalkLink host;
    openLink(host, link);
    QByteArray reply;
    QCOMPARE(host.Transact(2, cmd(254), 5, reply), quint8(CcTalkLink::Ok));
    QCOMPARE(reply, QByteArray::fromHex("01000200FD"));
    QCOMPARE(host.Transact(2, cmd(246), 5, reply), quint8(CcTalkLink::Ok));
    QCOMPARE(data(reply), QByteArray("Marvesti"));
    QCOMPARE(host.Transact(2, cmd(255, QByteArray(1, char(8))), 5, reply), quint8(CcTalkLink::Ok));
    QCOMPARE(data(reply), QByteArray("RX20"));
    QCOMPARE(host.Transact(2, cmd(242), 5, reply), quint8(CcTalkLink::Ok));
    QCOMPARE(data(reply), QByteArray::fromHex("701101"));
    QCOMPARE(host.Transact(2, QByteArray::fromHex("FF02077404"), 10, reply), quint8(CcTalkLink::Ok));
    QCOMPARE(data(reply), QByteArray::fromHex("FFFFFFFF"));
    // The address poll: echo plus one unframed byte, so the exchange itself times out.
    QCOMPARE(host.Transact(0, cmd(253), 120, reply), quint8(CcTalkLink::Timeout));
    QCOMPARE(host.RxBuffer.size(), 6);
    QCOMPARE(quint8(host.RxBuffer.back()), quint8(2));
}

void TestRxsimPty::controlSocketDrivesCoinsSensorsOutputsAndFaults()
{
    QTemporaryDir dir;
    RxsimProcess sim(dir.path());
    QVERIFY(sim.start());
    CcTalkLink host;
    openLink(host, sim.slavePath);
    QByteArray reply;

    QCOMPARE(sim.command(QStringLiteral("coin 3")), QStringLiteral("OK inhibited"));
    QCOMPARE(host.Transact(2, cmd(231, QByteArray::fromHex("FFFF")), 15, reply), quint8(0));
    QCOMPARE(host.Transact(2, cmd(228, QByteArray::fromHex("01")), 15, reply), quint8(0));
    QCOMPARE(sim.command(QStringLiteral("coin 3")), QStringLiteral("OK accepted 3"));
    QCOMPARE(sim.command(QStringLiteral("coin 0 0 0 0 0 0")), QStringLiteral("OK rejected"));
    QCOMPARE(host.Transact(2, cmd(229), 10, reply), quint8(0));
    // Three events, newest first: the rejection, the credit on channel 3 (sorter path 1), the
    // coin returned under master inhibit.
    const QByteArray events = data(reply);
    QCOMPARE(quint8(events.at(0)), quint8(3));
    QCOMPARE(quint8(events.at(1)), quint8(0));
    QCOMPARE(events.mid(3, 2), QByteArray::fromHex("0301"));
    QCOMPARE(quint8(events.at(5)), quint8(0));
    QCOMPARE(host.Transact(2, cmd(226), 10, reply), quint8(0));
    QCOMPARE(data(reply), QByteArray::fromHex("030000"));
    QCOMPARE(host.Transact(2, cmd(255, QByteArray(1, 5)), 10, reply), quint8(0));
    QCOMPARE(data(reply), QByteArray(6, char(0)));

    QCOMPARE(sim.command(QStringLiteral("dip 1 2A")), QStringLiteral("OK"));
    QCOMPARE(sim.command(QStringLiteral("input 1 1")), QStringLiteral("OK"));
    QCOMPARE(sim.command(QStringLiteral("dip 2 15")), QStringLiteral("OK"));
    QCOMPARE(host.Transact(2, cmd(237), 20, reply), quint8(0));
    QCOMPARE(data(reply), QByteArray::fromHex("AA15"));
    QCOMPARE(sim.command(QStringLiteral("opto 1F")), QStringLiteral("OK"));
    QCOMPARE(host.Transact(2, cmd(236), 10, reply), quint8(0));
    QCOMPARE(data(reply), QByteArray::fromHex("1F"));
    QCOMPARE(sim.command(QStringLiteral("analog 9 84")), QStringLiteral("OK"));
    QCOMPARE(host.Transact(2, cmd(255, QByteArray(1, 4)), 20, reply), quint8(0));
    QCOMPARE(quint8(data(reply).at(9)), quint8(84));

    QCOMPARE(sim.command(QStringLiteral("outputs")),
             QStringLiteral("OK solenoid=-- latch=-- pulse=-- counts=0,0,0"));
    QCOMPARE(host.Transact(2, cmd(233, QByteArray::fromHex("05")), 10, reply), quint8(0));
    QCOMPARE(host.Transact(2, cmd(240, QByteArray::fromHex("08")), 10, reply), quint8(0));
    QCOMPARE(sim.command(QStringLiteral("outputs")),
             QStringLiteral("OK solenoid=08 latch=05 pulse=-- counts=1,1,0"));

    // The dump shows what the host reads.
    QCOMPARE(host.Transact(2, QByteArray::fromHex("FF02070008"), 10, reply), quint8(0));
    QCOMPARE(sim.command(QStringLiteral("dump 0700 8")),
             QStringLiteral("OK ") + QString::fromLatin1(data(reply).toHex().toUpper()));

    QCOMPARE(sim.command(QStringLiteral("fault checksum count 1 header 246")), QStringLiteral("OK"));
    QCOMPARE(host.Transact(2, cmd(254), 5, reply), quint8(CcTalkLink::Ok));
    QCOMPARE(host.Transact(2, cmd(246), 5, reply), quint8(CcTalkLink::ChecksumError));
    QCOMPARE(host.Transact(2, cmd(246), 5, reply), quint8(CcTalkLink::Ok));
    QCOMPARE(sim.command(QStringLiteral("unplug")), QStringLiteral("OK"));
    QCOMPARE(host.Transact(2, cmd(254), 5, reply), quint8(CcTalkLink::Timeout));
    QCOMPARE(sim.command(QStringLiteral("plug")), QStringLiteral("OK"));
    QCOMPARE(host.Transact(2, cmd(254), 5, reply), quint8(CcTalkLink::Ok));
    QCOMPARE(sim.command(QStringLiteral("echo off")), QStringLiteral("OK"));
    QCOMPARE(host.Transact(2, cmd(254), 5, reply), quint8(CcTalkLink::Timeout));
    QCOMPARE(host.RxBuffer, QByteArray::fromHex("01000200FD"));
}

void TestRxsimPty::controlSocketRefusesMalformedCommands()
{
    QTemporaryDir dir;
    RxsimProcess sim(dir.path());
    QVERIFY(sim.start());
    const QStringList bad = {QStringLiteral("coin 17"),
                             QStringLiteral("coin 1 2 3"),
                             QStringLiteral("coin 1 2 3 4 5 256"),
                             QStringLiteral("dip 3 00"),
                             QStringLiteral("dip 1 40"),
                             QStringLiteral("fault bogus"),
                             QStringLiteral("fault nak count"),
                             QStringLiteral("dump 0830 32"),
                             QStringLiteral("dump 0600"),
                             QStringLiteral("analog 11 0"),
                             QStringLiteral("frobnicate"),
                             QStringLiteral("opto 1F2E")};
    for (const QString &line : bad)
        QVERIFY2(sim.command(line).startsWith(QLatin1String("ERR")), qPrintable(line));
    QVERIFY(
        sim.command(QStringLiteral("status")).startsWith(QLatin1String("OK address=2 monitor=0 baud=9600")));
}

void TestRxsimPty::survivesGarbageAndResynchronisesOnSilence()
{
    QTemporaryDir dir;
    RxsimProcess sim(dir.path());
    QVERIFY(sim.start());
    CcTalkLink host;
    openLink(host, sim.slavePath);
    QRandomGenerator random(4711);
    QByteArray reply;
    for (int round = 0; round < 20; ++round) {
        QByteArray noise;
        switch (round % 4) {
        case 0: // random bytes
            for (int i = 0, n = 1 + random.bounded(600); i < n; ++i)
                noise.append(char(random.bounded(256)));
            break;
        case 1: // a frame that announces 255 data bytes and stops
            noise = QByteArray::fromHex("02FF01FF0203");
            break;
        case 2: // half a valid frame
            noise = QByteArray::fromHex("020301FF");
            break;
        default: // a valid frame with a wrong checksum, then a stray byte
            noise = QByteArray::fromHex("020001FE00AA");
            break;
        }
        host.port()->write(noise);
        CcTalkLink::PumpDelay(80);
        QCOMPARE(host.Transact(2, cmd(254), 10, reply), quint8(CcTalkLink::Ok));
        QCOMPARE(reply, QByteArray::fromHex("01000200FD"));
    }
    QVERIFY(sim.process().state() == QProcess::Running);
}

void TestRxsimPty::stateFileCarriesMemoryAddressAndPinAcrossRuns()
{
    QTemporaryDir dir;
    const QString state = dir.path() + QStringLiteral("/selector.state");
    const QByteArray record = QByteArray::fromHex("101112131415161718191A1B701102FF");
    {
        RxsimProcess sim(dir.path());
        QVERIFY(sim.start({QStringLiteral("--state"), state}));
        QVERIFY(QFileInfo::exists(state));
        CcTalkLink host;
        openLink(host, sim.slavePath);
        QByteArray reply;
        QCOMPARE(host.Transact(2, QByteArray::fromHex("FF0306F0") + record, 10, reply), quint8(0));
        QCOMPARE(header(reply), 0);
        QCOMPARE(host.Transact(2, QByteArray::fromHex("FF03"), 8, reply), quint8(0));
        QCOMPARE(host.Transact(2, QByteArray::fromHex("DA00000000"), 5, reply), quint8(0));
        QCOMPARE(host.Transact(2, QByteArray::fromHex("DB1234ABCD"), 5, reply), quint8(0));
        QCOMPARE(header(reply), 0);
        QCOMPARE(host.Transact(2, QByteArray::fromHex("FB09"), 5, reply), quint8(0));
        QCOMPARE(header(reply), 0);
        // Written but not committed: must not survive.
        QCOMPARE(host.Transact(9, QByteArray::fromHex("FF030600") + QByteArray(16, char(0x22)), 10, reply),
                 quint8(0));
        QCOMPARE(sim.command(QStringLiteral("quit")), QStringLiteral("OK"));
        QVERIFY(sim.waitForExit());
    }
    RxsimProcess again(dir.path());
    QVERIFY(again.start({QStringLiteral("--state"), state}));
    CcTalkLink host;
    openLink(host, again.slavePath);
    QByteArray reply;
    QCOMPARE(host.Transact(2, cmd(254), 5, reply), quint8(CcTalkLink::Timeout));
    QCOMPARE(host.Transact(9, QByteArray::fromHex("FF0206F010"), 10, reply), quint8(0));
    QCOMPARE(data(reply), record);
    QCOMPARE(host.Transact(9, QByteArray::fromHex("FF02060010"), 10, reply), quint8(0));
    QVERIFY(data(reply) != QByteArray(16, char(0x22)));
    QCOMPARE(host.Transact(9, QByteArray::fromHex("DA00000000"), 5, reply), quint8(0));
    QCOMPARE(header(reply), 5);
    QCOMPARE(host.Transact(9, QByteArray::fromHex("DA1234ABCD"), 5, reply), quint8(0));
    QCOMPARE(header(reply), 0);

    // A damaged state file stops rxsim with a message instead of running with half a state.
    QFile file(state);
    QVERIFY(file.open(QIODevice::Append));
    file.write("memory.0605=00\n");
    file.close();
    QProcess broken;
    broken.start(QStringLiteral(RXSIM_PATH), {QStringLiteral("--state"), state});
    QVERIFY(broken.waitForFinished(5000));
    QCOMPARE(broken.exitCode(), 3);
    QVERIFY(broken.readAllStandardError().contains("memory.0605"));
}

void TestRxsimPty::monitorAnswersOnlyAtTheRateTheHostSet()
{
    QTemporaryDir dir;
    RxsimProcess sim(dir.path());
    QVERIFY(sim.start({QStringLiteral("--monitor-baud"), QStringLiteral("38400"),
                       QStringLiteral("--monitor-identity"), QStringLiteral("525833304D4F4E0102")}));
    CcTalkLink host;
    openLink(host, sim.slavePath);
    QByteArray reply;
    QCOMPARE(host.Transact(2, QByteArray::fromHex("FF06"), 20, reply), quint8(0));
    QCOMPARE(header(reply), 0);
    QCOMPARE(host.RawExchange("V", 9, 10, reply), quint8(CcTalkLink::RawTimeout));
    host.SetBaud(38400);
    QCOMPARE(host.RawExchange("V", 9, 50, reply), quint8(CcTalkLink::RawOk));
    QCOMPARE(reply, QByteArray::fromHex("525833304D4F4E0102"));
    QVERIFY(sim.command(QStringLiteral("status")).contains(QLatin1String("monitor=1 baud=38400")));
    // The end record restarts the program at 9600.
    QCOMPARE(host.RawExchange(QByteArray::fromHex("5539030000FC"), 1, 20, reply), quint8(CcTalkLink::RawOk));
    QCOMPARE(reply, QByteArray("0"));
    host.SetBaud(9600);
    QCOMPARE(host.Transact(2, cmd(254), 10, reply), quint8(CcTalkLink::Ok));
}

void TestRxsimPty::quitEndsTheProgramAndRemovesTheLink()
{
    QTemporaryDir dir;
    RxsimProcess sim(dir.path());
    const QString link = dir.path() + QStringLiteral("/sel");
    QVERIFY(sim.start({QStringLiteral("--link"), link}));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(sim.command(QStringLiteral("quit")), QStringLiteral("OK"));
    QVERIFY(sim.waitForExit());
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestRxsimPty::badOptionsAreRefusedBeforeAnyPtyExists()
{
    const QList<QStringList> bad = {{QStringLiteral("--masks"), QStringLiteral("FFFF")},
                                    {QStringLiteral("--type"), QStringLiteral("RX3")},
                                    {QStringLiteral("--address"), QStringLiteral("1")},
                                    {QStringLiteral("--monitor-baud"), QStringLiteral("19200")},
                                    {QStringLiteral("--pin"), QStringLiteral("1234567G")},
                                    {QStringLiteral("--no-such-option")}};
    for (const QStringList &args : bad) {
        QProcess p;
        p.start(QStringLiteral(RXSIM_PATH), args);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY2(p.readAllStandardOutput().isEmpty(), qPrintable(args.join(' ')));
    }
}

QTEST_GUILESS_MAIN(TestRxsimPty)
#include "test_rxsim_pty.moc"
