#include "SimFixture.h"
#include "device/ReplyFrame.h"
#include "sim/SimControl.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

// The simulated selector as the host sees it through the real link: framing, echo,
// addressing, identity, memory with protection, collisions, faults and resynchronisation, and
// what a generic ccTalk host asks a coin acceptor first.
class TestSelectorSim : public QObject
{
    Q_OBJECT

private slots:
    void onlyGoodFramesAtItsAddressAndRateAreAnsweredBehindTheEcho()
    {
        SimFixture f;
        QCOMPARE(f.send(cmd(254), 5), quint8(CcTalkLink::Ok));
        QCOMPARE(f.reply, hex("01000200FD"));
        QCOMPARE(f.link->RxBuffer, hex("020001FEFF01000200FD"));
        QCOMPARE(f.send(cmd(254), 5, 0), quint8(CcTalkLink::Ok)); // broadcast

        f.link->RxBuffer.clear();
        f.link->port()->write(hex("020001FEFF"));
        QCOMPARE(f.link->port()->bytesAvailable(), qint64(0));
        QVERIFY(f.link->RxBuffer.isEmpty());
        QTRY_COMPARE(f.link->RxBuffer.size(), 10);

        // Other addresses, corrupt frames and other rates go unanswered.
        QCOMPARE(f.send(cmd(254), 5, 3), quint8(CcTalkLink::Timeout));
        QCOMPARE(f.link->RxBuffer.size(), 5); // only the echo
        f.link->RxBuffer.clear();
        f.link->port()->write(hex("020001FEFE")); // wrong checksum
        CcTalkLink::PumpDelay(60);
        QCOMPARE(f.link->RxBuffer.size(), 5);
        f.link->SetBaud(19200);
        QCOMPARE(f.send(cmd(254), 5), quint8(CcTalkLink::Timeout));
        QCOMPARE(f.link->RxBuffer.size(), 5); // the wire still echoes
        f.link->SetBaud(9600);
        QCOMPARE(f.send(cmd(254), 5), quint8(CcTalkLink::Ok));
    }

    void addressPollAnswersOneUnframedByteAndAddressChangeMovesTheSelector()
    {
        SimFixture f;
        f.sim->setAddress(7);
        QElapsedTimer t;
        t.start();
        QCOMPARE(f.send(cmd(253), 120, 0), quint8(CcTalkLink::Timeout));
        QCOMPARE(f.link->RxBuffer, hex("000001FD0207"));
        QVERIFY(t.elapsed() >= 28); // 4 ms per address step
        QCOMPARE(f.ack(cmd(251, "FE"), 5, 7), 0);
        QCOMPARE(quint8(f.reply.at(2)), quint8(7)); // acknowledged from the old address
        QCOMPARE(f.send(cmd(254), 5, 7), quint8(CcTalkLink::Timeout));
        QCOMPARE(f.ack(cmd(254), 5, 254), 0);
        // Addresses 0 and 1 are the broadcast and the host: refused.
        QCOMPARE(f.ack(cmd(251, "01"), 5, 254), 5);
        QCOMPARE(f.sim->address(), quint8(254));
    }

    void memoryWritesNeedCommitToSurviveReset()
    {
        SimFixture f;
        const QByteArray record = hex("0102030405060708090A0B0C0D0E0F10");
        QCOMPARE(f.ack(writeCmd(0x06F0, record)), 0);
        QCOMPARE(f.ask(readCmd(0x06F0, 16)), record);
        QCOMPARE(f.ack(cmd(1)), 0);
        QCOMPARE(f.ask(readCmd(0x06F0, 16)), QByteArray(16, char(0xFF)));

        QCOMPARE(f.ack(writeCmd(0x06F0, record)), 0);
        QCOMPARE(f.ack(cmd(255, "03")), 0);
        QCOMPARE(f.ack(cmd(1)), 0);
        QCOMPARE(f.ask(readCmd(0x06F0, 16)), record);
    }

