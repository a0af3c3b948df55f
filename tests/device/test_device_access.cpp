// The protected memory commands, the access levels guarding them, and the PIN change.
#include "DeviceBench.h"

#include "app/Messages.h"
#include "device/FactoryChallenge.h"
#include "device/MemoryMap.h"
#include "device/PinChange.h"

#include <QtTest>

namespace {
constexpr int Done = DeviceSession::Done;
constexpr int Failed = DeviceSession::Failed;
constexpr int NotGranted = DeviceSession::NotGranted;
const QByteArray kOpen = QByteArray::fromHex("FFFFFFFF");
} // namespace

class TestDeviceAccess : public QObject
{
    Q_OBJECT

private slots:
    void regionCodesFollowTheMemoryMap()
    {
        const QList<QPair<int, int>> cases = {{0x05FF, 0},    {0x0600, 0x01}, {0x06FF, 0x01}, {0x0700, 0x02},
                                              {0x073F, 0x02}, {0x0740, 0x04}, {0x079F, 0x04}, {0x07A0, 0x08},
                                              {0x07E9, 0x08}, {0x07EA, 0x10}, {0x07FD, 0x10}, {0x07FE, 0},
                                              {0x07FF, 0},    {0x0800, 0x20}, {0x083F, 0x20}, {0x0840, 0}};
        for (const auto &c : cases)
            QCOMPARE(int(MemoryMap::regionOf(quint16(c.first))), c.second);
    }

    void openMasksGrantMemoryWithoutExchangeAndCommitMakesItPermanent()
    {
        DeviceBench b;
        SelectorSim *s = b.identifiedSim(kOpen);
        for (quint8 region : {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40})
            QVERIFY(b.session.RequestAccess(0, region) && b.session.RequestAccess(1, region));
        QVERIFY(b.sent().isEmpty());
        const QByteArray bytes = QByteArray::fromHex("0102030405060708");
        QCOMPARE(b.session.WriteBlock(0x07A0, bytes, MemoryMap::Parameters), Done);
        QByteArray back;
        QCOMPARE(b.session.ReadBlock(0x07A0, 8, back, MemoryMap::Parameters), Done);
        QCOMPARE(back, bytes);
        QVERIFY(b.sent().at(1).startsWith(u"020401FF0207A008"_s));
        QVERIFY(b.session.CommitToNV());
        QCOMPARE(s->nvMemory(0x07A0, 8), bytes);
        QCOMPARE(b.sentHeaders(), (QList<int>{255, 255, 255, 1}));

        // Arguments that cannot be framed and region 0 send nothing.
        b.log.clear();
        QCOMPARE(b.session.ReadBlock(0x07A0, 0, back, MemoryMap::Parameters), Failed);
        QCOMPARE(b.session.ReadBlock(0x07A0, 256, back, MemoryMap::Parameters), Failed);
        QCOMPARE(b.session.WriteBlock(0x07A0, QByteArray(253, 'x'), MemoryMap::Parameters), Failed);
        QCOMPARE(b.session.ReadBlock(0x0900, 4, back, MemoryMap::regionOf(0x0900)), NotGranted);
        QCOMPARE(b.prompts.allTexts(), QStringList{Msg(296)});
        QVERIFY(b.sent().isEmpty());
    }

    void channelsAreSixteenByteRecords()
    {
        DeviceBench b;
        SelectorSim *s = b.identifiedSim(kOpen);
        const QByteArray record = QByteArray::fromHex("00112233445566778899AABBCCDDEEFF");
        QCOMPARE(b.session.WriteChannel(3, record), Done);
        QCOMPARE(s->memory(0x0620, 16), record);
        QByteArray back;
        QCOMPARE(b.session.ReadChannel(3, back), Done);
        QCOMPARE(back, record);
        QCOMPARE(b.session.ReadChannel(0, back), Failed);
        QCOMPARE(b.session.ReadChannel(17, back), Failed);
        QCOMPARE(b.session.WriteChannel(1, record.left(15)), Failed);
    }

