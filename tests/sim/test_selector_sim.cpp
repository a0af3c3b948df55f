#include "SimFixture.h"

#include <QElapsedTimer>
#include <QtTest>

// The simulated selector as the host sees it through the real link: framing, echo,
// addressing, identity, memory with protection, collisions, faults and resynchronisation.
class TestSelectorSim : public QObject
{
    Q_OBJECT

private slots:
    void simplePollIsAcknowledgedBehindTheEcho();
    void echoCanBeSwitchedOffAndBytesNeverArriveInsideWrite();
    void framesForOtherAddressesAndCorruptFramesAreIgnored();
    void identityRequestsReturnTheSettableIdentity();
    void addressPollAnswersOneUnframedByteAndAddressChangeMovesTheSelector();
    void memoryWritesNeedCommitToSurviveReset();
    void readsOutsideMemoryAreRefused();
    void pinLevelGuardsRegionsUntilTheRightPinIsEntered();
    void pinChangeNeedsTheCurrentPinFirst();
    void factoryLevelUnlocksOnlyWithTheRightResponse();
    void selectorsAtTheSameAddressMergeButAddressPollYieldsTwoBytes();
    void selectorsAtDifferentAddressesGarbleBroadcastReplies();
    void selectorAnswersOnlyAtItsOwnBaudRate();
    void injectedFaultsHitTheChosenRepliesOnly();
    void unpluggedSelectorIsSilentUntilPluggedAgain();
    void garbageAndOversizedFramesAreForgottenAfterSilence();
    void pacingTakesTenBitTimesPerByte();
    void everyAnswerToRandomFramesIsWellFormed();
};

void TestSelectorSim::simplePollIsAcknowledgedBehindTheEcho()
{
    SimFixture f;
    QByteArray reply;
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(CcTalkLink::Ok));
    QCOMPARE(reply, SimFixture::bytes("01000200FD"));
    QCOMPARE(f.link->RxBuffer, SimFixture::bytes("020001FEFF01000200FD"));
    // Broadcast is answered too.
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5, 0), quint8(CcTalkLink::Ok));
}

void TestSelectorSim::echoCanBeSwitchedOffAndBytesNeverArriveInsideWrite()
{
    SimFixture f;
    f.link->RxBuffer.clear();
    f.link->port()->write(SimFixture::bytes("020001FEFF"));
    QCOMPARE(f.link->port()->bytesAvailable(), qint64(0));
    QVERIFY(f.link->RxBuffer.isEmpty());
    QTRY_COMPARE(f.link->RxBuffer.size(), 10);

    f.bus->setEcho(false);
    QByteArray reply;
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.link->RxBuffer, SimFixture::bytes("01000200FD"));
}

void TestSelectorSim::framesForOtherAddressesAndCorruptFramesAreIgnored()
{
    SimFixture f;
    QByteArray reply;
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5, 3), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.link->RxBuffer.size(), 5); // only the echo
    f.link->RxBuffer.clear();
    f.link->port()->write(SimFixture::bytes("020001FEFE")); // wrong checksum
    CcTalkLink::PumpDelay(60);
    QCOMPARE(f.link->RxBuffer.size(), 5);
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(CcTalkLink::Ok));
}