    void accessOutsideMemoryIsRefused()
    {
        SimFixture f;
        for (const QByteArray &request :
             {readCmd(0x05FF, 2), readCmd(0x0830, 0x20), readCmd(0x0600, 0), writeCmd(0x0840, hex("00"))})
            QVERIFY2(f.ack(request) == 5, request.toHex().constData());
        QCOMPARE(f.ask(readCmd(0x0800, 64)).size(), 64); // the last 64 bytes in one read
    }

    void pinLevelGuardsRegionsUntilTheRightPinIsEntered()
    {
        SimFixture f;
        f.sim->setMasks(hex("FFFFFEFE")); // channels need the PIN
        f.sim->setPin(hex("12345678"));
        QCOMPARE(f.ack(readCmd(0x0600, 16)), 5);
        QCOMPARE(f.ack(readCmd(0x0700, 8)), 0);  // other regions stay open
        QCOMPARE(f.ack(readCmd(0x06F8, 16)), 5); // a read that touches channels

        QCOMPARE(f.ack(cmd(218, "00000000")), 5);
        QCOMPARE(f.ack(cmd(218, "12345678")), 0);
        QCOMPARE(f.ack(readCmd(0x0600, 16)), 0);
        QCOMPARE(f.ack(writeCmd(0x0600, QByteArray(16, char(0x11)))), 0);

        // A reset drops the unlocked level; a wrong PIN drops it as well.
        QCOMPARE(f.ack(cmd(1)), 0);
        QCOMPARE(f.ack(readCmd(0x0600, 16)), 5);
        QCOMPARE(f.ack(cmd(218, "12345678")), 0);
        QCOMPARE(f.ack(cmd(218, "12345679")), 5);
        QCOMPARE(f.ack(readCmd(0x0600, 16)), 5);

        // A PIN change needs the current PIN entered just before; only a change is persisted.
        int persisted = 0;
        f.sim->setPersistHook([&] { ++persisted; });
        QCOMPARE(f.ack(cmd(219, "CAFEBABE")), 5);
        QCOMPARE(f.ack(cmd(218, "12345678")), 0);
        QCOMPARE(f.ack(cmd(219, "CAFEBABE")), 0);
        QCOMPARE(f.sim->pin(), hex("CAFEBABE"));
        QCOMPARE(persisted, 1);
        QCOMPARE(f.ack(cmd(218, "12345678")), 5);
    }

    void factoryLevelUnlocksOnlyWithAFreshRightResponse()
    {
        SimFixture f;
        f.sim->setMasks(hex("00000000")); // the masks stay readable whatever they protect
        QCOMPARE(f.ask(readCmd(0x0774, 4)), hex("00000000"));
        // Modes and factory data need the factory level; channels and modes need the PIN too.
        f.sim->setMasks(hex("FBFBFAFA"));
        const QByteArray password = hex("0123456789AB");
        f.sim->setFactoryPassword(password);
        QCOMPARE(f.ack(readCmd(0x0740, 8)), 5);

        const QByteArray challenge = f.ask(cmd(255, "00"));
        QCOMPARE(challenge.size(), 6);
        const QByteArray wrong = SelectorSim::responseFor(challenge, hex("0123456789AC"));
        QCOMPARE(f.ack(cmd(255, "01") + wrong), 5);

        const QByteArray challenge2 = f.ask(cmd(255, "00"));
        QVERIFY(challenge2 != challenge);
        const QByteArray right = cmd(255, "01") + SelectorSim::responseFor(challenge2, password);
        QCOMPARE(f.ack(right), 0);
        QCOMPARE(f.ack(readCmd(0x0740, 8)), 0);
        QCOMPARE(f.ack(readCmd(0x0600, 16)), 0); // the factory level stands above the PIN level
        QCOMPARE(f.ack(right), 5);               // a replay without a new challenge
    }

