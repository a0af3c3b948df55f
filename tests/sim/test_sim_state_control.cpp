#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimControl.h"
#include "sim/SimStateFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The selector's state file and the control channel's command language.
class TestSimStateControl : public QObject
{
    Q_OBJECT

private slots:
    void stateFileRoundTripsIdentitySecretsAndMemory();
    void damagedStateFileLeavesTheSelectorUntouched();
    void stateFileSurvivesTextFieldsWithSeparators();
    void controlCoinCommandsReportTheOutcome();
    void controlDipAndInputKeepTheOtherBits();
    void controlFaultOptionsReachTheSelector();
    void controlDumpShowsWorkingAndStoredCopies();

private:
    static QByteArray frame(quint8 to, const QByteArray &command)
    {
        QByteArray f;
        f += char(to);
        f += char(command.size() - 1);
        f += char(1);
        f += command;
        unsigned sum = 0;
        for (char c : f)
            sum += quint8(c);
        f += char((256 - sum % 256) % 256);
        return f;
    }
};

void TestSimStateControl::stateFileRoundTripsIdentitySecretsAndMemory()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("state.txt"));
    SelectorSim a;
    a.setAddress(77);
    a.setPin(QByteArray::fromHex("A1B2C3D4"));
    a.setFactoryPassword(QByteArray::fromHex("00112233AABB"));
    a.identity().manufacturer = "Someone";
    a.identity().deviceType = "RX20";
    a.identity().productCode = "P-1";
    a.identity().serialNumber = 0xFFFFFF;
    a.identity().buildCode = "B7";
    a.identity().softwareRevision = "3.01";
    a.identity().creationDate = 0x0A6F;
    a.identity().modificationDate = 0xFFFF;
    a.identity().baseYear = "1990";
    a.identity().databaseVersion = 9;
    a.identity().monitorIdentity = QByteArray::fromHex("000102030405060708");
    a.setMonitorBaud(38400);
    a.setMemory(0x0830, QByteArray::fromHex("DEADBEEF"));
    QVERIFY(SimStateFile::save(path, a));

    SelectorSim b(true);
    QString error;
    QVERIFY2(SimStateFile::load(path, b, &error), qPrintable(error));
    QCOMPARE(b.address(), quint8(77));
    QCOMPARE(b.pin(), a.pin());
    QCOMPARE(b.factoryPassword(), a.factoryPassword());
    QCOMPARE(b.identity().manufacturer, QByteArray("Someone"));
    QCOMPARE(b.identity().deviceType, QByteArray("RX20"));
    QCOMPARE(b.identity().productCode, QByteArray("P-1"));
    QCOMPARE(b.identity().serialNumber, quint32(0xFFFFFF));
    QCOMPARE(b.identity().buildCode, QByteArray("B7"));
    QCOMPARE(b.identity().softwareRevision, QByteArray("3.01"));
    QCOMPARE(b.identity().creationDate, quint16(0x0A6F));
    QCOMPARE(b.identity().modificationDate, quint16(0xFFFF));
    QCOMPARE(b.identity().baseYear, QByteArray("1990"));
    QCOMPARE(b.identity().databaseVersion, quint8(9));
    QCOMPARE(b.monitorIdentity(), a.monitorIdentity());
    QCOMPARE(b.monitorBaud(), 38400);
    QCOMPARE(b.nvImage(), a.nvImage());
    QCOMPARE(b.memory(0x0830, 4), QByteArray::fromHex("DEADBEEF")); // working copy loaded too
}

