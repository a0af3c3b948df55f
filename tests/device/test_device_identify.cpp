// Identifying the selector on the current port, and searching the ports for one.
#include "DeviceBench.h"

#include "app/Messages.h"
#include "config/IniFile.h"
#include "link/LoopbackPort.h"
#include "link/PortFactory.h"

#include <QtTest>

using Answer = Prompts::Answer;

namespace {
QString setting(const DeviceBench &b, const QString &key)
{
    return IniFile(b.session.iniPath()).readValue(u"SETTINGS"_s, key);
}

// A port that will not open: held by another program, not the user's, or gone.
class ClosedPort : public LoopbackPort
{
public:
    ClosedPort(const QString &name, OpenError error, const QString &text)
        : LoopbackPort(name), m_error(error), m_text(text)
    {
    }
    bool open() override { return false; }
    OpenError openError() const override { return m_error; }
    QString errorString() const override { return m_text; }

private:
    OpenError m_error;
    QString m_text;
};
} // namespace

class TestDeviceIdentify : public QObject
{
    Q_OBJECT

private slots:
    void identifiesSupportedSelectorAndRemembersWhereItIs()
    {
        DeviceBench b("RX20=\n");
        SelectorSim *sim = b.openSim();
        sim->setAddress(10);
        sim->identity().serialNumber = 0x0A0B0C;
        sim->identity().creationDate = 0x0A6F;
        sim->identity().modificationDate = 0x0A70;
        sim->setMasks(QByteArray::fromHex("F0E1D2C3"));
        b.link.DeviceAddress = 10;
        // The catalogue of supported types is read afresh each time.
        QVERIFY(!b.session.Identify());
        QVERIFY(IniFile(b.session.iniPath()).writeValue(u"SUPPORTED TYPES"_s, u"RX30"_s, QString()));
        b.session.ReportFlag = true;
        QSignalSpy done(&b.session, &DeviceSession::identified);

        QVERIFY(b.session.Identify());
        QCOMPARE(done.count(), 1);
        QCOMPARE(b.session.DeviceType, u"RX30"_s);
        QStringList shown;
        for (const auto &line : b.session.identity.panelLines())
            shown << line.second;
        QCOMPARE(shown, (QStringList{u"RX30-EU"_s, QString::number(0x0A0B0C), u"STD"_s, u"1.20"_s,
                                     u"2005/3/15"_s, u"2005/3/16"_s}));
        QCOMPARE(b.session.AccessMasks, (std::array<quint8, 4>{{0xF0, 0xE1, 0xD2, 0xC3}}));
        QCOMPARE(setting(b, u"ComPort"_s), u"SIMA"_s);
        QCOMPARE(setting(b, u"ccTalkAddr"_s), u"0A"_s);

        // All ones is an unprogrammed serial number.
        sim->identity().serialNumber = 16777215;
        QVERIFY(b.session.Identify());
        QCOMPARE(b.session.identity.serialNumber, Msg(186));
    }

    void failuresShowTheirMessageOnlyWhenReporting()
    {
        struct Case
        {
            QByteArray maker, type;
            int faultHeader; // -1: none, 0: the mask read
            FK kind;
            QString message;
        };
        const QByteArray m = "Marvesti";
        const QList<Case> cases = {
            {m, "RX30", 246, FK::NoReply, QString()},   {"Othermaker", "RX30", -1, FK::NoReply, Msg(292)},
            {m, "RX30", 255, FK::NoReply, Msg(305)}, // the type request
            {m, "RX99", -1, FK::NoReply, Msg(82)},      {m, "RX30", 0, FK::NoReply, Msg(78) + u"2"_s},
            {m, "RX30", 0, FK::Nak, Msg(127) + u"0"_s},
        };
        for (const Case &c : cases) {
            DeviceBench b;
            SelectorSim *sim = b.openSim();
            sim->identity().manufacturer = c.maker;
            sim->identity().deviceType = c.type;
            const auto f = fault(c.kind, c.faultHeader == 0 ? 255 : c.faultHeader);
            if (c.faultHeader == 0)
                b.failWhenSent(sim, u"FF02077404"_s, f);
            b.session.AccessMasks = {{1, 2, 3, 4}};
            QSignalSpy done(&b.session, &DeviceSession::identified);
            for (bool report : {false, true}) {
                if (c.faultHeader > 0)
                    sim->injectFault(f);
                b.session.ReportFlag = report;
                QVERIFY(!b.session.Identify());
                QCOMPARE(b.prompts.allTexts(),
                         report && !c.message.isEmpty() ? QStringList{c.message} : QStringList{});
            }
            QCOMPARE(done.count(), 0);
            // Only a selector that passed the type check is remembered, and its old masks are gone.
            QCOMPARE(setting(b, u"ComPort"_s), c.faultHeader == 0 ? u"SIMA"_s : u"COM3"_s);
            QCOMPARE(b.session.AccessMasks[0], quint8(c.faultHeader == 0 ? 0 : 1));
            if (c.faultHeader == 246)
                QCOMPARE(b.sentHeaders(), (QList<int>{246, 246}));
        }
    }

