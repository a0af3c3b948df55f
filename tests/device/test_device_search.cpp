#include "DeviceBench.h"

#include "app/Messages.h"
#include "link/LoopbackPort.h"
#include "link/PortFactory.h"

#include <QElapsedTimer>
#include <QtTest>

using Kind = ScriptedPrompts::Kind;
using Answer = Prompts::Answer;

class TestDeviceSearch : public QObject
{
    Q_OBJECT

private:
    static QString found(int address, const QString &port)
    {
        return Msg(97) + QString::number(address) + Msg(2) + port;
    }

private slots:
    void selectorOnCurrentPortIsFoundWithoutScanning()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        b.addBus(QStringLiteral("SIMB"));
        int listed = 0;
        b.session.setPortLister([&listed]() {
            ++listed;
            return QStringList{QStringLiteral("SIMB"), QStringLiteral("SIMA")};
        });
        QList<bool> notebook;
        b.session.setNotebookHook([&notebook](bool on) { notebook << on; });
        b.usePort(QStringLiteral("SIMA"));
        b.link.DeviceAddress = 9;

        QVERIFY(b.session.Search());
        QCOMPARE(b.prompts.texts(Kind::Information), QStringList{found(2, QStringLiteral("SIMA"))});
        QVERIFY(b.prompts.texts(Kind::Error).isEmpty());
        QCOMPARE(listed, 0);
        QCOMPARE(notebook, (QList<bool>{false, true}));
        QVERIFY(b.session.ReportFlag);
        QVERIFY(Msg(97) + QStringLiteral("2") + Msg(2) + QStringLiteral("COM3") ==
                QStringLiteral("Coin selector with address 2 found at  COM3"));
    }

    void selectorOnLastOfSeveralPortsIsFoundByAddressPoll()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("EMPTY1"), 0);
        b.addBus(QStringLiteral("EMPTY2"), 0);
        b.addBus(QStringLiteral("SIMC"));
        b.sim(QStringLiteral("SIMC"))->setAddress(37);
        b.setPorts({QStringLiteral("EMPTY1"), QStringLiteral("EMPTY2"), QStringLiteral("SIMC")});
        b.usePort(QStringLiteral("EMPTY1"));

        QVERIFY(b.session.Search());
        QCOMPARE(b.prompts.texts(Kind::Information), QStringList{found(37, QStringLiteral("SIMC"))});
        QCOMPARE(b.link.DeviceAddress, quint8(37));
        QCOMPARE(b.link.MonitorAddress, quint8(37));
        QCOMPARE(b.link.portName(), QStringLiteral("SIMC"));
        QVERIFY(b.link.isPortOpen());
        // Simple polls to the broadcast address went to every port up to the one answering.
        QCOMPARE(b.sent().filter(QStringLiteral("000001FE")).size(), 3);
    }

    void twoSelectorsAtOneAddressAreNotFound()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("EMPTY1"), 0);
        b.addBus(QStringLiteral("BUS2"), 2);
        b.setPorts({QStringLiteral("EMPTY1"), QStringLiteral("BUS2")});
        b.usePort(QStringLiteral("EMPTY1"));

        QVERIFY(!b.session.Search());
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(99) + QStringLiteral("2")});
        QVERIFY(b.prompts.texts(Kind::Information).isEmpty());
        QCOMPARE(b.link.RxBuffer.size(), 7);
    }

    void refusalOnCurrentPortIsReportedOnlyByTheSecondStage()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        b.sim(QStringLiteral("SIMA"))->identity().deviceType = "RX99";
        b.setPorts({QStringLiteral("SIMA")});
        b.usePort(QStringLiteral("SIMA"));
        QVERIFY(!b.session.Search());
        // The quiet first try on the current port says nothing; the scan's identification says it once.
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(82)});
        QVERIFY(b.prompts.texts(Kind::Information).isEmpty());
        QCOMPARE(b.sentHeaders().count(253), 1);
    }

    void addressPollAcceptsExactlyOneAnswerByte()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        b.sim(QStringLiteral("SIMA"))->setAddress(200);
        b.usePort(QStringLiteral("SIMA"));
        QVERIFY(b.session.AddressPoll());
        QCOMPARE(b.link.DeviceAddress, quint8(200));
        b.sim(QStringLiteral("SIMA"))->setUnplugged(true);
        QVERIFY(!b.session.AddressPoll());
        QCOMPARE(b.link.DeviceAddress, quint8(2));
        // The host's own address is no selector's: taking it would talk to ourselves.
        b.sim(QStringLiteral("SIMA"))->setUnplugged(false);
        b.sim(QStringLiteral("SIMA"))->setAddress(1);
        QVERIFY(!b.session.AddressPoll());
        QCOMPARE(b.link.RxBuffer.size(), 6);
        QCOMPARE(b.link.DeviceAddress, quint8(2));
    }

    void monitorAt38400IsOfferedForUpgradeAndPortLeftAt9600()
    {
        for (Answer answer : {Answer::Yes, Answer::No}) {
            DeviceBench b;
            b.addBus(QStringLiteral("MON"));
            SelectorSim *sim = b.sim(QStringLiteral("MON"));
            sim->setMonitorBaud(38400);
            sim->enterMonitor();
            b.setPorts({QStringLiteral("MON")});
            b.usePort(QStringLiteral("MON"));
            b.prompts.queueAnswer(answer);

            QVERIFY(!b.session.Search());
            QCOMPARE(b.prompts.texts(Kind::Confirm), QStringList{Msg(98)});
            const QStringList info = b.prompts.texts(Kind::Information);
            QCOMPARE(info, answer == Answer::Yes ? QStringList{Msg(420)} : QStringList{});
            QVERIFY(b.prompts.texts(Kind::Error).isEmpty());
            QCOMPARE(b.link.baudRate(), 9600);
            QCOMPARE(b.link.port()->baudRate(), 9600);
        }
    }

    void monitorUpgradeHandlerRunsOnYes()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("MON"));
        b.sim(QStringLiteral("MON"))->enterMonitor();
        b.setPorts({QStringLiteral("MON")});
        int opened = 0;
        b.session.setUpgradeHandler([&opened]() { ++opened; });
        b.prompts.queueAnswer(Answer::Yes);
        b.session.Search();
        QCOMPARE(opened, 1);
        QVERIFY(b.prompts.texts(Kind::Information).isEmpty());
    }

    void monitorOfUnsupportedTypeIsNotOffered()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("MON"));
        b.sim(QStringLiteral("MON"))->identity().monitorIdentity = "ZZ99BOOT1";
        b.sim(QStringLiteral("MON"))->enterMonitor();
        b.setPorts({QStringLiteral("MON")});
        QVERIFY(!b.session.Search());
        QVERIFY(b.prompts.texts(Kind::Confirm).isEmpty());
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(99)});
    }

    void noPortsAtAllEndsNotFound()
    {
        DeviceBench b;
        b.setPorts({});
        b.usePort(QStringLiteral("NO-SUCH-PORT-FOR-TEST"));
        QVERIFY(!b.session.Search());
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(99)});
        QVERIFY(b.prompts.texts(Kind::Confirm).isEmpty());
        QVERIFY(b.session.ReportFlag);
    }

    void portHeldByAnotherProgramIsSkippedAndExplained()
    {
        // A port that refuses to open as a port held by another program does.
        class HeldPort : public LoopbackPort
        {
        public:
            HeldPort() : LoopbackPort(QStringLiteral("HELD")) {}
            bool open() override { return false; }
            OpenError openError() const override { return OpenError::Busy; }
            QString errorString() const override { return QStringLiteral("Device or resource busy"); }
        };
        DeviceBench b;
        b.addBus(QStringLiteral("SIMB"));
        PortFactory::registerVirtual(QStringLiteral("HELD"), []() {
            return std::unique_ptr<SerialPort>(std::make_unique<HeldPort>());
        });
        b.setPorts({QStringLiteral("HELD"), QStringLiteral("SIMB")});
        b.usePort(QStringLiteral("HELD"));
        const bool wasFound = b.session.Search();
        PortFactory::unregisterVirtual(QStringLiteral("HELD"));
        QVERIFY(wasFound);
        QCOMPARE(b.prompts.texts(Kind::Information), QStringList{found(2, QStringLiteral("SIMB"))});
        QVERIFY(b.prompts.texts(Kind::Error).isEmpty());
        const auto problems = b.session.portProblems();
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems.at(0).port, QStringLiteral("HELD"));
        QCOMPARE(problems.at(0).message, 427);
        const QString text = Msg(427) + QStringLiteral("HELD (Device or resource busy)");
        QCOMPARE(DeviceSession::openProblemText(problems.at(0).message, problems.at(0).port,
                                                problems.at(0).detail),
                 text);
        QVERIFY(b.log.lines().contains(QStringLiteral("-- ") + text));
    }

    void searchOverSilentPortsTakesThePollBudgetsOnly()
    {
        // Per silent port: a broadcast simple poll (10 ms start + 5 polls) and the monitor's "V"
        // at two rates (each: baud change 10 ms, 20 ms settle, 10 polls); plus the first
        // identification (10 ms + 5 polls) and the final baud change.
        const int ports = 6;
        const int perPort = (10 + 5 * 10) + 2 * (10 + 20 + 10 * 10);
        const int budget = (10 + 5 * 10) + ports * perPort + 10;
        DeviceBench b;
        QStringList names;
        for (int i = 0; i < ports; ++i) {
            names << QStringLiteral("SILENT%1").arg(i);
            b.addBus(names.last(), 0);
        }
        b.setPorts(names);
        b.usePort(names.first());
        QElapsedTimer t;
        t.start();
        QVERIFY(!b.session.Search());
        const qint64 took = t.elapsed();
        qInfo("search over %d silent ports: %lld ms (poll budgets %d ms)", ports, took, budget);
        QVERIFY2(took >= budget * 9 / 10, qPrintable(QString::number(took)));
        // Head-room for a loaded machine; a wait the budgets do not account for (one address
        // poll per port would add 1.2 s each) still fails.
        QVERIFY2(took <= budget * 3 / 2 + 200, qPrintable(QString::number(took)));
    }
};

QTEST_GUILESS_MAIN(TestDeviceSearch)
#include "test_device_search.moc"
