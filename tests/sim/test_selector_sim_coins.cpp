#include "SimFixture.h"

#include <QtTest>

// Coins, sensors, outputs, statistics and the boot monitor of the simulated selector,
// driven through the real link.
class TestSelectorSimCoins : public QObject
{
    Q_OBJECT

private slots:
    void coinUnderMasterInhibitIsCountedMeasuredAndReturned();
    void enabledCoinsProduceCreditEventsNewestFirst();
    void inhibitedChannelsAndUnknownCoinsAreRejected();
    void statisticsCountCoinsAndClearOnSingleByteWrite();
    void sensorsAndOutputCommandsAreVisibleBothWays();
    void monitorEntryNeedsThePermissionBit();
    void monitorAnswersIdentityOnlyAtItsRate();
    void monitorChecksRecordsAndLeavesOnTheEndRecord();
    void monitorStatusCanBeInjected();
    void erasedSelectorHasNoChannelsButOpenMasks();

private:
    static quint8 srecordChecksum(const QByteArray &body)
    {
        unsigned sum = 0;
        for (char c : body)
            sum += quint8(c);
        return quint8(0xFF - (sum & 0xFF));
    }
    // A record frame: 0x55, type, count, address, data, S-record checksum.
    static QByteArray record(char type, const QByteArray &addressAndData)
    {
        QByteArray body = QByteArray(1, char(addressAndData.size() + 1)) + addressAndData;
        return QByteArray(1, char(0x55)) + type + body + char(srecordChecksum(body));
    }
    static void enableCoins(SimFixture &f)
    {
        QByteArray reply;
        QCOMPARE(f.send(SimFixture::cmd(231, SimFixture::bytes("FFFF")), reply), quint8(0));
        QCOMPARE(f.send(SimFixture::cmd(228, SimFixture::bytes("01")), reply), quint8(0));
    }
};

void TestSelectorSimCoins::coinUnderMasterInhibitIsCountedMeasuredAndReturned()
{
    SimFixture f;
    QByteArray reply;
    QCOMPARE(f.send(SimFixture::cmd(228, SimFixture::bytes("00")), reply), quint8(0));
    QCOMPARE(f.send(SimFixture::cmd(226), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), SimFixture::bytes("000000"));
    const QByteArray values = SimFixture::bytes("0A141E28323C");
    QCOMPARE(int(f.sim->insertCoin(values).result), int(SelectorSim::CoinResult::Inhibited));
    QCOMPARE(f.sim->insertCoin(1).channel, 0); // a known coin is returned too
    QCOMPARE(f.send(SimFixture::cmd(226), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), SimFixture::bytes("020000"));
    QCOMPARE(f.send(SimFixture::cmd(255, SimFixture::bytes("05")), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), f.sim->memory(0x0600, 6));
    QCOMPARE(f.send(SimFixture::cmd(229), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply).size(), 11);
    QCOMPARE(quint8(SimFixture::data(reply).at(1)), quint8(0)); // no credit

    // The counter has three bytes, least significant first, and wraps at 2^24.
    for (int i = 0; i < 300; ++i)
        f.sim->insertCoin(values);
    QCOMPARE(f.send(SimFixture::cmd(226), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), SimFixture::bytes("2E0100"));
}