void TestSelectorSim::identityRequestsReturnTheSettableIdentity()
{
    SimFixture f;
    f.sim->identity().manufacturer = "Othermak";
    f.sim->identity().deviceType = "RX20";
    f.sim->identity().serialNumber = 0x123456;
    f.sim->identity().creationDate = 0x0A6F;
    f.sim->identity().baseYear = "2000";
    f.sim->identity().databaseVersion = 3;
    QByteArray reply;
    QCOMPARE(f.send(SimFixture::cmd(246), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), QByteArray("Othermak"));
    QCOMPARE(f.send(SimFixture::cmd(255, SimFixture::bytes("08")), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), QByteArray("RX20"));
    QCOMPARE(f.send(SimFixture::cmd(242), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), SimFixture::bytes("563412"));
    QCOMPARE(f.send(SimFixture::cmd(196), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), SimFixture::bytes("0A6F"));
    QCOMPARE(f.link->DateCodeToText(0x0A6F), QStringLiteral("2005/3/15"));
    QCOMPARE(f.send(SimFixture::cmd(243), reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), SimFixture::bytes("03"));
    // The masks are readable before any unlock, whatever they protect.
    f.sim->setMasks(SimFixture::bytes("00000000"));
    QCOMPARE(f.readMem(0x0774, 4, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);
    QCOMPARE(SimFixture::data(reply), SimFixture::bytes("00000000"));
}

void TestSelectorSim::addressPollAnswersOneUnframedByteAndAddressChangeMovesTheSelector()
{
    SimFixture f;
    f.sim->setAddress(7);
    QByteArray reply;
    QElapsedTimer t;
    t.start();
    QCOMPARE(f.send(SimFixture::cmd(253), reply, 120, 0), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.link->RxBuffer, SimFixture::bytes("000001FD0207"));
    QVERIFY(t.elapsed() >= 28); // 4 ms per address step
    QCOMPARE(f.send(SimFixture::cmd(251, SimFixture::bytes("FE")), reply, 5, 7), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);
    QCOMPARE(quint8(reply.at(2)), quint8(7)); // acknowledged from the old address
    QCOMPARE(f.sim->address(), quint8(254));
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5, 7), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5, 254), quint8(0));
    // Addresses 0 and 1 are the broadcast and the host: refused.
    QCOMPARE(f.send(SimFixture::cmd(251, SimFixture::bytes("01")), reply, 5, 254), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    QCOMPARE(f.sim->address(), quint8(254));
}

