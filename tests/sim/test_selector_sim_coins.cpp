#include "SimFixture.h"

#include <QtTest>

// Coins, sensors, outputs, statistics and the boot monitor of the simulated selector,
// driven through the real link.
class TestSelectorSimCoins : public QObject
{
    Q_OBJECT

    static constexpr int Inhibited = int(SelectorSim::CoinResult::Inhibited);
    static constexpr int Rejected = int(SelectorSim::CoinResult::Rejected);
    static int result(SelectorSim::CoinOutcome o) { return int(o.result); }

    // A record frame: 0x55, type, count, address, data, S-record checksum.
    static QByteArray record(char type, const QByteArray &addressAndData)
    {
        const QByteArray body = QByteArray(1, char(addressAndData.size() + 1)) + addressAndData;
        unsigned sum = 0;
        for (char c : body)
            sum += quint8(c);
        return QByteArray(1, char(0x55)) + type + body + char(0xFF - (sum & 0xFF));
    }

private slots:
    void coinsLeaveCountsMeasurementsAndEventsNewestFirst()
    {
        SimFixture f;
        QCOMPARE(f.ack(cmd(231, "FBFF")), 0); // channel 3 off
        QCOMPARE(f.ask(cmd(230)), hex("FBFF"));
        QByteArray rec = f.sim->memory(0x0610, 16); // channel 2 flagged as counterfeit
        rec[12] = char(quint8(rec.at(12)) | 0x02);
        f.sim->setMemory(0x0610, rec);
        QCOMPARE(result(f.sim->insertCoin(1)), Inhibited); // master inhibit: even a known coin
        QCOMPARE(f.ack(cmd(228, "01")), 0);
        QCOMPARE(result(f.sim->insertCoin(3)), Inhibited);
        QCOMPARE(result(f.sim->insertCoin(hex("000000000000"))), Rejected);
        QCOMPARE(result(f.sim->insertCoin(2)), Rejected);
        QCOMPARE(f.sim->insertCoin(5).channel, 5);
        // A coin a little off centre but inside channel 1's windows.
        QByteArray near = f.sim->memory(0x0600, 6);
        near[0] = char(quint8(near.at(0)) + 3);
        QCOMPARE(f.sim->insertCoin(near).channel, 1);

        // Six events, five kept: credits with their sorter paths, then reject and inhibit codes.
        auto path = [&](int channel) { return f.sim->memory(0x0600 + 16 * (channel - 1) + 13, 1); };
        QCOMPARE(f.ask(cmd(229)), QByteArray("\6\1") + path(1) + "\5" + path(5) + hex("000100010002"));
        QCOMPARE(f.ask(cmd(226)), hex("060000"));
        QCOMPARE(f.ask(cmd(255, "05")), near);

        // A reset empties the event buffer and brings the master inhibit back.
        QCOMPARE(f.ack(cmd(1)), 0);
        QCOMPARE(f.ask(cmd(229)), QByteArray(11, char(0)));
        QCOMPARE(f.ack(cmd(231, "FFFF")), 0);
        QCOMPARE(result(f.sim->insertCoin(5)), Inhibited);
        // The insertion counter has three bytes, least significant first.
        for (int i = 0; i < 300; ++i)
            f.sim->insertCoin(near);
        QCOMPARE(f.ask(cmd(226)), hex("330100"));
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

    void sensorsAndOutputCommandsAreVisibleBothWays()
    {
        SimFixture f;
        f.sim->setInputs(hex("A5C3"));
        f.sim->setOptoStates(0x15);
        f.sim->setAnalogByte(9, 168);
        QCOMPARE(f.ask(cmd(237)), hex("A5C3"));
        QCOMPARE(f.ask(cmd(236)), hex("15"));
        const QByteArray analog = f.ask(cmd(255, "04"));
        QCOMPARE(analog.size(), 11);
        QCOMPARE(quint8(analog.at(9)), quint8(168));

        QCOMPARE(f.ack(cmd(240, "04")), 0);
        QCOMPARE(f.ack(cmd(233, "41")), 0);
        QCOMPARE(f.ack(cmd(238, "02")), 0);
        const auto &out = f.sim->outputs();
        QCOMPARE(QList<int>({out.solenoidMask, out.latchedOutputs, out.pulsedOutputs}),
                 QList<int>({4, 0x41, 2}));
        // A command without its mask byte is refused and not recorded.
        QCOMPARE(f.ack(cmd(233)), 5);
        QCOMPARE(out.latchCount, 1);
    }

    void monitorNeedsItsPermissionChecksRecordsAndLeavesOnTheEndRecord()
    {
        SimFixture f;
        f.sim->setMasks(hex("FFBFFFFF")); // factory write mask without 0x40
        QCOMPARE(f.ack(cmd(255, "06")), 5);
        f.sim->setMasks(hex("FFFFFFBF")); // PIN write mask without 0x40
        QCOMPARE(f.ack(cmd(255, "06")), 5);
        QVERIFY(!f.sim->inMonitor());
        f.sim->identity().softwareRevision = "2.09";
        int persisted = 0;
        f.sim->setPersistHook([&] { ++persisted; });
        QCOMPARE(f.ack(cmd(218, "00000000")), 0);
        QCOMPARE(f.ack(cmd(255, "06")), 0);
        QCOMPARE(f.send(cmd(254), 10), quint8(CcTalkLink::Timeout)); // ccTalk goes unanswered
        QByteArray reply;
        QCOMPARE(f.link->RawExchange("V", 9, 50, reply), quint8(CcTalkLink::RawOk));
        QCOMPARE(reply.left(4), QByteArray("RX30"));

        // Records and the status digit each gets: header, data, bad checksum, unknown type.
        QByteArray bad = record('1', hex("1004CAFE"));
        bad[bad.size() - 1] = char(quint8(bad.back()) ^ 0x10);
        const QList<QPair<QByteArray, QByteArray>> records = {
            {record('0', f.sim->monitorIdentity().prepend(QByteArray(2, 0))), "0"},
            {record('1', hex("1000DEADBEEF")), "0"},
            {bad, "3"},
            {record('4', hex("1004CAFE")), "1"},
        };
        for (const auto &r : records) {
            QCOMPARE(f.link->RawExchange(r.first, 1, 300, reply), quint8(CcTalkLink::RawOk));
            QCOMPARE(reply, r.second);
        }
        QCOMPARE(f.sim->recordsAccepted(), 2);

        // An injected status hits records only for its count; a ccTalk fault leaves them alone.
        f.sim->injectFault({SelectorSim::FaultKind::Nak, 1, 254, '3'});
        f.sim->injectFault({SelectorSim::FaultKind::MonitorStatus, 2, -1, '7'});
        for (const char *expected : {"7", "7", "0"}) {
            QCOMPARE(f.link->RawExchange(records.at(1).first, 1, 20, reply), quint8(CcTalkLink::RawOk));
            QCOMPARE(reply, QByteArray(expected));
        }
        QVERIFY(f.sim->inMonitor());

        QCOMPARE(f.link->RawExchange(record('9', hex("0000")), 1, 20, reply), quint8(CcTalkLink::RawOk));
        QCOMPARE(reply, QByteArray("0"));
        QVERIFY(!f.sim->inMonitor());
        QCOMPARE(persisted, 1);
        QCOMPARE(f.ask(cmd(241)), QByteArray("2.10"));
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

QTEST_GUILESS_MAIN(TestSelectorSimCoins)
#include "test_selector_sim_coins.moc"
