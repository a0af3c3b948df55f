#include "DeviceBench.h"

#include "app/Messages.h"
#include "config/IniFile.h"

#include <QtTest>

using Kind = ScriptedPrompts::Kind;
using FK = SelectorSim::FaultKind;

class TestDeviceIdentify : public QObject
{
    Q_OBJECT

private:
    // Injects a fault into the selector the moment the given frame text goes out, so one
    // particular request of the identification fails.
    static QMetaObject::Connection failWhenSent(DeviceBench &b, SelectorSim *sim, const QString &frameText,
                                                SelectorSim::Fault fault)
    {
        return QObject::connect(&b.log, &CommLog::lineAdded, [=](const QString &line) {
            if (line.startsWith(QLatin1String("-> ")) && line.contains(frameText))
                sim->injectFault(fault);
        });
    }

private slots:
    void identifiesSupportedSelectorAndFillsPanel()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        SelectorSim *sim = b.sim(QStringLiteral("SIMA"));
        sim->identity().productCode = "RX30-EU";
        sim->identity().serialNumber = 0x0A0B0C;
        sim->identity().buildCode = "B17";
        sim->identity().softwareRevision = "2.04";
        sim->identity().creationDate = 0x0A6F;
        sim->identity().baseYear = "2000";
        sim->setMasks(QByteArray::fromHex("F0E1D2C3"));
        b.usePort(QStringLiteral("SIMA"));
        b.session.ReportFlag = true;
        QSignalSpy changed(&b.session, &DeviceSession::identityChanged);
        QSignalSpy done(&b.session, &DeviceSession::identified);

        QVERIFY(b.session.Identify());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(done.count(), 1);
        QCOMPARE(b.session.DeviceType, QStringLiteral("RX30"));
        QCOMPARE(b.session.identity.productCode, QStringLiteral("RX30-EU"));
        QCOMPARE(b.session.identity.serialNumber, QString::number(0x0A0B0C));
        QCOMPARE(b.session.identity.buildCode, QStringLiteral("B17"));
        QCOMPARE(b.session.identity.softwareRevision, QStringLiteral("2.04"));
        QCOMPARE(b.session.identity.productionDate, QStringLiteral("2005/3/15"));
        QVERIFY(!b.session.identity.modificationDate.isEmpty());
        QCOMPARE(b.session.AccessMasks[0], quint8(0xF0));
        QCOMPARE(b.session.AccessMasks[3], quint8(0xC3));
        QVERIFY(b.prompts.shown().isEmpty());

        const IniFile ini(b.session.iniPath());
        QCOMPARE(ini.readValue(QStringLiteral("SETTINGS"), QStringLiteral("ComPort")),
                 QStringLiteral("SIMA"));
        QCOMPARE(ini.readValue(QStringLiteral("SETTINGS"), QStringLiteral("ccTalkAddr")),
                 QStringLiteral("02"));

