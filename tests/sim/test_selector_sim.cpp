#include "SimFixture.h"
#include "device/ReplyFrame.h"
#include "sim/SimControl.h"
#include "sim/SimStateFile.h"

#include <QTemporaryDir>
#include <QtTest>

// The simulated selector's own rules as the host sees them through the real link: its memory map,
// what it answers, statistics counters, refused control lines and state files. Framing, faults
// and coins run in every test that drives the link against it.
class TestSelectorSim : public QObject
{
    Q_OBJECT

    static constexpr int Rejected = int(SelectorSim::CoinResult::Rejected);
    static int result(SelectorSim::CoinOutcome o) { return int(o.result); }

private slots:
    void accessOutsideMemoryIsRefused()
    {
        SimFixture f;
        for (const QByteArray &request :
             {readCmd(0x05FF, 2), readCmd(0x0830, 0x20), readCmd(0x0600, 0), writeCmd(0x0840, hex("00"))})
            QVERIFY2(f.ack(request) == 5, request.toHex().constData());
        QCOMPARE(f.ask(readCmd(0x0800, 64)).size(), 64); // the last 64 bytes in one read
    }

    void coreRequestsAreAnsweredFromTheSelectorsMemory()
    {
        SimFixture f;
        // Channel 2 re-labelled in the second country code with issue C.
        QByteArray rec = f.sim->memory(0x0610, 16);
        rec[14] = char(0x40 | 0x20 | 0x09); // country 1, mint "C", value "200"
        f.sim->setMemory(0x0610, rec);
        // One coin accepted, one rejected: only the first counts as accepted.
        QCOMPARE(f.ack(cmd(231, "FF00")), 0);
        QCOMPARE(f.ack(cmd(228, "01")), 0);
        QCOMPARE(int(f.sim->insertCoin(1).result), int(SelectorSim::CoinResult::Accepted));
        QCOMPARE(int(f.sim->insertCoin(9).result), int(SelectorSim::CoinResult::Rejected));
        const struct
        {
            QByteArray command;
            QByteArray data;
        } cases[] = {
            {cmd(245), "Coin Acceptor"},   {cmd(4), hex("010402")},     {cmd(232), hex("00")},
            {cmd(213), hex("00")},         {cmd(248), hex("00")},       {cmd(249), hex("0214")},
            {cmd(216), hex("0000000000")}, {cmd(2), hex("000000")},     {cmd(3), QByteArray()},
            {cmd(247), hex("1001")},       {cmd(184, "01"), "EU010A"},  {cmd(184, "02"), "TK200C"},
            {cmd(184, "06"), "EU...B"},    {cmd(184, "07"), "......"}, // never programmed
            {cmd(209, "03"), hex("01")},   {cmd(209, "07"), hex("00")}, {cmd(225), hex("010000")},
        };
        for (const auto &c : cases) {
            QVERIFY2(f.send(c.command) == CcTalkLink::Ok, c.command.toHex().constData());
            QVERIFY2(ReplyFrame::isAck(f.reply), c.command.toHex().constData());
            QCOMPARE(ReplyFrame::data(f.reply), c.data);
        }
        // Channels outside 1..16 are refused; headers the selector does not know stay silent.
        for (const QByteArray &bad : {cmd(184, "00"), cmd(184, "11"), cmd(184), cmd(209, "0102")})
            QCOMPARE(f.ack(bad), 5);
        QCOMPARE(f.send(cmd(100), 20), quint8(CcTalkLink::Timeout));
        QCOMPARE(f.send(cmd(160), 20), quint8(CcTalkLink::Timeout));
        // The ROM checksum changes with a firmware load.
        const QByteArray rom = f.ask(cmd(197));
        f.sim->identity().softwareRevision = "1.21";
        QVERIFY(rom.size() == 4 && f.ask(cmd(197)) != rom);
        // Address clash: the address alone, unframed, within the 1.2 s window.
        QCOMPARE(f.send(cmd(252), 130), quint8(CcTalkLink::Timeout));
        QTRY_COMPARE_WITH_TIMEOUT(f.link.RxBuffer, hex("020001FC01") + hex("02"), 1300);
        // Address random: acknowledged from the old address, then answered at the new one.
        QCOMPARE(f.ack(cmd(250)), 0);
        QCOMPARE(f.ack(cmd(254), 5, f.sim->address()), 0);
    }