void TestSelectorSimCoins::enabledCoinsProduceCreditEventsNewestFirst()
{
    SimFixture f;
    enableCoins(f);
    QCOMPARE(f.sim->insertCoin(3).channel, 3);
    QCOMPARE(f.sim->insertCoin(5).channel, 5);
    // A coin a little off centre but inside channel 1's windows.
    QByteArray near = f.sim->memory(0x0600, 6);
    near[0] = char(quint8(near.at(0)) + 3);
    QCOMPARE(f.sim->insertCoin(near).channel, 1);
    QByteArray reply;
    QCOMPARE(f.send(SimFixture::cmd(229), reply), quint8(0));
    const QByteArray d = SimFixture::data(reply);
    QCOMPARE(quint8(d.at(0)), quint8(3));
    const quint8 path1 = quint8(f.sim->memory(0x0600 + 13, 1).at(0));
    const quint8 path5 = quint8(f.sim->memory(0x0640 + 13, 1).at(0));
    const quint8 path3 = quint8(f.sim->memory(0x0620 + 13, 1).at(0));
    QCOMPARE(d.mid(1, 6),
             QByteArray() + char(1) + char(path1) + char(5) + char(path5) + char(3) + char(path3));

    // A reset empties the event buffer and brings the master inhibit back.
    QCOMPARE(f.send(SimFixture::cmd(1), reply, 20), quint8(0));
    QCOMPARE(f.send(SimFixture::cmd(229), reply), quint8(0));
    QCOMPARE(quint8(SimFixture::data(reply).at(0)), quint8(0));
    QCOMPARE(int(f.sim->insertCoin(3).result), int(SelectorSim::CoinResult::Inhibited));
}

void TestSelectorSimCoins::inhibitedChannelsAndUnknownCoinsAreRejected()
{
    SimFixture f;
    QByteArray reply;
    QCOMPARE(f.send(SimFixture::cmd(231, SimFixture::bytes("FBFF")), reply), quint8(0)); // channel 3 off
    QCOMPARE(f.send(SimFixture::cmd(230), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), SimFixture::bytes("FBFF"));
    QCOMPARE(f.send(SimFixture::cmd(228, SimFixture::bytes("01")), reply), quint8(0));
    QCOMPARE(int(f.sim->insertCoin(3).result), int(SelectorSim::CoinResult::Inhibited));
    QCOMPARE(int(f.sim->insertCoin(SimFixture::bytes("000000000000")).result),
             int(SelectorSim::CoinResult::Rejected));
    // A channel flagged as counterfeit rejects its own coin.
    QByteArray rec = f.sim->memory(0x0610, 16);
    rec[12] = char(quint8(rec.at(12)) | 0x02);
    f.sim->setMemory(0x0610, rec);
    QCOMPARE(int(f.sim->insertCoin(2).result), int(SelectorSim::CoinResult::Rejected));
    QCOMPARE(f.send(SimFixture::cmd(229), reply), quint8(0));
    const QByteArray d = SimFixture::data(reply);
    QCOMPARE(quint8(d.at(0)), quint8(3));
    QCOMPARE(quint8(d.at(1)), quint8(0));
    QCOMPARE(quint8(d.at(3)), quint8(0));
    QCOMPARE(quint8(d.at(5)), quint8(0));
    QVERIFY(d.at(2) != 0 && d.at(4) != 0 && d.at(6) != 0); // error codes
}

void TestSelectorSimCoins::statisticsCountCoinsAndClearOnSingleByteWrite()
{
    SimFixture f;
    enableCoins(f);
    QByteArray reply;
    QCOMPARE(f.readMem(0x0800, 3, reply), quint8(0));
    const QByteArray before = SimFixture::data(reply);
    const quint32 accepted =
        (quint8(before.at(0)) << 16) | (quint8(before.at(1)) << 8) | quint8(before.at(2));
    f.sim->insertCoin(1);
    f.sim->insertCoin(2);
    QCOMPARE(f.readMem(0x0800, 3, reply), quint8(0));
    const QByteArray after = SimFixture::data(reply);
    QCOMPARE((quint8(after.at(0)) << 16) | (quint8(after.at(1)) << 8) | quint8(after.at(2)),
             int(accepted + 2));

    // The single byte 0x01 at a slot's start clears its counter; other writes store as given.
    QCOMPARE(f.writeMem(0x0800, SimFixture::bytes("01"), reply), quint8(0));
    QCOMPARE(f.readMem(0x0800, 6, reply), quint8(0));
    QCOMPARE(SimFixture::data(reply).left(3), SimFixture::bytes("000000"));
    QVERIFY(SimFixture::data(reply).mid(3) != SimFixture::bytes("000000"));
    QCOMPARE(f.writeMem(0x0801, SimFixture::bytes("01"), reply), quint8(0));
    QCOMPARE(f.readMem(0x0800, 3, reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), SimFixture::bytes("000100"));
}