void TestSelectorSim::memoryWritesNeedCommitToSurviveReset()
{
    SimFixture f;
    QByteArray reply;
    const QByteArray record = SimFixture::bytes("0102030405060708090A0B0C0D0E0F10");
    QCOMPARE(f.writeMem(0x06F0, record, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);
    QCOMPARE(f.readMem(0x06F0, 16, reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), record);
    QCOMPARE(f.send(SimFixture::cmd(1), reply, 20), quint8(0));
    QCOMPARE(f.readMem(0x06F0, 16, reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), QByteArray(16, char(0xFF)));

    QCOMPARE(f.writeMem(0x06F0, record, reply), quint8(0));
    QCOMPARE(f.send(SimFixture::cmd(255, SimFixture::bytes("03")), reply, 8), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);
    QCOMPARE(f.send(SimFixture::cmd(1), reply, 20), quint8(0));
    QCOMPARE(f.readMem(0x06F0, 16, reply), quint8(0));
    QCOMPARE(SimFixture::data(reply), record);
    QCOMPARE(f.sim->nvMemory(0x06F0, 16), record);
}

void TestSelectorSim::readsOutsideMemoryAreRefused()
{
    SimFixture f;
    QByteArray reply;
    QCOMPARE(f.readMem(0x05FF, 2, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    QCOMPARE(f.readMem(0x0830, 0x20, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    QCOMPARE(f.writeMem(0x0840, SimFixture::bytes("00"), reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    QCOMPARE(f.readMem(0x0600, 0, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    // The whole memory in one read is fine.
    QCOMPARE(f.readMem(0x0800, 64, reply), quint8(0));
    QCOMPARE(SimFixture::data(reply).size(), 64);
}

void TestSelectorSim::pinLevelGuardsRegionsUntilTheRightPinIsEntered()
{
    SimFixture f;
    f.sim->setMasks(SimFixture::bytes("FFFFFEFE")); // channels need the PIN
    f.sim->setPin(SimFixture::bytes("12345678"));
    QByteArray reply;
    QCOMPARE(f.readMem(0x0600, 16, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    QCOMPARE(f.readMem(0x0700, 8, reply), quint8(0)); // other regions stay open
    QCOMPARE(SimFixture::header(reply), 0);
    QCOMPARE(f.readMem(0x06F8, 16, reply), quint8(0)); // a read that touches channels
    QCOMPARE(SimFixture::header(reply), 5);

    QCOMPARE(f.send(SimFixture::cmd(218, SimFixture::bytes("00000000")), reply, 6), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    QCOMPARE(f.send(SimFixture::cmd(218, SimFixture::bytes("12345678")), reply, 6), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);
    QCOMPARE(f.readMem(0x0600, 16, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);
    QCOMPARE(f.writeMem(0x0600, QByteArray(16, char(0x11)), reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);

    // A reset drops the unlocked level; a wrong PIN drops it as well.
    QCOMPARE(f.send(SimFixture::cmd(1), reply, 20), quint8(0));
    QCOMPARE(f.readMem(0x0600, 16, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    f.send(SimFixture::cmd(218, SimFixture::bytes("12345678")), reply, 6);
    f.send(SimFixture::cmd(218, SimFixture::bytes("12345679")), reply, 6);
    QCOMPARE(f.readMem(0x0600, 16, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
}

void TestSelectorSim::pinChangeNeedsTheCurrentPinFirst()
{
    SimFixture f;
    int persisted = 0;
    f.sim->setPersistHook([&] { ++persisted; });
    QByteArray reply;
    QCOMPARE(f.send(SimFixture::cmd(219, SimFixture::bytes("CAFEBABE")), reply, 5), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    QCOMPARE(f.send(SimFixture::cmd(218, SimFixture::bytes("11111111")), reply, 5), quint8(0));
    QCOMPARE(f.send(SimFixture::cmd(219, SimFixture::bytes("CAFEBABE")), reply, 5), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
    QCOMPARE(persisted, 0);
    QCOMPARE(f.send(SimFixture::cmd(218, SimFixture::bytes("00000000")), reply, 5), quint8(0));
    QCOMPARE(f.send(SimFixture::cmd(219, SimFixture::bytes("CAFEBABE")), reply, 5), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);
    QCOMPARE(f.sim->pin(), SimFixture::bytes("CAFEBABE"));
    QCOMPARE(persisted, 1);
    QCOMPARE(f.send(SimFixture::cmd(218, SimFixture::bytes("00000000")), reply, 5), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
}

void TestSelectorSim::factoryLevelUnlocksOnlyWithTheRightResponse()
{
    SimFixture f;
    // Modes and factory data need the factory level; channels and modes need the PIN too.
    f.sim->setMasks(SimFixture::bytes("FBFBFAFA"));
    const QByteArray password = SimFixture::bytes("0123456789AB");
    f.sim->setFactoryPassword(password);
    QByteArray reply;
    QCOMPARE(f.readMem(0x0740, 8, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);

    QCOMPARE(f.send(SimFixture::cmd(255, SimFixture::bytes("00")), reply), quint8(0));
    QByteArray challenge = SimFixture::data(reply);
    QCOMPARE(challenge.size(), 6);
    QByteArray wrong = SelectorSim::responseFor(challenge, SimFixture::bytes("0123456789AC"));
    QCOMPARE(f.send(SimFixture::cmd(255, QByteArray(1, char(1)) + wrong), reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);

    QCOMPARE(f.send(SimFixture::cmd(255, SimFixture::bytes("00")), reply), quint8(0));
    const QByteArray challenge2 = SimFixture::data(reply);
    QVERIFY(challenge2 != challenge); // a fresh challenge each time
    // The response computed by hand for this challenge with the formula of the protocol.
    auto sw = [](quint8 x) { return quint8((x << 4) | (x >> 4)); };
    auto c = [&](int i) { return quint8(challenge2.at(i)); };
    auto p = [&](int i) { return quint8(password.at(i)); };
    QByteArray r;
    r += char(sw(c(3)) ^ p(3));
    r += char(sw(quint8(sw(c(4)) ^ p(4))));
    r += char(sw(quint8(quint8(~c(0)) ^ p(0))));
    r += char(sw(quint8(c(5) ^ p(5))));
    r += char(quint8(~(sw(c(2)) ^ p(2))));
    r += char(quint8(~(c(1) ^ p(1))));
    QCOMPARE(f.send(SimFixture::cmd(255, QByteArray(1, char(1)) + r), reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);
    QCOMPARE(f.readMem(0x0740, 8, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);
    // The factory level stands above the PIN level: no PIN needed any more.
    QCOMPARE(f.readMem(0x0600, 16, reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 0);
    // A replayed response without a new challenge is refused.
    QCOMPARE(f.send(SimFixture::cmd(255, QByteArray(1, char(1)) + r), reply), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);
}

void TestSelectorSim::selectorsAtTheSameAddressMergeButAddressPollYieldsTwoBytes()
{
    SimFixture f;
    f.bus->addSelector();
    QByteArray reply;
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5, 0), quint8(0));
    QCOMPARE(reply, SimFixture::bytes("01000200FD"));
    QCOMPARE(f.send(SimFixture::cmd(253), reply, 120, 0), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.link->RxBuffer.size(), 7);
    QCOMPARE(f.link->RxBuffer.right(2), SimFixture::bytes("0202"));
}

void TestSelectorSim::selectorsAtDifferentAddressesGarbleBroadcastReplies()
{
    SimFixture f;
    f.bus->addSelector()->setAddress(3);
    QByteArray reply;
    // 01 00 02 00 FD AND 01 00 03 00 FC = 01 00 02 00 FC: a frame with a wrong checksum.
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5, 0), quint8(CcTalkLink::ChecksumError));
    QCOMPARE(f.link->RxBuffer.mid(5), SimFixture::bytes("01000200FC"));
    QCOMPARE(f.send(SimFixture::cmd(253), reply, 120, 0), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.link->RxBuffer.right(2), SimFixture::bytes("0203"));
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5, 3), quint8(0));
    QCOMPARE(quint8(reply.at(2)), quint8(3));
}

void TestSelectorSim::selectorAnswersOnlyAtItsOwnBaudRate()
{
    SimFixture f;
    QByteArray reply;
    f.link->SetBaud(19200);
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.link->RxBuffer.size(), 5); // the wire still echoes
    f.link->SetBaud(9600);
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(0));
}

void TestSelectorSim::injectedFaultsHitTheChosenRepliesOnly()
{
    SimFixture f;
    QByteArray reply;
    using K = SelectorSim::FaultKind;
    f.sim->injectFault({K::CorruptChecksum, 1, -1, '3'});
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(CcTalkLink::ChecksumError));
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(0));

    f.sim->injectFault({K::NoReply, 2, 246, '3'}); // only the manufacturer request
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(0));
    QCOMPARE(f.send(SimFixture::cmd(246), reply, 5), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.send(SimFixture::cmd(246), reply, 5), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.send(SimFixture::cmd(246), reply, 5), quint8(0));

    f.sim->injectFault({K::ExtraBytes, 1, -1, '3'});
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(CcTalkLink::Timeout));
    f.sim->injectFault({K::NoEcho, 1, -1, '3'});
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.link->RxBuffer, SimFixture::bytes("01000200FD"));
    f.sim->injectFault({K::Nak, 1, -1, '3'});
    QCOMPARE(f.send(SimFixture::cmd(246), reply, 5), quint8(0));
    QCOMPARE(SimFixture::header(reply), 5);

    f.sim->setLateReplyMs(300);
    f.sim->injectFault({K::LateReply, 1, -1, '3'});
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(CcTalkLink::Timeout));
    CcTalkLink::PumpDelay(350); // the late reply passes; the next exchange is clean
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(0));

    f.sim->injectFault({K::NoReply, -1, -1, '3'}); // until cleared
    for (int i = 0; i < 3; ++i)
        QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(CcTalkLink::Timeout));
    f.sim->clearFaults();
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(0));
}

void TestSelectorSim::unpluggedSelectorIsSilentUntilPluggedAgain()
{
    SimFixture f;
    QByteArray reply;
    f.sim->setUnplugged(true);
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.send(SimFixture::cmd(253), reply, 30, 0), quint8(CcTalkLink::Timeout));
    QCOMPARE(f.link->RxBuffer.size(), 5);
    f.sim->setUnplugged(false);
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(0));
}

void TestSelectorSim::garbageAndOversizedFramesAreForgottenAfterSilence()
{
    SimFixture f;
    QByteArray reply;
    f.link->port()->write(SimFixture::bytes("02FF01")); // claims 255 data bytes
    CcTalkLink::PumpDelay(40);
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(0));
    f.link->port()->write(SimFixture::bytes("0203")); // a frame cut short
    CcTalkLink::PumpDelay(40);
    QCOMPARE(f.send(SimFixture::cmd(246), reply, 5), quint8(0));
    QCOMPARE(SimFixture::data(reply), QByteArray("Marvesti"));
    QByteArray noise;
    for (int i = 0; i < 2000; ++i)
        noise.append(char((i * 73 + 11) & 0xFF));
    f.link->port()->write(noise);
    CcTalkLink::PumpDelay(40);
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 5), quint8(0));
}

void TestSelectorSim::pacingTakesTenBitTimesPerByte()
{
    SimFixture f;
    f.bus->setPacing(true);
    QByteArray reply;
    QElapsedTimer t;
    t.start();
    const QByteArray frame = SimFixture::bytes("020401FF02080040");
    f.link->RxBuffer.clear();
    f.link->port()->write(frame + char(ccTalkChecksum(frame)));
    // 9 bytes out, 64 + 5 bytes back: about 81 ms of wire time at 9600 baud.
    QTRY_COMPARE_WITH_TIMEOUT(f.link->RxBuffer.size(), 9 + 69, 1000);
    QVERIFY2(t.elapsed() >= 75, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(f.send(SimFixture::cmd(254), reply, 20), quint8(0));
}

void TestSelectorSim::everyAnswerToRandomFramesIsWellFormed()
{
    // Random headers and data of every length, checksums right: whatever the selector does
    // with them, it answers with a whole frame or (address poll) one byte, and never falls over.
    QRandomGenerator random(20261206);
    const QList<int> headers = {1,   170, 192, 195, 196, 218, 219, 226, 227, 228, 229, 230, 231, 233, 236,
                                237, 238, 240, 241, 242, 243, 244, 246, 251, 253, 254, 255, 255, 255, 255};
    for (int round = 0; round < 20000; ++round) {
        SelectorSim sim;
        sim.setMasks(QByteArray::fromHex(round % 2 ? "FFFFFFFF" : "00000000"));
        QByteArray frame;
        frame += char(round % 7 == 0 ? 0 : 2);
        const int length = random.bounded(round % 3 == 0 ? 260 : 8);
        frame += char(length);
        frame += char(1);
        frame += char(headers.at(random.bounded(headers.size())));
        for (int i = 0; i < length; ++i)
            frame += char(i == 0 && random.bounded(2) ? random.bounded(10) : random.bounded(256));
        if (length > 255)
            frame[1] = char(255);
        frame = frame.left(quint8(frame.at(1)) + 4);
        frame += char(ccTalkChecksum(frame));
        const auto replies = sim.feed(frame, 9600, round);
        for (const auto &r : replies) {
            if (r.addressPoll) {
                QCOMPARE(r.bytes.size(), 1);
                continue;
            }
            if (r.bytes.isEmpty())
                continue;
            QVERIFY(r.bytes.size() >= 5);
            QCOMPARE(r.bytes.size(), quint8(r.bytes.at(1)) + 5);
            QCOMPARE(ccTalkChecksum(r.bytes.left(r.bytes.size() - 1)), quint8(r.bytes.back()));
            QCOMPARE(quint8(r.bytes.at(0)), quint8(1));
        }
    }
}

QTEST_GUILESS_MAIN(TestSelectorSim)
#include "test_selector_sim.moc"