    void controlCommandsShortOutputsAndAimFaultsAtSubCodes()
    {
        SimFixture f;
        SimControl ctl(f.buses[u"SIMA"_s].get());
        const QList<QPair<QString, QString>> replies = {
            {u"output 3 shorted"_s, u"OK"_s},
            {u"output 8 shorted"_s, u"ERR usage: output 1..7 shorted|ok"_s},
            {u"output 3 broken"_s, u"ERR usage: output 1..7 shorted|ok"_s},
            {u"fault noreply header 255 sub 4"_s, u"OK"_s},
            {u"fault short header 229"_s, u"OK"_s},
            {u"fault noreply sub 300"_s, u"ERR sub is 0..255"_s},
        };
        for (const auto &r : replies)
            QCOMPARE(ctl.execute(r.first), r.second);
        QCOMPARE(int(f.sim->shortedOutputs()), 0x04);
        QCOMPARE(ctl.execute(u"output 3 ok"_s), u"OK"_s);
        QCOMPARE(int(f.sim->shortedOutputs()), 0);
        // A fault aimed at one sub-code spares the others and is spent once it hit.
        QCOMPARE(f.ask(cmd(255, "08")).size(), 4);
        QCOMPARE(f.ack(cmd(255, "05")), 0);
        QCOMPARE(f.send(cmd(255, "04"), 20), quint8(CcTalkLink::Timeout));
        QCOMPARE(f.ask(cmd(255, "04")).size(), 11);
        // A short reply keeps a valid frame one data byte shorter.
        QCOMPARE(f.ask(cmd(229)).size(), 10);
    }

    // What a script on the control socket sees and shapes: coins meeting master inhibit or
    // returned, the outputs the host drove, faults by count, skip and delay, the monitor's
    // answer to records, and memory written but not yet committed.
    void controlLinesShapeFaultsAndReportWhatTheHostDrove()
    {
        SimFixture f;
        SimControl ctl(f.buses[u"SIMA"_s].get());
        QCOMPARE(ctl.execute(u"coin 1"_s), u"OK inhibited"_s); // master inhibit is on after a reset
        QCOMPARE(ctl.execute(u"return 0x10 20 30 40 50 60"_s), u"OK returned"_s);
        QCOMPARE(ctl.execute(u"outputs"_s), u"OK solenoid=-- latch=-- pulse=-- counts=0,0,0"_s);
        for (const QByteArray &drive : {cmd(240, "03"), cmd(233, "0A"), cmd(233, "00"), cmd(238, "40")})
            QCOMPARE(f.ack(drive), 0);
        QCOMPARE(ctl.execute(u"outputs"_s), u"OK solenoid=03 latch=00 pulse=40 counts=1,2,1"_s);

        QCOMPARE(ctl.execute(u"fault nak header 254 count always"_s), u"OK"_s);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(f.ack(cmd(254)), 5);
        QCOMPARE(ctl.execute(u"clear-faults"_s), u"OK"_s);
        QCOMPARE(ctl.execute(u"fault nak header 254 skip 1 count 1"_s), u"OK"_s);
        QCOMPARE(f.ack(cmd(254)), 0);
        QCOMPARE(f.ack(cmd(254)), 5);
        QCOMPARE(f.ack(cmd(254)), 0);
        QCOMPARE(ctl.execute(u"fault late header 254 delay 200"_s), u"OK"_s);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(f.ack(cmd(254), 100), 0);
        QVERIFY(clock.elapsed() >= 200);

        // The monitor answers a record with the status given, until the program is back.
        QCOMPARE(ctl.execute(u"fault status status 7"_s), u"OK"_s);
        QCOMPARE(ctl.execute(u"monitor"_s), u"OK"_s);
        QVERIFY(ctl.execute(u"status"_s).contains(u"monitor=1"_s));
        QByteArray answer;
        QCOMPARE(f.link.RawExchange(hex("5539030000FC"), 1, 20, answer), quint8(CcTalkLink::RawOk));
        QCOMPARE(answer, QByteArray("7"));
        QCOMPARE(ctl.execute(u"leave-monitor"_s), u"OK"_s);
        QCOMPARE(f.ack(cmd(254)), 0);
        // The link counts its own bytes back off the wire before the reply.
        QCOMPARE(ctl.execute(u"echo off"_s), u"OK"_s);
        QCOMPARE(f.ack(cmd(254)), -1);
        QCOMPARE(ctl.execute(u"echo on"_s), u"OK"_s);

        QCOMPARE(f.ack(writeCmd(0x0600, hex("A5"))), 0);
        QCOMPARE(ctl.execute(u"dump 0x0600 1"_s), u"OK A5"_s);
        QVERIFY(ctl.execute(u"dump-nv 0600 1"_s) != u"OK A5"_s);
    }