void TestSimStateControl::damagedStateFileLeavesTheSelectorUntouched()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("state.txt"));
    const QList<QByteArray> damaged = {
        "address=9\nmemory.0600=00112233\n",                         // short memory line
        "address=9\nmemory.0840=00112233445566778899AABBCCDDEEFF\n", // outside memory
        "address=9\nmemory.0608=00112233445566778899AABBCCDDEEFF\n", // not on a 16-byte line
        "address=9\npin=12345\n",
        "address=9\ncolour=blue\n",
        "address=1\n",
        "address=9\ntype=RX300\n",
        "address=9\nno equals sign\n",
        "address=9\nserial=16777216\n",
    };
    for (const QByteArray &content : damaged) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        SelectorSim sim;
        const QByteArray before = sim.nvImage();
        QString error;
        QVERIFY2(!SimStateFile::load(path, sim, &error), content.constData());
        QVERIFY(error.contains(QLatin1String("state.txt:")));
        QCOMPARE(sim.address(), quint8(2));
        QCOMPARE(sim.nvImage(), before);
    }
    SelectorSim sim;
    QString error;
    QVERIFY(!SimStateFile::load(dir.filePath(QStringLiteral("missing")), sim, &error));
    QVERIFY(!error.isEmpty());
}

void TestSimStateControl::stateFileSurvivesTextFieldsWithSeparators()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("state.txt"));
    SelectorSim a;
    a.identity().productCode = "A=B # C";
    QVERIFY(SimStateFile::save(path, a));
    SelectorSim b;
    QVERIFY(SimStateFile::load(path, b));
    QCOMPARE(b.identity().productCode, QByteArray("A=B # C"));
}

void TestSimStateControl::controlCoinCommandsReportTheOutcome()
{
    SimBus bus;
    SelectorSim *sim = bus.addSelector();
    SimControl control(&bus);
    QCOMPARE(control.execute(QStringLiteral("coin 1")), QStringLiteral("OK inhibited"));
    sim->setMasterInhibit(false);
    sim->handleFrame(frame(2, QByteArray::fromHex("E7FFFF")));
    QCOMPARE(control.execute(QStringLiteral("coin 2")), QStringLiteral("OK accepted 2"));
    const QByteArray c4 = sim->memory(0x0630, 6);
    QCOMPARE(control.execute(QStringLiteral("coin %1 %2 %3 %4 %5 %6")
                                 .arg(quint8(c4[0]))
                                 .arg(quint8(c4[1]))
                                 .arg(quint8(c4[2]))
                                 .arg(quint8(c4[3]))
                                 .arg(quint8(c4[4]))
                                 .arg(quint8(c4[5]))),
             QStringLiteral("OK accepted 4"));
    QCOMPARE(control.execute(QStringLiteral("return 1 1 1 1 1 1")), QStringLiteral("OK returned"));
    QCOMPARE(control.execute(QStringLiteral("coin 255 255 255 255 255 255")), QStringLiteral("OK rejected"));
    QCOMPARE(sim->insertionCounter(), quint32(5));
    QCOMPARE(sim->lastMeasurements(), QByteArray(6, char(0xFF)));
    QVERIFY(!control.quitRequested());
    QCOMPARE(control.execute(QStringLiteral("QUIT")), QStringLiteral("OK"));
    QVERIFY(control.quitRequested());
}

void TestSimStateControl::controlDipAndInputKeepTheOtherBits()
{
    SimBus bus;
    SelectorSim *sim = bus.addSelector();
    SimControl control(&bus);
    QCOMPARE(control.execute(QStringLiteral("input 2 1")), QStringLiteral("OK"));
    QCOMPARE(control.execute(QStringLiteral("dip 2 3F")), QStringLiteral("OK"));
    QCOMPARE(control.execute(QStringLiteral("dip 1 01")), QStringLiteral("OK"));
    QCOMPARE(sim->inputs(), QByteArray::fromHex("01BF"));
    QCOMPARE(control.execute(QStringLiteral("dip 2 00")), QStringLiteral("OK"));
    QCOMPARE(control.execute(QStringLiteral("input 1 1")), QStringLiteral("OK"));
    QCOMPARE(control.execute(QStringLiteral("input 2 0")), QStringLiteral("OK"));
    QCOMPARE(sim->inputs(), QByteArray::fromHex("8100"));
    QCOMPARE(control.execute(QStringLiteral("analog 0102030405060708090A0B")), QStringLiteral("OK"));
    QCOMPARE(sim->analog(), QByteArray::fromHex("0102030405060708090A0B"));
    QVERIFY(control.execute(QStringLiteral("analog 0102")).startsWith(QLatin1String("ERR")));
}