    void collidingSelectorsMergeOrGarbleTheirReplies()
    {
        SimFixture f;
        SelectorSim *second = f.bus->addSelector();
        // Same address: identical replies merge into one good frame.
        QCOMPARE(f.send(cmd(254), 5, 0), quint8(CcTalkLink::Ok));
        QCOMPARE(f.reply, hex("01000200FD"));

        // 01 00 02 00 FD AND 01 00 03 00 FC = 01 00 02 00 FC: a frame with a wrong checksum.
        second->setAddress(3);
        QCOMPARE(f.send(cmd(254), 5, 0), quint8(CcTalkLink::ChecksumError));
        QCOMPARE(f.link->RxBuffer.mid(5), hex("01000200FC"));
        QCOMPARE(f.send(cmd(253), 120, 0), quint8(CcTalkLink::Timeout));
        QCOMPARE(f.link->RxBuffer.mid(5), hex("0203"));
        QCOMPARE(f.send(cmd(254), 5, 3), quint8(CcTalkLink::Ok));
        QCOMPARE(quint8(f.reply.at(2)), quint8(3));
    }

    void controlledFaultsHitTheChosenRepliesOnly()
    {
        SimFixture f;
        SimControl control(f.bus.get());
        // What the host sees: the reply header, or the failure as a negative number.
        auto outcome = [&](int header) {
            const quint8 r = f.send(cmd(header), 5);
            return r == CcTalkLink::Ok ? int(quint8(f.reply.at(3))) : -int(r);
        };
        const int ack = 0, nak = 5, timeout = -CcTalkLink::Timeout, badSum = -CcTalkLink::ChecksumError;
        const QList<QPair<const char *, QList<QPair<int, int>>>> script = {
            {"fault checksum", {{254, badSum}, {254, ack}}},
            {"fault noreply count 2 header 246", {{254, ack}, {246, timeout}, {246, timeout}, {246, ack}}},
            {"fault nak", {{246, nak}, {246, ack}}},
            {"fault extra", {{254, timeout}}},
            {"fault noreply count always", {{254, timeout}, {246, timeout}, {254, timeout}}},
            {"clear-faults", {{254, ack}}},
            {"unplug", {{254, timeout}}},
            {"plug", {{254, ack}}},
            {"fault noecho", {{254, timeout}}},
        };
        for (const auto &step : script) {
            QCOMPARE(control.execute(QLatin1String(step.first)), QStringLiteral("OK"));
            for (const auto &exchange : step.second)
                QVERIFY2(outcome(exchange.first) == exchange.second, step.first);
        }
        QCOMPARE(f.link->RxBuffer, hex("01000200FD")); // the reply came, only the echo was missing

        QCOMPARE(control.execute(QStringLiteral("fault late delay 300")), QStringLiteral("OK"));
        QCOMPARE(outcome(254), timeout);
        CcTalkLink::PumpDelay(350); // the late reply passes; the next exchange is clean
        QCOMPARE(outcome(254), ack);
    }