    void searchFindsSelectorOnLastPortAndExplainsAPortHeldByAnotherProgram()
    {
        DeviceBench b;
        b.addBus(u"EMPTY1"_s, 0);
        b.addBus(u"EMPTY2"_s, 0);
        b.addBus(u"SIMC"_s)->setAddress(37);
        using E = SerialPort::OpenError;
        const struct
        {
            QString name;
            E error;
            QString text;
        } closed[] = {{u"HELD"_s, E::Busy, u"Device or resource busy"_s},
                      {u"DENIED"_s, E::PermissionDenied, u"Permission denied"_s},
                      {u"GONE"_s, E::NotFound, u"No such file or directory"_s}};
        for (const auto &c : closed)
            PortFactory::registerVirtual(c.name, [c]() {
                return std::unique_ptr<SerialPort>(new ClosedPort(c.name, c.error, c.text));
            });
        b.setPorts({u"HELD"_s, u"DENIED"_s, u"GONE"_s, u"EMPTY1"_s, u"DENIED"_s, u"EMPTY2"_s, u"SIMC"_s});
        b.usePort(u"HELD"_s);
        const bool wasFound = b.session.Search();
        for (const auto &c : closed)
            PortFactory::unregisterVirtual(c.name);
        QVERIFY(wasFound);
        QCOMPARE(b.prompts.allTexts(), QStringList{Msg(97) + u"37"_s + Msg(2) + u"SIMC"_s});
        QVERIFY(b.link.isPortOpen());
        // Broadcast simple polls went to every port that opened, up to the one answering.
        QCOMPARE(b.sent().filter(u"000001FE"_s).size(), 3);
        // A reason the user can fix is kept once per port; a port that is gone is skipped.
        QCOMPARE(b.session.portProblems().size(), 2);
        QCOMPARE(b.log.lines().filter(u"-- "_s),
                 (QStringList{u"-- "_s + Msg(427) + u"HELD (Device or resource busy)"_s,
                              u"-- "_s + Msg(426) + u"DENIED (Permission denied)"_s}));
    }

    void searchEndsNotFoundWithOneMessage()
    {
        struct Case
        {
            int selectors;
            QByteArray type;
            bool current;
            QString message;
        };
        const QList<Case> cases = {
            {2, "RX30", false, Msg(99) + u"2"_s}, // their answers to the address poll collide
            // The quiet first try on the current port says nothing; the scan's identification says it once.
            {1, "RX99", true, Msg(82)},
            {0, "", false, Msg(99)}, // no ports at all
        };
        for (const Case &c : cases) {
            DeviceBench b;
            b.setPorts({});
            if (c.selectors > 0) {
                b.addBus(u"BUS"_s, c.selectors);
                for (int i = 0; i < c.selectors; ++i)
                    b.buses.at(u"BUS"_s)->selector(i)->identity().deviceType = c.type;
                b.setPorts({u"BUS"_s});
            }
            b.usePort(c.current ? u"BUS"_s : u"NO-SUCH-PORT"_s);
            QVERIFY(!b.session.Search());
            QCOMPARE(b.prompts.allTexts(), QStringList{c.message});
        }
    }

    void addressPollTakesTheAnsweredAddressButNeverTheHosts()
    {
        DeviceBench b;
        SelectorSim *sim = b.openSim();
        sim->setAddress(1); // taking it would talk to ourselves
        QVERIFY(!b.session.AddressPoll());
        QCOMPARE(b.link.DeviceAddress, quint8(2));
        sim->setAddress(200);
        QVERIFY(b.session.AddressPoll());
        QCOMPARE(b.link.DeviceAddress, quint8(200));
    }
};

QTEST_GUILESS_MAIN(TestDeviceIdentify)
#include "test_device_identify.moc"