void TestSimStateControl::controlFaultOptionsReachTheSelector()
{
    SimBus bus;
    SelectorSim *sim = bus.addSelector();
    SimControl control(&bus);
    const QByteArray poll = frame(2, QByteArray::fromHex("FE"));
    const QByteArray manufacturer = frame(2, QByteArray::fromHex("F6"));
    QCOMPARE(control.execute(QStringLiteral("fault nak count 2 header 246")), QStringLiteral("OK"));
    QCOMPARE(quint8(sim->handleFrame(poll).bytes.at(3)), quint8(0));
    QCOMPARE(quint8(sim->handleFrame(manufacturer).bytes.at(3)), quint8(5));
    QCOMPARE(quint8(sim->handleFrame(manufacturer).bytes.at(3)), quint8(5));
    QCOMPARE(quint8(sim->handleFrame(manufacturer).bytes.at(3)), quint8(0));

    const int normal = sim->handleFrame(poll).delayMs;
    QCOMPARE(control.execute(QStringLiteral("fault late delay 250")), QStringLiteral("OK"));
    QCOMPARE(sim->handleFrame(poll).delayMs, normal + 250);
    QCOMPARE(sim->handleFrame(poll).delayMs, normal);

    QCOMPARE(control.execute(QStringLiteral("fault noreply count always")), QStringLiteral("OK"));
    for (int i = 0; i < 5; ++i)
        QVERIFY(sim->handleFrame(poll).bytes.isEmpty());
    QCOMPARE(control.execute(QStringLiteral("clear-faults")), QStringLiteral("OK"));
    QVERIFY(!sim->handleFrame(poll).bytes.isEmpty());

    QCOMPARE(control.execute(QStringLiteral("unplug")), QStringLiteral("OK"));
    QVERIFY(sim->handleFrame(poll).bytes.isEmpty());
    QCOMPARE(control.execute(QStringLiteral("plug")), QStringLiteral("OK"));
    QCOMPARE(control.execute(QStringLiteral("monitor")), QStringLiteral("OK"));
    QVERIFY(sim->inMonitor());
    QVERIFY(control.execute(QStringLiteral("status")).contains(QLatin1String("monitor=1")));
}

void TestSimStateControl::controlDumpShowsWorkingAndStoredCopies()
{
    SimBus bus;
    SelectorSim *sim = bus.addSelector();
    SimControl control(&bus);
    const QByteArray reply = sim->handleFrame(frame(2, QByteArray::fromHex("FF030800ABCDEF"))).bytes;
    QCOMPARE(quint8(reply.at(3)), quint8(0));
    QCOMPARE(control.execute(QStringLiteral("dump 0800 3")), QStringLiteral("OK ABCDEF"));
    QCOMPARE(control.execute(QStringLiteral("dump-nv 0800 3")),
             QStringLiteral("OK ") + QString::fromLatin1(sim->nvMemory(0x0800, 3).toHex().toUpper()));
    QVERIFY(control.execute(QStringLiteral("dump-nv 0800 3")) != QStringLiteral("OK ABCDEF"));
    QCOMPARE(control.execute(QStringLiteral("dump 083F 1")).size(), 5);
    QVERIFY(control.execute(QStringLiteral("dump 083F 2")).startsWith(QLatin1String("ERR")));
    QVERIFY(control.execute(QStringLiteral("dump 05FF 1")).startsWith(QLatin1String("ERR")));
    QVERIFY(control.execute(QString()).startsWith(QLatin1String("ERR")));
}

QTEST_GUILESS_MAIN(TestSimStateControl)
#include "test_sim_state_control.moc"