    void pinIsAskedUntilWellFormedThenResentUntilRefused()
    {
        DeviceBench b;
        SelectorSim *s = b.identifiedSim(QByteArray::fromHex("FFFFFFFE")); // the PIN protects channel writes
        const QByteArray record(16, 'a');
        b.prompts.queuePassword(QString()); // cancelled: nothing sent, nothing said
        QCOMPARE(b.session.WriteChannel(2, record), NotGranted);
        QVERIFY(b.prompts.texts(Kind::Error).isEmpty() && b.sent().isEmpty());
        for (const char *typed : {"1234567", "123456789ABC", "1234567G", "12345678"})
            b.prompts.queuePassword(QLatin1String(typed));
        QCOMPARE(b.session.WriteChannel(2, record), Done);
        QCOMPARE(b.prompts.texts(Kind::Password), (QStringList{Msg(116), Msg(116)}));
        QCOMPARE(b.prompts.texts(Kind::Error), (QStringList{Msg(161), Msg(161), Msg(160)}));

        b.prompts.clear();
        QCOMPARE(b.session.WriteChannel(2, record), Done);
        QByteArray back;
        QCOMPARE(b.session.ReadChannel(2, back), Done);
        QVERIFY(b.prompts.shown().isEmpty());
        // Reading is open at the PIN level: no PIN exchange for it.
        QCOMPARE(b.sentHeaders(), (QList<int>{218, 255, 218, 255, 255}));

        // Unanswered, the PIN level is dropped; a wrong PIN is refused.
        s->injectFault(fault(FK::NoReply, 218));
        QCOMPARE(b.session.WriteChannel(1, record), NotGranted);
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(78)});
        b.prompts.queuePassword(u"87654321"_s);
        QCOMPARE(b.session.WriteChannel(1, record), NotGranted);
        QCOMPARE(b.prompts.texts(Kind::Error), (QStringList{Msg(78), Msg(321)}));
        QCOMPARE(b.prompts.texts(Kind::Password).size(), 1);
    }

    void factoryLevelUnlocksByChallengeWithoutFallingThroughToThePin()
    {
        DeviceBench b;
        SelectorSim *s = b.identifiedSim(QByteArray::fromHex("00FF0000")); // both levels protect reads
        QByteArray back;
        // A refused response ends the check: the PIN is neither asked for nor sent.
        b.session.FactoryAccessEnabled = true;
        b.prompts.queuePassword(u"000000000000"_s);
        b.prompts.queuePassword(u"12345678"_s); // left over: too short for the factory password
        b.prompts.queuePassword(u"a1b2c3d4e5f6"_s);
        QCOMPARE(b.session.ReadChannel(1, back), NotGranted);
        QCOMPARE(b.prompts.allTexts(), (QStringList{Msg(115), Msg(321)}));
        QCOMPARE(b.sentHeaders(), (QList<int>{255, 255}));
        // Asked until well formed, the password unlocks; the exchange then runs each time, the dialog once.
        b.prompts.clear();
        b.log.clear();
        for (int i = 0; i < 2; ++i)
            QCOMPARE(b.session.ReadBlock(0x0740, 4, back, MemoryMap::FactoryData), Done);
        QCOMPARE(b.prompts.allTexts(), (QStringList{Msg(115), Msg(161)}));
        QVERIFY(b.sent().at(0).startsWith(u"020101FF00"_s) && b.sent().at(1).startsWith(u"020701FF01"_s));
        QCOMPARE(b.sentHeaders(), QList<int>(6, 255));
        // No challenge at all: the communication error with its code, and the level is dropped.
        b.prompts.clear();
        b.log.clear();
        s->injectFault(fault(FK::NoReply, 255));
        QCOMPARE(b.session.ReadChannel(1, back), NotGranted);
        QCOMPARE(b.prompts.allTexts(), QStringList{Msg(78) + u"2"_s});
        QCOMPARE(b.sentHeaders(), QList<int>{255});
        QVERIFY(!(b.session.UnlockedLevels & DeviceSession::FactoryLevel));

        // A known answer of the scramble, worked by hand; a short challenge has none.
        const QByteArray c = QByteArray::fromHex("0123456789AB");
        const QByteArray p = QByteArray::fromHex("FEDCBA987654");
        QCOMPARE(FactoryChallenge::response(c, p), QByteArray::fromHex("EEEE00FF1100"));
        // Nibbles that differ in every byte, so that each swap and each complement shows:
        // r0 = swap(4C) ^ 3A = FE, r1 = swap(swap(5B) ^ 4B) = EF, r2 = swap(~1F ^ 07) = 7E,
        // r3 = swap(6A ^ 5C) = 63, r4 = ~(swap(3D) ^ 29) = 05, r5 = ~(2E ^ 18) = C9.
        QCOMPARE(FactoryChallenge::response(QByteArray::fromHex("1F2E3D4C5B6A"),
                                            QByteArray::fromHex("0718293A4B5C")),
                 QByteArray::fromHex("FEEF7E6305C9"));
        QVERIFY(FactoryChallenge::response(c.left(5), p).isEmpty());
    }

    void pinChangeChecksTheFieldsThenSendsOldAndNewPin()
    {
        struct Case
        {
            const char *pin, *newPin, *confirm;
            bool oldAnswered;
            int message;
            QList<int> headers;
            const char *pinAfter;
        };
        const QList<Case> cases = {
            // Field checks send nothing and report only the first failure: length, digits, match.
            {"1234567", "ZZ", "1", true, 161, {}, "12345678"},
            {"12345678", "1234567G", "99999999", true, 160, {}, "12345678"},
            {"12345678", "87654321", "87654320", true, 60, {}, "12345678"},
            // The fields force upper case: lower-case digits are the same PIN.
            {"12345678", "abcdef01", "ABCDEF01", true, 192, {218, 219}, "ABCDEF01"},
            // The refusal of the old PIN is not examined; the selector refuses the new one.
            {"00000000", "11111111", "11111111", true, 84, {218, 219}, "12345678"},
            {"12345678", "11111111", "11111111", false, 321, {218}, "12345678"},
        };
        for (const Case &c : cases) {
            DeviceBench b;
            SelectorSim *s = b.openSim();
            s->setPin(QByteArray::fromHex("12345678"));
            if (!c.oldAnswered)
                s->injectFault(fault(FK::NoReply, 218));
            const bool changed =
                PinChange(b.link, b.prompts)
                    .Apply(QLatin1String(c.pin), QLatin1String(c.newPin), QLatin1String(c.confirm));
            QCOMPARE(changed, c.message == 192);
            QCOMPARE(b.prompts.allTexts(), QStringList{Msg(c.message)});
            QCOMPARE(b.sentHeaders(), c.headers);
            QCOMPARE(s->pin(), QByteArray::fromHex(c.pinAfter));
        }
    }
};

QTEST_GUILESS_MAIN(TestDeviceAccess)
#include "test_device_access.moc"