        // The panel lists the six captions in order, trimmed.
        const auto lines = b.session.identity.panelLines();
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.at(0).first, Msg(215).trimmed());
        QCOMPARE(lines.at(5).first, Msg(172).trimmed());
        QCOMPARE(lines.at(2).second, QStringLiteral("B17"));
    }

    void identifyAtOtherAddressStoresItAsTwoHexDigits()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        b.sim(QStringLiteral("SIMA"))->setAddress(171);
        b.usePort(QStringLiteral("SIMA"));
        b.link.DeviceAddress = 171;
        b.link.MonitorAddress = 2;
        QVERIFY(b.session.Identify());
        QCOMPARE(b.link.MonitorAddress, quint8(171));
        QCOMPARE(
            IniFile(b.session.iniPath()).readValue(QStringLiteral("SETTINGS"), QStringLiteral("ccTalkAddr")),
            QStringLiteral("AB"));
    }

    void serialOfAllOnesShowsNotProgrammed()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        b.sim(QStringLiteral("SIMA"))->identity().serialNumber = 16777215;
        b.usePort(QStringLiteral("SIMA"));
        QVERIFY(b.session.Identify());
        QCOMPARE(b.session.identity.serialNumber, Msg(186));
    }

    void failedInformationalRequestLeavesFieldEmptyOnly()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        SelectorSim *sim = b.sim(QStringLiteral("SIMA"));
        sim->injectFault(DeviceBench::fault(FK::NoReply, 192));
        sim->injectFault(DeviceBench::fault(FK::CorruptChecksum, 242));
        b.usePort(QStringLiteral("SIMA"));
        b.session.ReportFlag = true;
        QVERIFY(b.session.Identify());
        QVERIFY(b.session.identity.buildCode.isEmpty());
        QVERIFY(b.session.identity.serialNumber.isEmpty());
        QVERIFY(!b.session.identity.productCode.isEmpty());
        QVERIFY(b.prompts.shown().isEmpty());
    }

    void refusalsShowTheirMessageOnlyWhenReporting()
    {
        struct Case
        {
            const char *name;
            std::function<void(SelectorSim *)> setup;
            int message;
        };
        const QList<Case> cases = {
            {"other maker", [](SelectorSim *s) { s->identity().manufacturer = "Othermaker"; }, 292},
            {"type request fails",
             [](SelectorSim *s) { s->injectFault(DeviceBench::fault(FK::NoReply, 255)); }, 305},
            {"unsupported type", [](SelectorSim *s) { s->identity().deviceType = "RX99"; }, 82},
        };
        for (const Case &c : cases) {
            for (bool report : {false, true}) {
                DeviceBench b;
                b.addBus(QStringLiteral("SIMA"));
                c.setup(b.sim(QStringLiteral("SIMA")));
                b.usePort(QStringLiteral("SIMA"));
                b.session.ReportFlag = report;
                QVERIFY2(!b.session.Identify(), c.name);
                const QStringList expected = report ? QStringList{Msg(c.message)} : QStringList{};
                QVERIFY2(b.prompts.texts(Kind::Error) == expected, c.name);
                // A refused selector is not remembered.
                QCOMPARE(IniFile(b.session.iniPath())
                             .readValue(QStringLiteral("SETTINGS"), QStringLiteral("ComPort")),
                         QStringLiteral("COM3"));
            }
        }
    }

    void supportedTypesAreReadAfreshAndCaseSensitive()
    {
        DeviceBench b("RX20=\n");
        b.addBus(QStringLiteral("SIMA"));
        b.usePort(QStringLiteral("SIMA"));
        QVERIFY(!b.session.IsSupportedType(QStringLiteral("RX30")));
        QVERIFY(!b.session.Identify());
        IniFile ini(b.session.iniPath());
        QVERIFY(ini.writeValue(QStringLiteral("SUPPORTED TYPES"), QStringLiteral("RX30"), QString()));
        QVERIFY(b.session.IsSupportedType(QStringLiteral("RX30")));
        QVERIFY(!b.session.IsSupportedType(QStringLiteral("rx30")));
        QVERIFY(b.session.Identify());
    }

    void unreadableMasksFailIdentification()
    {
        // The mask read is the last request; a timeout gives "Communication error" with the result code 2,
        // a refusal "Error reading read/write masks" with 0.
        const QList<QPair<FK, QString>> cases = {{FK::NoReply, Msg(78) + QStringLiteral("2")},
                                                 {FK::CorruptChecksum, Msg(78) + QStringLiteral("1")},
                                                 {FK::Nak, Msg(127) + QStringLiteral("0")}};
        for (const auto &c : cases) {
            DeviceBench b;
            b.addBus(QStringLiteral("SIMA"));
            SelectorSim *sim = b.sim(QStringLiteral("SIMA"));
            failWhenSent(b, sim, QStringLiteral("FF02077404"), DeviceBench::fault(c.first, 255));
            b.usePort(QStringLiteral("SIMA"));
            b.session.ReportFlag = true;
            b.session.AccessMasks = {{1, 2, 3, 4}};
            QSignalSpy changed(&b.session, &DeviceSession::identityChanged);
            QSignalSpy done(&b.session, &DeviceSession::identified);
            QVERIFY(!b.session.Identify());
            QCOMPARE(changed.count(), 1);
            QCOMPARE(done.count(), 0);
            QCOMPARE(b.prompts.texts(Kind::Error), QStringList{c.second});
            QCOMPARE(b.session.AccessMasks[0], quint8(0));
            QCOMPARE(b.session.AccessMasks[3], quint8(0));
        }
    }

    void silentSelectorFailsWithoutMessage()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        b.sim(QStringLiteral("SIMA"))->setUnplugged(true);
        b.usePort(QStringLiteral("SIMA"));
        b.session.ReportFlag = true;
        QVERIFY(!b.session.Identify());
        QVERIFY(b.prompts.shown().isEmpty());
        QCOMPARE(b.sentHeaders(), QList<int>{246});
    }
};

QTEST_GUILESS_MAIN(TestDeviceIdentify)
#include "test_device_identify.moc"
