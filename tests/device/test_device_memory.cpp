#include "DeviceBench.h"

#include "app/Messages.h"
#include "device/FactoryChallenge.h"
#include "device/MemoryMap.h"
#include "device/PasswordRules.h"
#include "link/Checksum.h"
#include "link/LoopbackPort.h"
#include "link/PortFactory.h"

#include <QtTest>

using Kind = ScriptedPrompts::Kind;
using FK = SelectorSim::FaultKind;

namespace {
const QByteArray kPin = QByteArray::fromHex("12345678");
const QByteArray kFactory = QByteArray::fromHex("A1B2C3D4E5F6");

// A bench whose selector has the given masks and secrets, identified so the session knows them.
struct Protected : DeviceBench
{
    SelectorSim *s = nullptr;
    explicit Protected(const QByteArray &masks)
    {
        addBus(QStringLiteral("SIMA"));
        s = sim(QStringLiteral("SIMA"));
        s->setMasks(masks);
        s->setPin(kPin);
        s->setFactoryPassword(kFactory);
        usePort(QStringLiteral("SIMA"));
        session.ReportFlag = true;
        if (!session.Identify())
            qWarning("identification failed");
        log.clear();
    }
};
} // namespace

class TestDeviceMemory : public QObject
{
    Q_OBJECT

private slots:
    void openMasksGrantEveryRegionButZeroWithoutExchange()
    {
        Protected b(QByteArray::fromHex("FFFFFFFF"));
        for (quint8 region : {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40}) {
            for (int bank : {0, 1})
                QVERIFY(b.session.RequestAccess(bank, region));
        }
        QVERIFY(b.sent().isEmpty());
        QVERIFY(b.prompts.shown().isEmpty());

        QVERIFY(!b.session.RequestAccess(DeviceSession::ReadBank, MemoryMap::Unknown));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(296)});
        QByteArray data;
        QCOMPARE(b.session.ReadBlock(0x0900, 4, data, MemoryMap::regionOf(0x0900)),
                 int(DeviceSession::NotGranted));
        QVERIFY(b.sent().isEmpty());
    }

    void regionCodesFollowTheMemoryMap()
    {
        const QList<QPair<int, int>> cases = {{0x05FF, 0},    {0x0600, 0x01}, {0x06FF, 0x01}, {0x0700, 0x02},
                                              {0x073F, 0x02}, {0x0740, 0x04}, {0x079F, 0x04}, {0x07A0, 0x08},
                                              {0x07E9, 0x08}, {0x07EA, 0x10}, {0x07FD, 0x10}, {0x07FE, 0},
                                              {0x07FF, 0},    {0x0800, 0x20}, {0x083F, 0x20}, {0x0840, 0}};
        for (const auto &c : cases)
            QCOMPARE(int(MemoryMap::regionOf(quint16(c.first))), c.second);
    }

    void blocksReadAndWriteThroughTheSelectorsMemory()
    {
        Protected b(QByteArray::fromHex("FFFFFFFF"));
        const QByteArray bytes = QByteArray::fromHex("0102030405060708");
        QCOMPARE(b.session.WriteBlock(0x07A0, bytes, MemoryMap::Parameters), int(DeviceSession::Done));
        QCOMPARE(b.s->memory(0x07A0, 8), bytes);
        QByteArray back;
        QCOMPARE(b.session.ReadBlock(0x07A0, 8, back, MemoryMap::Parameters), int(DeviceSession::Done));
        QCOMPARE(back, bytes);
        QCOMPARE(b.sent().size(), 2);
        QVERIFY(b.sent().at(1).startsWith(QStringLiteral("020401FF0207A008")));

        // Refusals and bad arguments give 1; nothing is sent for arguments that cannot be framed.
        b.s->injectFault(DeviceBench::fault(FK::Nak, 255));
        QCOMPARE(b.session.ReadBlock(0x07A0, 8, back, MemoryMap::Parameters), int(DeviceSession::Failed));
        b.s->injectFault(DeviceBench::fault(FK::NoReply, 255));
        QCOMPARE(b.session.WriteBlock(0x07A0, bytes, MemoryMap::Parameters), int(DeviceSession::Failed));
        const int before = int(b.sent().size());
        QCOMPARE(b.session.ReadBlock(0x07A0, 0, back, MemoryMap::Parameters), int(DeviceSession::Failed));
        QCOMPARE(b.session.ReadBlock(0x07A0, 256, back, MemoryMap::Parameters), int(DeviceSession::Failed));
        QCOMPARE(b.session.WriteBlock(0x07A0, QByteArray(253, 'x'), MemoryMap::Parameters),
                 int(DeviceSession::Failed));
        QCOMPARE(int(b.sent().size()), before);
    }

    void channelsReadAndWriteSixteenByteRecords()
    {
        Protected b(QByteArray::fromHex("FFFFFFFF"));
        const QByteArray record = QByteArray::fromHex("00112233445566778899AABBCCDDEEFF");
        QCOMPARE(b.session.WriteChannel(3, record), int(DeviceSession::Done));
        QCOMPARE(b.s->memory(0x0620, 16), record);
        QByteArray back;
        QCOMPARE(b.session.ReadChannel(3, back), int(DeviceSession::Done));
        QCOMPARE(back, record);
        QCOMPARE(b.session.ReadChannel(0, back), int(DeviceSession::Failed));
        QCOMPARE(b.session.ReadChannel(17, back), int(DeviceSession::Failed));
        QCOMPARE(b.session.WriteChannel(1, record.left(15)), int(DeviceSession::Failed));
        // A refusal is a 5-byte reply, not a record.
        b.s->injectFault(DeviceBench::fault(FK::Nak, 255));
        QCOMPARE(b.session.ReadChannel(3, back), int(DeviceSession::Failed));
    }

    void channelReadTakesAnyTwentyOneByteReply()
    {
        // The selector never sends these; a scripted wire shows the length rule on its own.
        auto header = std::make_shared<char>(char(5));
        auto dataLength = std::make_shared<int>(16);
        PortFactory::registerVirtual(QStringLiteral("WIRE"), [header, dataLength]() {
            auto port = std::make_unique<LoopbackPort>(QStringLiteral("WIRE"));
            port->setResponder([header, dataLength](const QByteArray &) {
                QByteArray r;
                r.append(char(1)).append(char(*dataLength)).append(char(2)).append(*header);
                r.append(QByteArray(*dataLength, char(0x5A)));
                r.append(char(ccTalkChecksum(r)));
                return r;
            });
            return std::unique_ptr<SerialPort>(std::move(port));
        });
        DeviceBench b;
        b.usePort(QStringLiteral("WIRE"));
        b.session.AccessMasks = {{0xFF, 0xFF, 0xFF, 0xFF}};
        QByteArray record;
        QCOMPARE(b.session.ReadChannel(1, record), int(DeviceSession::Done));
        QCOMPARE(record, QByteArray(16, char(0x5A)));
        // The general block read wants an acknowledgement carrying exactly the bytes asked for.
        QCOMPARE(b.session.ReadBlock(0x0600, 16, record, 0x01), int(DeviceSession::Failed));
        *header = 0;
        *dataLength = 15;
        QCOMPARE(b.session.ReadChannel(1, record), int(DeviceSession::Failed));
        QCOMPARE(b.session.ReadBlock(0x0600, 16, record, 0x01), int(DeviceSession::Failed));
        *dataLength = 16;
        QCOMPARE(b.session.ReadBlock(0x0600, 16, record, 0x01), int(DeviceSession::Done));
        PortFactory::unregisterVirtual(QStringLiteral("WIRE"));
    }

    void pinProtectedWriteAsksOnceThenResendsStoredPin()
    {
        Protected b(QByteArray::fromHex("FFFFFFFE"));
        const QByteArray record(16, char(0x11));
        b.prompts.queuePassword(QStringLiteral("12345678"));
        QCOMPARE(b.session.WriteChannel(2, record), int(DeviceSession::Done));
        QCOMPARE(b.prompts.texts(Kind::Password), QStringList{Msg(116)});
        QCOMPARE(b.session.CurrentPin, kPin);
        QVERIFY(b.session.UnlockedLevels & DeviceSession::PinLevel);
        QCOMPARE(b.s->memory(0x0610, 16), record);

        b.prompts.clear();
        QCOMPARE(b.session.WriteChannel(2, QByteArray(16, char(0x22))), int(DeviceSession::Done));
        QVERIFY(b.prompts.shown().isEmpty());
        QCOMPARE(b.sentHeaders(), (QList<int>{218, 255, 218, 255}));
        QVERIFY(b.sent().at(2).startsWith(QStringLiteral("020401DA12345678")));
        // Reading is open at the PIN level: no PIN exchange.
        QByteArray back;
        QCOMPARE(b.session.ReadChannel(2, back), int(DeviceSession::Done));
        QCOMPARE(b.sentHeaders().last(), 255);
        QCOMPARE(b.sentHeaders().size(), 5);
    }

    void wrongPinIsRefusedAndAskedForAgain()
    {
        Protected b(QByteArray::fromHex("FFFFFFFE"));
        b.prompts.queuePassword(QStringLiteral("87654321"));
        QCOMPARE(b.session.WriteChannel(1, QByteArray(16, 'a')), int(DeviceSession::NotGranted));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(321)});
        QVERIFY(!(b.session.UnlockedLevels & DeviceSession::PinLevel));
        QCOMPARE(b.sentHeaders(), QList<int>{218});

        b.prompts.clear();
        b.prompts.queuePassword(QStringLiteral("12345678"));
        QCOMPARE(b.session.WriteChannel(1, QByteArray(16, 'a')), int(DeviceSession::Done));
        QCOMPARE(b.prompts.texts(Kind::Password).size(), 1);

        // A selector that does not answer the PIN: "Communication error", the level is dropped.
        b.prompts.clear();
        b.s->injectFault(DeviceBench::fault(FK::NoReply, 218));
        QCOMPARE(b.session.WriteChannel(1, QByteArray(16, 'a')), int(DeviceSession::NotGranted));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(78)});
        QVERIFY(!(b.session.UnlockedLevels & DeviceSession::PinLevel));
    }

    void passwordDialogKeepsAskingUntilLengthAndDigitsAreRight()
    {
        Protected b(QByteArray::fromHex("FFFFFFFE"));
        b.prompts.queuePassword(QStringLiteral("1234567"));
        b.prompts.queuePassword(QStringLiteral("123456789ABC"));
        b.prompts.queuePassword(QStringLiteral("1234567G"));
        b.prompts.queuePassword(QStringLiteral("12345678"));
        QCOMPARE(b.session.WriteChannel(1, QByteArray(16, 'b')), int(DeviceSession::Done));
        QCOMPARE(b.prompts.texts(Kind::Error), (QStringList{Msg(161), Msg(161), Msg(160)}));
        QCOMPARE(b.prompts.texts(Kind::Password).size(), 1);

        // Lower case is what the upper-case field turns into capitals.
        QVERIFY(PasswordRules::check(Msg(116), QStringLiteral("abcdef01")).isEmpty());
        QCOMPARE(PasswordRules::check(Msg(115), QStringLiteral("12345678")), Msg(161));
        QVERIFY(PasswordRules::check(Msg(115), QStringLiteral("a1b2c3d4e5f6")).isEmpty());
        QCOMPARE(PasswordRules::check(Msg(115), QStringLiteral("a1b2c3d4e5fx")), Msg(160));
    }

    void cancelledPinDialogGrantsNothingSilently()
    {
        Protected b(QByteArray::fromHex("FFFFFFFE"));
        b.prompts.queuePassword(QString());
        QCOMPARE(b.session.WriteChannel(1, QByteArray(16, 'c')), int(DeviceSession::NotGranted));
        QVERIFY(b.prompts.texts(Kind::Error).isEmpty());
        QVERIFY(b.sent().isEmpty());
    }

    void factoryLevelUnlocksByChallengeAndSkipsPin()
    {
        // The PIN level protects the region too, but the factory level stands above it.
        Protected b(QByteArray::fromHex("00FF0000"));
        b.session.FactoryAccessEnabled = true;
        b.prompts.queuePassword(QStringLiteral("A1B2C3D4E5F6"));
        QByteArray back;
        QCOMPARE(b.session.ReadBlock(0x0740, 4, back, MemoryMap::FactoryData), int(DeviceSession::Done));
        QCOMPARE(b.prompts.texts(Kind::Password), QStringList{Msg(115)});
        QVERIFY(b.session.UnlockedLevels & DeviceSession::FactoryLevel);
        QCOMPARE(b.session.FactoryPassword, kFactory);
        QCOMPARE(b.sentHeaders(), (QList<int>{255, 255, 255}));
        QVERIFY(b.sent().at(0).startsWith(QStringLiteral("020101FF00")));
        QVERIFY(b.sent().at(1).startsWith(QStringLiteral("020701FF01")));

        // Unlocked: the exchange runs again, the dialog does not.
        b.prompts.clear();
        QCOMPARE(b.session.ReadBlock(0x0740, 4, back, MemoryMap::FactoryData), int(DeviceSession::Done));
        QVERIFY(b.prompts.shown().isEmpty());
        QCOMPARE(b.sentHeaders().size(), 6);
    }

    void refusedFactoryResponseDoesNotFallThroughToPin()
    {
        Protected b(QByteArray::fromHex("00FF0000"));
        b.session.FactoryAccessEnabled = true;
        b.prompts.queuePassword(QStringLiteral("000000000000"));
        b.prompts.queuePassword(QStringLiteral("12345678"));
        QByteArray back;
        QCOMPARE(b.session.ReadChannel(1, back), int(DeviceSession::NotGranted));
        QCOMPARE(b.prompts.texts(Kind::Password), QStringList{Msg(115)});
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(321)});
        QVERIFY(!b.sentHeaders().contains(218));
        QVERIFY(!(b.session.UnlockedLevels & DeviceSession::FactoryLevel));

        // No challenge at all: the communication error with its code, and nothing further.
        b.prompts.clear();
        b.log.clear();
        b.session.UnlockedLevels |= DeviceSession::FactoryLevel;
        b.s->injectFault(DeviceBench::fault(FK::NoReply, 255));
        QCOMPARE(b.session.ReadChannel(1, back), int(DeviceSession::NotGranted));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(78) + QStringLiteral("2")});
        QCOMPARE(b.sentHeaders(), QList<int>{255});
        QVERIFY(!(b.session.UnlockedLevels & DeviceSession::FactoryLevel));
    }

    void factoryLevelIsRefusedWhileSwitchedOff()
    {
        Protected b(QByteArray::fromHex("00FFFFFF"));
        QVERIFY(!b.session.FactoryAccessEnabled);
        QByteArray back;
        QCOMPARE(b.session.ReadChannel(1, back), int(DeviceSession::NotGranted));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(296)});
        QVERIFY(b.prompts.texts(Kind::Password).isEmpty());
        QVERIFY(b.sent().isEmpty());
    }

    void factoryResponseFollowsTheScramble()
    {
        const QByteArray c = QByteArray::fromHex("0123456789AB");
        const QByteArray p = QByteArray::fromHex("FEDCBA987654");
        const QByteArray r = FactoryChallenge::response(c, p);
        QCOMPARE(r.size(), 6);
        // r0 = swap(c3) ^ p3: swap(0x67) = 0x76, ^ 0x98 = 0xEE.
        QCOMPARE(quint8(r.at(0)), quint8(0xEE));
        // r5 = ~(c1 ^ p1): ~(0x23 ^ 0xDC) = ~0xFF = 0x00.
        QCOMPARE(quint8(r.at(5)), quint8(0x00));
        QCOMPARE(r, SelectorSim::responseFor(c, p));
        QVERIFY(FactoryChallenge::response(c.left(5), p).isEmpty());
    }

    void commitMakesWritesPermanentAndResets()
    {
        Protected b(QByteArray::fromHex("FFFFFFFF"));
        const QByteArray bytes = QByteArray::fromHex("CAFE");
        const QByteArray before = b.s->nvMemory(0x07A0, 2);
        QCOMPARE(b.session.WriteBlock(0x07A0, bytes, MemoryMap::Parameters), int(DeviceSession::Done));
        QCOMPARE(b.s->nvMemory(0x07A0, 2), before);
        QVERIFY(b.session.CommitToNV());
        QCOMPARE(b.s->nvMemory(0x07A0, 2), bytes);
        QCOMPARE(b.sentHeaders().mid(1), (QList<int>{255, 1}));
        QVERIFY(b.sent().at(1).startsWith(QStringLiteral("020101FF03")));

        b.s->injectFault(DeviceBench::fault(FK::Nak, 1));
        QVERIFY(!b.session.CommitToNV());
        b.s->injectFault(DeviceBench::fault(FK::NoReply, 255));
        b.log.clear();
        QVERIFY(!b.session.CommitToNV());
        QCOMPARE(b.sentHeaders(), QList<int>{255});
    }
};

QTEST_GUILESS_MAIN(TestDeviceMemory)
#include "test_device_memory.moc"