    void pacingTakesTenBitTimesPerByte()
    {
        SimFixture f;
        f.bus->setPacing(true);
        QElapsedTimer t;
        t.start();
        const QByteArray frame = hex("020401FF02080040");
        f.link->RxBuffer.clear();
        f.link->port()->write(frame + char(ccTalkChecksum(frame)));
        // 9 bytes out, 64 + 5 bytes back: about 81 ms of wire time at 9600 baud.
        QTRY_COMPARE_WITH_TIMEOUT(f.link->RxBuffer.size(), 9 + 69, 1000);
        QVERIFY2(t.elapsed() >= 75, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(f.send(cmd(254)), quint8(CcTalkLink::Ok));
    }

    void everyAnswerToRandomFramesIsWellFormed()
    {
        // Random headers and data of every length, checksums right: whatever the selector does
        // with them, it answers with a whole frame or (address poll) one byte, and never falls over.
        QRandomGenerator random(20261206);
        const QList<int> headers = {1,   170, 192, 195, 196, 218, 219, 226, 227, 228,
                                    229, 230, 231, 233, 236, 237, 238, 240, 241, 242,
                                    243, 244, 246, 251, 253, 254, 255, 255, 255, 255};
        for (int round = 0; round < 20000; ++round) {
            SelectorSim sim;
            sim.setMasks(hex(round % 2 ? "FFFFFFFF" : "00000000"));
            const int length = qMin(255, int(random.bounded(round % 3 == 0 ? 260 : 8)));
            QByteArray frame;
            frame += char(round % 7 == 0 ? 0 : 2);
            frame += char(length);
            frame += char(1);
            frame += char(headers.at(random.bounded(headers.size())));
            for (int i = 0; i < length; ++i)
                frame += char(i == 0 && random.bounded(2) ? random.bounded(10) : random.bounded(256));
            frame += char(ccTalkChecksum(frame));
            for (const auto &r : sim.feed(frame, 9600, round)) {
                if (r.addressPoll || r.bytes.isEmpty()) {
                    QVERIFY(r.bytes.size() == (r.addressPoll ? 1 : 0));
                    continue;
                }
                QVERIFY(r.bytes.size() >= 5);
                QCOMPARE(r.bytes.size(), quint8(r.bytes.at(1)) + 5);
                QCOMPARE(ccTalkChecksum(r.bytes.left(r.bytes.size() - 1)), quint8(r.bytes.back()));
                QCOMPARE(quint8(r.bytes.at(0)), quint8(1));
            }
        }
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
            {cmd(184, "01"), "EU010A"},    {cmd(184, "02"), "TK200C"},  {cmd(184, "06"), "EU...B"},
            {cmd(184, "07"), "......"}, // never programmed
            {cmd(209, "03"), hex("01")},   {cmd(209, "07"), hex("00")},
            {cmd(247), hex("1001")},       {cmd(225), hex("010000")},
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

        // The ROM checksum is four bytes that a firmware load changes.
        const QByteArray rom = f.ask(cmd(197));
        QCOMPARE(rom.size(), 4);
        f.sim->identity().softwareRevision = "1.21";
        QVERIFY(f.ask(cmd(197)) != rom);
        // Address clash: the address alone, unframed, within the 1.2 s window.
        QCOMPARE(f.send(cmd(252), 130), quint8(CcTalkLink::Timeout));
        QTRY_COMPARE_WITH_TIMEOUT(f.link->RxBuffer, hex("020001FC01") + hex("02"), 1300);
        // Address random: acknowledged from the old address, then answered at the new one.
        QCOMPARE(f.ack(cmd(250)), 0);
        QCOMPARE(quint8(f.reply.at(2)), quint8(2));
        const quint8 moved = f.sim->address();
        QVERIFY(moved >= 2);
        QCOMPARE(f.ack(cmd(254), 5, moved), 0);
    }

    void aShortedOutputShowsOnInputOneOnlyWhileLatched()
    {
        SimFixture f;
        f.sim->setInputs(hex("0500"));
        struct C
        {
            int shorted; // output line with the fault, 0 = none
            const char *latch;
            quint8 input1;
        };
        const C cases[] = {
            {0, "04", 0x05}, {3, "04", 0x85}, {3, "02", 0x05}, {3, "06", 0x85}, {3, "00", 0x05}};
        for (const C &c : cases) {
            for (int k = 1; k <= 7; ++k)
                f.sim->setOutputShorted(k, k == c.shorted);
            QCOMPARE(f.ack(cmd(233, c.latch)), 0);
            QCOMPARE(f.send(cmd(237)), quint8(CcTalkLink::Ok));
            QCOMPARE(quint8(ReplyFrame::data(f.reply).at(0)), c.input1);
        }
        // A pulse is not a latch: the wiring shows only held outputs.
        f.sim->setOutputShorted(3, true);
        QCOMPARE(f.ack(cmd(238, "04")), 0);
        QCOMPARE(f.send(cmd(237)), quint8(CcTalkLink::Ok));
        QCOMPARE(quint8(ReplyFrame::data(f.reply).at(0)), quint8(0x05));
    }

    void controlCommandsShortOutputsAndAimFaultsAtSubCodes()
    {
        SimFixture f;
        SimControl ctl(f.bus.get());
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
};

QTEST_GUILESS_MAIN(TestSelectorSim)
#include "test_selector_sim.moc"
