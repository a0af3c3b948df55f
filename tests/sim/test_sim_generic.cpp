// What a generic ccTalk host asks a coin acceptor first, answered through the real link.
#include "SimFixture.h"

#include "device/ReplyFrame.h"
#include "sim/SimControl.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestSimGeneric : public QObject
{
    Q_OBJECT

private slots:
    void coreRequestsAreAnsweredFromTheSelectorsMemory()
    {
        SimFixture f;
        // Channel 2 re-labelled in the second country code with issue C.
        QByteArray rec = f.sim->memory(0x0610, 16);
        rec[14] = char(0x40 | 0x20 | 0x09); // country 1, mint "C", value "200"
        f.sim->setMemory(0x0610, rec);
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
            {u"fault short header 255 sub 4"_s, u"OK"_s},
            {u"fault noreply sub 300"_s, u"ERR sub is 0..255"_s},
        };
        for (const auto &r : replies)
            QCOMPARE(ctl.execute(r.first), r.second);
        QCOMPARE(int(f.sim->shortedOutputs()), 0x04);
        QCOMPARE(ctl.execute(u"output 3 ok"_s), u"OK"_s);
        QCOMPARE(int(f.sim->shortedOutputs()), 0);
        QCOMPARE(f.send(cmd(255, "08")), quint8(CcTalkLink::Ok));
        QCOMPARE(ReplyFrame::data(f.reply).size(), 4);
        QCOMPARE(f.send(cmd(255, "04")), quint8(CcTalkLink::Ok));
        QCOMPARE(ReplyFrame::data(f.reply).size(), 10);
    }

    void aFaultAimedAtOneSubCodeSparesTheOthers()
    {
        SimFixture f;
        SelectorSim::Fault fault{SelectorSim::FaultKind::NoReply, 1, 255};
        fault.subCode = 4;
        f.sim->injectFault(fault);
        QCOMPARE(f.ack(cmd(255, "08")), 0);
        QCOMPARE(f.ack(cmd(255, "05")), 0);
        QCOMPARE(f.send(cmd(255, "04"), 20), quint8(CcTalkLink::Timeout));
        QCOMPARE(f.ack(cmd(255, "04")), 0); // spent

        // A short reply keeps a valid frame one data byte shorter.
        f.sim->injectFault({SelectorSim::FaultKind::ShortReply, 1, 229});
        QCOMPARE(f.send(cmd(229)), quint8(CcTalkLink::Ok));
        QCOMPARE(ReplyFrame::data(f.reply).size(), 10);
    }
};

QTEST_MAIN(TestSimGeneric)
#include "test_sim_generic.moc"
