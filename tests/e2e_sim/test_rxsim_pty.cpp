#include "CliRun.h"
#include "RxsimProcess.h"

#include "link/CcTalkLink.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

// rxsim as a separate program: its pty opened through the Qt serial port adapter, its
// control socket, its state file and its boot monitor.
class TestRxsimPty : public QObject
{
    Q_OBJECT

    static QByteArray data(const QByteArray &reply) { return reply.mid(4, reply.size() - 5); }
    static int header(const QByteArray &reply) { return reply.size() > 3 ? quint8(reply.at(3)) : -1; }
    static void openLink(CcTalkLink &link, const QString &path)
    {
        link.setPortName(path);
        QVERIFY2(link.openPort(), qPrintable(path));
    }
    // The reply frame, or a text naming the failure.
    static QByteArray ask(CcTalkLink &host, const char *hexCommand, quint8 to = 2)
    {
        QByteArray reply;
        const quint8 r = host.Transact(to, QByteArray::fromHex(hexCommand), 20, reply);
        return r == CcTalkLink::Ok ? reply : "failed " + QByteArray::number(r);
    }

private slots:
    void answersThroughItsLinkUntilQuitRemovesIt()
    {
        QTemporaryDir dir;
        RxsimProcess sim(dir.path());
        const QString link = dir.path() + QStringLiteral("/selector");
        // Every identity option is what the host then reads.
        QVERIFY(sim.start(QStringLiteral("--link %1 --serial 70000 --type RX20 --manufacturer MRV "
                                         "--product-code CH --build-code B7 --revision 9.9 "
                                         "--creation-date 0A6F --modification-date 0A70 --base-year 2001 "
                                         "--database-version 7 --pin 1234ABCD --factory-password "
                                         "010203040506 --masks 0F0F0F0F")
                              .arg(link)
                              .split(QLatin1Char(' '))));
        QVERIFY(sim.slavePath.startsWith(QLatin1String("/dev/")));
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.slavePath);
        {
            CcTalkLink host;
            openLink(host, link);
            QCOMPARE(ask(host, "FE"), QByteArray::fromHex("01000200FD"));
            QCOMPARE(data(ask(host, "FF08")), QByteArray("RX20"));
            QCOMPARE(data(ask(host, "F2")), QByteArray::fromHex("701101"));
            const struct
            {
                const char *command;
                QByteArray data;
            } identity[] = {{"F6", "MRV"},
                            {"F4", "CH"},
                            {"C0", "B7"},
                            {"F1", "9.9"},
                            {"C4", QByteArray::fromHex("0A6F")},
                            {"C3", QByteArray::fromHex("0A70")},
                            {"AA", "2001"},
                            {"F3", QByteArray::fromHex("07")}};
            for (const auto &i : identity)
                QVERIFY2(data(ask(host, i.command)) == i.data, i.command);
            QCOMPARE(header(ask(host, "DA00000000")), 5);
            QCOMPARE(header(ask(host, "DA1234ABCD")), 0);
        }
        QCOMPARE(sim.command(QStringLiteral("quit")), QStringLiteral("OK"));
        QVERIFY(sim.waitForExit());
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void stateFileCarriesCommittedMemoryAddressAndPinAcrossRuns()
    {
        QTemporaryDir dir;
        const QString state = dir.path() + QStringLiteral("/selector.state");
        {
            RxsimProcess sim(dir.path());
            QVERIFY(sim.start({QStringLiteral("--state"), state}));
            QVERIFY(QFileInfo::exists(state));
            CcTalkLink host;
            openLink(host, sim.slavePath);
            for (const char *command :
                 {"FF0306F0101112131415161718191A1B701102FF", "DA00000000", "DB1234ABCD", "FB09"})
                QVERIFY2(header(ask(host, command)) == 0, command);
            QCOMPARE(header(ask(host, "FF03", 9)), 0); // the commit after the address change saves too
            // Written but not committed: must not survive.
            QCOMPARE(header(ask(host, "FF03060022222222222222222222222222222222", 9)), 0);
            QCOMPARE(sim.command(QStringLiteral("quit")), QStringLiteral("OK"));
            QVERIFY(sim.waitForExit());
        }
        RxsimProcess again(dir.path());
        QVERIFY(again.start({QStringLiteral("--state"), state}));
        CcTalkLink host;
        openLink(host, again.slavePath);
        QCOMPARE(ask(host, "FE"), "failed " + QByteArray::number(CcTalkLink::Timeout)); // moved to 9
        QCOMPARE(data(ask(host, "FF0206F010", 9)), QByteArray::fromHex("101112131415161718191A1B701102FF"));
        QVERIFY(data(ask(host, "FF02060010", 9)) != QByteArray(16, char(0x22)));
        QCOMPARE(header(ask(host, "DA00000000", 9)), 5);
        QCOMPARE(header(ask(host, "DA1234ABCD", 9)), 0);

        // A selector put in its place by "next" is the one kept, with the address and PIN it took over.
        QVERIFY(again.command(QStringLiteral("next serial 4242 type RX20")).startsWith(QLatin1String("OK")));
        host.closePort();
        QCOMPARE(again.command(QStringLiteral("quit")), QStringLiteral("OK"));
        QVERIFY(again.waitForExit());
        RxsimProcess third(dir.path());
        QVERIFY(third.start({QStringLiteral("--state"), state}));
        openLink(host, third.slavePath);
        QCOMPARE(data(ask(host, "F2", 9)), QByteArray::fromHex("921000"));
        QCOMPARE(data(ask(host, "FF08", 9)), QByteArray("RX20"));
        QCOMPARE(header(ask(host, "DA1234ABCD", 9)), 0);

        // A damaged state file stops rxsim with a message instead of running with half a state.
        QVERIFY(writeFileBytes(state, fileBytes(state) + "memory.0605=00\n"));
        const CliRun broken = runProgram(QStringLiteral(RXSIM_PATH), {QStringLiteral("--state"), state});
        QCOMPARE(broken.status, 3);
        QVERIFY(broken.err.contains(QLatin1String("memory.0605")));
    }