void TestSelectorSimCoins::sensorsAndOutputCommandsAreVisibleBothWays()
{
    SimFixture f;
    QByteArray reply;
    f.sim->setInputs(SimFixture::bytes("A5C3"));
    f.sim->setOptoStates(0x15);
    f.sim->setAnalogByte(9, 168);
    QCOMPARE(f.send(SimFixture::cmd(237), reply, 20), quint8(0));
    QCOMPARE(SimFixture::data(reply), SimFixture::bytes("A5C3"));
    QCOMPARE(f.send(SimFixture::cmd(236), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), SimFixture::bytes("15"));
    QCOMPARE(f.send(SimFixture::cmd(255, SimFixture::bytes("04")), reply, 20), quint8(0));
    QCOMPARE(SimFixture::data(reply).size(), 11);
    QCOMPARE(quint8(SimFixture::data(reply).at(9)), quint8(168));

    QCOMPARE(f.send(SimFixture::cmd(240, SimFixture::bytes("04")), reply), quint8(0));
    QCOMPARE(f.send(SimFixture::cmd(233, SimFixture::bytes("41")), reply), quint8(0));
    QCOMPARE(f.send(SimFixture::cmd(238, SimFixture::bytes("02")), reply), quint8(0));
    QCOMPARE(f.sim->outputs().solenoidMask, 4);
    QCOMPARE(f.sim->outputs().latchedOutputs, 0x41);
    QCOMPARE(f.sim->outputs().pulsedOutputs, 2);
    QCOMPARE(f.sim->outputs().latchCount, 1);
    // A command without its mask byte is refused and not recorded.
    QCOMPARE(f.send(SimFixture::cmd(233), reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    QCOMPARE(f.sim->outputs().latchCount, 1);
}

void TestSelectorSimCoins::monitorEntryNeedsThePermissionBit()
{
    SimFixture f;
    QByteArray reply;
    f.sim->setMasks(SimFixture::bytes("FFBFFFFF")); // factory write mask without 0x40
    QCOMPARE(f.send(SimFixture::cmd(255, SimFixture::bytes("06")), reply, 20), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    QVERIFY(!f.sim->inMonitor());
    f.sim->setMasks(SimFixture::bytes("FFFFFFBF")); // PIN write mask without 0x40
    QCOMPARE(f.send(SimFixture::cmd(255, SimFixture::bytes("06")), reply, 20), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    QCOMPARE(f.send(SimFixture::cmd(218, SimFixture::bytes("00000000")), reply), quint8(0));
    QCOMPARE(f.send(SimFixture::cmd(255, SimFixture::bytes("06")), reply, 20), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);
    QVERIFY(f.sim->inMonitor());
    // In the monitor ccTalk frames go unanswered.
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 10), quint8(CcTalkLink::Timeout));
}

void TestSelectorSimCoins::monitorAnswersIdentityOnlyAtItsRate()
{
    SimFixture f;
    f.sim->setMonitorBaud(38400);
    f.sim->identity().monitorIdentity = SimFixture::bytes("52583330010203040A");
    f.sim->enterMonitor();
    QByteArray reply;
    QCOMPARE(f.link->RawExchange("V", 9, 10, reply), quint8(CcTalkLink::RawTimeout));
    QCOMPARE(reply, QByteArray("6"));
    f.link->SetBaud(38400);
    QCOMPARE(f.link->RawExchange("V", 9, 10, reply), quint8(CcTalkLink::RawOk));
    QCOMPARE(reply, SimFixture::bytes("52583330010203040A"));
    QCOMPARE(reply.left(4), QByteArray("RX30"));
}

void TestSelectorSimCoins::monitorChecksRecordsAndLeavesOnTheEndRecord()
{
    SimFixture f;
    f.sim->identity().softwareRevision = "2.09";
    int persisted = 0;
    f.sim->setPersistHook([&] { ++persisted; });
    QByteArray reply;
    QCOMPARE(f.send(SimFixture::cmd(255, SimFixture::bytes("06")), reply, 20), quint8(0));
    QVERIFY(f.sim->inMonitor());
    QCOMPARE(f.link->RawExchange("V", 9, 50, reply), quint8(0));
    QCOMPARE(reply.left(4), QByteArray("RX30"));

    QCOMPARE(
        f.link->RawExchange(record('0', f.sim->monitorIdentity().prepend(QByteArray(2, 0))), 1, 300, reply),
        quint8(0));
    QCOMPARE(reply, QByteArray("0"));
    QCOMPARE(f.link->RawExchange(record('1', SimFixture::bytes("1000DEADBEEF")), 1, 20, reply), quint8(0));
    QCOMPARE(reply, QByteArray("0"));
    QByteArray bad = record('1', SimFixture::bytes("1004CAFE"));
    bad[bad.size() - 1] = char(quint8(bad.back()) ^ 0x10);
    QCOMPARE(f.link->RawExchange(bad, 1, 20, reply), quint8(0));
    QCOMPARE(reply, QByteArray("3"));
    QCOMPARE(f.link->RawExchange(record('4', SimFixture::bytes("1004CAFE")), 1, 20, reply), quint8(0));
    QCOMPARE(reply, QByteArray("1"));
    QCOMPARE(f.sim->recordsAccepted(), 2);
    QVERIFY(f.sim->inMonitor());

    QCOMPARE(f.link->RawExchange(record('9', SimFixture::bytes("0000")), 1, 20, reply), quint8(0));
    QCOMPARE(reply, QByteArray("0"));
    QVERIFY(!f.sim->inMonitor());
    QCOMPARE(persisted, 1);
    QCOMPARE(f.send(SimFixture::cmd(241), reply, 10), quint8(0));
    QCOMPARE(SimFixture::data(reply), QByteArray("2.10"));
}

void TestSelectorSimCoins::monitorStatusCanBeInjected()
{
    SimFixture f;
    f.sim->enterMonitor();
    f.sim->injectFault({SelectorSim::FaultKind::MonitorStatus, 2, -1, '3'});
    QByteArray reply;
    const QByteArray rec = record('1', SimFixture::bytes("2000010203"));
    QCOMPARE(f.link->RawExchange(rec, 1, 20, reply), quint8(0));
    QCOMPARE(reply, QByteArray("3"));
    QCOMPARE(f.link->RawExchange(rec, 1, 20, reply), quint8(0));
    QCOMPARE(reply, QByteArray("3"));
    QCOMPARE(f.link->RawExchange(rec, 1, 20, reply), quint8(0));
    QCOMPARE(reply, QByteArray("0"));
    // A fault for ccTalk frames does not touch the monitor's status digits.
    f.sim->injectFault({SelectorSim::FaultKind::Nak, 1, 254, '3'});
    QCOMPARE(f.link->RawExchange(rec, 1, 20, reply), quint8(0));
    QCOMPARE(reply, QByteArray("0"));
}

void TestSelectorSimCoins::erasedSelectorHasNoChannelsButOpenMasks()
{
    SelectorSim erased(true);
    QCOMPARE(erased.memory(0x0600, 256), QByteArray(256, char(0xFF)));
    QCOMPARE(erased.masks(), SimFixture::bytes("FFFFFFFF"));
    erased.setMasterInhibit(false);
    QCOMPARE(int(erased.insertCoin(1).result), int(SelectorSim::CoinResult::Rejected));
    // The default selector is programmed: channels, configuration and country codes.
    SelectorSim normal;
    QVERIFY(normal.memory(0x0600, 16) != QByteArray(16, char(0xFF)));
    QCOMPARE(normal.memory(0x07B2, 8), QByteArray("EUTKHRIT"));
    QCOMPARE(normal.memory(0x0700, 8), SimFixture::bytes("050001FF00000A0A"));
}

QTEST_GUILESS_MAIN(TestSelectorSimCoins)
#include "test_selector_sim_coins.moc"
