#include "DeviceBench.h"

#include "app/Messages.h"
#include "device/AddressChange.h"
#include "device/PinChange.h"

#include <QtTest>

using Kind = ScriptedPrompts::Kind;
using FK = SelectorSim::FaultKind;

namespace {
struct Bench : DeviceBench
{
    SelectorSim *s = nullptr;
    Bench()
    {
        addBus(QStringLiteral("SIMA"));
        s = sim(QStringLiteral("SIMA"));
        s->setPin(QByteArray::fromHex("12345678"));
        usePort(QStringLiteral("SIMA"));
    }
};
} // namespace

class TestDeviceAddressPin : public QObject
{
    Q_OBJECT

private slots:
    void addressChangeRedirectsLaterCommands()
    {
        Bench b;
        AddressChange change(b.link, b.prompts);
        QCOMPARE(change.currentAddress(), 2);
        QVERIFY(change.Apply(254));
        QCOMPARE(b.prompts.texts(Kind::Information), QStringList{Msg(52)});
        QVERIFY(b.sent().at(0).startsWith(QStringLiteral("020101FBFE")));
        QCOMPARE(b.link.DeviceAddress, quint8(254));
        QCOMPARE(b.s->address(), quint8(254));
        QCOMPARE(change.currentAddress(), 254);

        // The next identification goes to 254 and remembers it.
        QVERIFY(b.session.Identify());
        QVERIFY(b.sent().last().startsWith(QStringLiteral("FE")));
        QCOMPARE(b.link.MonitorAddress, quint8(254));
    }

    void unansweredAddressChangeKeepsTheAddress()
    {
        Bench b;
        b.s->setUnplugged(true);
        AddressChange change(b.link, b.prompts);
        QVERIFY(!change.Apply(99));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(55)});
        QCOMPARE(b.link.DeviceAddress, quint8(2));

        b.prompts.clear();
        b.s->setUnplugged(false);
        b.s->injectFault(DeviceBench::fault(FK::Nak, 251));
        QVERIFY(!change.Apply(99));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(55)});
        QCOMPARE(b.link.DeviceAddress, quint8(2));
    }

    void addressesOutsideTheSpinRangeAreNotSent()
    {
        Bench b;
        AddressChange change(b.link, b.prompts);
        for (int address : {0, 1, 255, -3, 1000}) {
            QVERIFY(!AddressChange::isValid(address));
            QVERIFY(!change.Apply(address));
        }
        QVERIFY(AddressChange::isValid(2) && AddressChange::isValid(254));
        QVERIFY(b.sent().isEmpty());
        QCOMPARE(b.prompts.texts(Kind::Error).size(), 5);
        QVERIFY(b.prompts.texts(Kind::Error).at(0).startsWith(Msg(430)));
    }

    void pinFieldChecksReportOnlyTheFirstFailure()
    {
        struct Case
        {
            const char *pin, *newPin, *confirm;
            int message;
        };
        const QList<Case> cases = {
            {"1234567", "ZZ", "1", 161},               // length wins over every other fault
            {"12345678", "1234567G", "99999999", 160}, // a bad character before the mismatch
            {"12345678", "87654321", "87654320", 60},
            {"12345678", "876543210", "876543210", 161},
        };
        for (const Case &c : cases) {
            Bench b;
            PinChange change(b.link, b.prompts);
            QVERIFY(!change.Apply(QLatin1String(c.pin), QLatin1String(c.newPin), QLatin1String(c.confirm)));
            QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(c.message)});
            QVERIFY(b.sent().isEmpty());
        }
    }

    void pinChangeSendsOldThenNewPin()
    {
        Bench b;
        PinChange change(b.link, b.prompts);
        // The fields force upper case: lower-case digits are the same PIN.
        QVERIFY(
            change.Apply(QStringLiteral("12345678"), QStringLiteral("abcdef01"), QStringLiteral("ABCDEF01")));
        QCOMPARE(b.prompts.texts(Kind::Information), QStringList{Msg(192)});
        QCOMPARE(b.sentHeaders(), (QList<int>{218, 219}));
        QVERIFY(b.sent().at(1).startsWith(QStringLiteral("020401DBABCDEF01")));
        QCOMPARE(b.s->pin(), QByteArray::fromHex("ABCDEF01"));
        // The program's own PIN for access checks is not touched.
        QVERIFY(b.session.CurrentPin.isEmpty());
    }

    void wrongOldPinEndsInWriteError()
    {
        Bench b;
        PinChange change(b.link, b.prompts);
        QVERIFY(!change.Apply(QStringLiteral("00000000"), QStringLiteral("11111111"),
                              QStringLiteral("11111111")));
        // The refusal of the old PIN is not examined; the selector refuses the new one.
        QCOMPARE(b.sentHeaders(), (QList<int>{218, 219}));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(84)});
        QCOMPARE(b.s->pin(), QByteArray::fromHex("12345678"));
    }

    void unansweredOldPinStopsBeforeTheNewOne()
    {
        Bench b;
        b.s->injectFault(DeviceBench::fault(FK::NoReply, 218));
        PinChange change(b.link, b.prompts);
        QVERIFY(!change.Apply(QStringLiteral("12345678"), QStringLiteral("11111111"),
                              QStringLiteral("11111111")));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(321)});
        QCOMPARE(b.sentHeaders(), QList<int>{218});
        QCOMPARE(b.s->pin(), QByteArray::fromHex("12345678"));
    }
};

QTEST_GUILESS_MAIN(TestDeviceAddressPin)
#include "test_device_address_pin.moc"