    void monitorAnswersOnlyAtTheRateTheHostSet()
    {
        QTemporaryDir dir;
        RxsimProcess sim(dir.path());
        QVERIFY(sim.start({QStringLiteral("--monitor-baud"), QStringLiteral("38400"),
                           QStringLiteral("--monitor-identity"), QStringLiteral("525833304D4F4E0102")}));
        CcTalkLink host;
        openLink(host, sim.slavePath);
        QByteArray reply;
        QCOMPARE(header(ask(host, "FF06")), 0);
        QCOMPARE(host.RawExchange("V", 9, 10, reply), quint8(CcTalkLink::RawTimeout));
        host.SetBaud(38400);
        QCOMPARE(host.RawExchange("V", 9, 50, reply), quint8(CcTalkLink::RawOk));
        QCOMPARE(reply, QByteArray::fromHex("525833304D4F4E0102"));
        QVERIFY(sim.command(QStringLiteral("status")).contains(QLatin1String("monitor=1 baud=38400")));
        // The end record restarts the program at 9600.
        QCOMPARE(host.RawExchange(QByteArray::fromHex("5539030000FC"), 1, 20, reply),
                 quint8(CcTalkLink::RawOk));
        QCOMPARE(reply, QByteArray("0"));
        host.SetBaud(9600);
        QCOMPARE(header(ask(host, "FE")), 0);
    }

    void badOptionsAreRefusedBeforeAnyPtyExists()
    {
        for (const char *options : {"--address 1", "--no-such-option", "--type RX3", "--creation-date 0G6F",
                                    "--monitor-baud 19200", "--pin 1234", "--base-year 01", "stray"}) {
            const CliRun r =
                runProgram(QStringLiteral(RXSIM_PATH), QString::fromLatin1(options).split(QLatin1Char(' ')));
            QCOMPARE(r.status, 2);
            QVERIFY2(r.out.isEmpty(), options);
        }
    }
};

QTEST_GUILESS_MAIN(TestRxsimPty)
#include "test_rxsim_pty.moc"