    void damagedStateFileLeavesTheSelectorUntouched()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("state.txt"));
        const QList<QByteArray> damaged = {
            "address=9\nmemory.0600=00112233\n",                         // short memory line
            "address=9\nmemory.0840=00112233445566778899AABBCCDDEEFF\n", // outside memory
            "address=9\nmemory.0608=00112233445566778899AABBCCDDEEFF\n", // not on a 16-byte line
            "address=9\npin=12345\n",
            "address=9\ncolour=blue\n",
            "address=1\n",
            "address=9\ntype=RX300\n",
            "address=9\nno equals sign\n",
            "address=9\nserial=16777216\n",
        };
        for (const QByteArray &content : damaged) {
            QVERIFY(writeFileBytes(path, content));
            SelectorSim sim;
            const QByteArray before = sim.nvImage();
            QString error;
            QVERIFY2(!SimStateFile::load(path, sim, &error), content.constData());
            QVERIFY(error.contains(QLatin1String("state.txt:")));
            QCOMPARE(sim.address(), quint8(2));
            QCOMPARE(sim.nvImage(), before);
        }
        SelectorSim sim;
        QString error;
        QVERIFY(!SimStateFile::load(dir.filePath(QStringLiteral("missing")), sim, &error));
        QVERIFY(!error.isEmpty());
    }

    void controlRefusesMalformedCommands()
    {
        SimBus bus;
        bus.addSelector();
        SimControl control(&bus);
        // One line each, the first empty.
        const QString lines = QStringLiteral(
            "|coin 17|coin 1 2 3|coin 1 2 3 4 5 256|dip 3 00|dip 1 40|fault bogus|fault nak count|"
            "dump 083F 2|dump 05FF 1|dump 0600|analog 11 0|analog 0102|opto 1F2E|output 8 shorted|"
            "frobnicate|fault nak count 0|fault nak header 256|fault nak skip x|fault nak sub 256|"
            "fault nak delay 0|fault status status 33|fault nak colour 1|input 1 2|inputs XY|"
            "echo maybe|status now|dump-nv 0600 0|return 1 2 3|analog 1 256");
        for (const QString &line : lines.split(QLatin1Char('|')))
            QVERIFY2(control.execute(line).startsWith(QLatin1String("ERR")), qPrintable(line));
    }

    void statisticsCountCoinsAndClearOnSingleByteWrite()
    {
        SimFixture f;
        QCOMPARE(f.ack(cmd(231, "FFFF")), 0);
        f.sim->setMasterInhibit(false);
        f.sim->setMemory(0x0800, hex("00FFFE"));
        f.sim->insertCoin(1);
        f.sim->insertCoin(2);
        QCOMPARE(f.ask(readCmd(0x0800, 3)), hex("010000")); // high byte first, carried

        // The single byte 0x01 at a slot's start clears its counter; other writes store as given.
        QCOMPARE(f.ack(writeCmd(0x0800, hex("01"))), 0);
        const QByteArray counters = f.ask(readCmd(0x0800, 6));
        QCOMPARE(counters.left(3), hex("000000"));
        QVERIFY(counters.mid(3) != hex("000000"));
        QCOMPARE(f.ack(writeCmd(0x0801, hex("01"))), 0);
        QCOMPARE(f.ask(readCmd(0x0800, 3)), hex("000100"));
    }

    void erasedSelectorHasNoChannelsButOpenMasks()
    {
        SelectorSim erased(true);
        QCOMPARE(erased.memory(0x0600, 256), QByteArray(256, char(0xFF)));
        QCOMPARE(erased.masks(), hex("FFFFFFFF"));
        erased.setMasterInhibit(false);
        QCOMPARE(result(erased.insertCoin(1)), Rejected);
        QVERIFY(SelectorSim().memory(0x0600, 16) != QByteArray(16, char(0xFF))); // the default is programmed
    }
};

QTEST_GUILESS_MAIN(TestSelectorSim)
#include "test_selector_sim.moc"
