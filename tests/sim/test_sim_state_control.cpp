#include "SimFixture.h"
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
    void stateFileRoundTripsIdentitySecretsAndMemory()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("state.txt"));
        SelectorSim a;
        a.setAddress(77);
        a.setPin(QByteArray::fromHex("A1B2C3D4"));
        a.setFactoryPassword(QByteArray::fromHex("00112233AABB"));
        // The product code carries the file's own separators.
        const QByteArray monitor = QByteArray::fromHex("000102030405060708");
        a.identity() = {"Someone", "RX20", "A=B # C", 0xFFFFFF, "B7",    "3.01",
                        0x0A6F,    0xFFFF, "1990",    9,        monitor, "3.02"};
        a.setMonitorBaud(38400);
        a.setMemory(0x0830, QByteArray::fromHex("DEADBEEF"));
        QVERIFY(SimStateFile::save(path, a));

        SelectorSim b(true);
        QString error;
        QVERIFY2(SimStateFile::load(path, b, &error), qPrintable(error));
        const auto &x = a.identity();
        const auto &y = b.identity();
        QCOMPARE(
            QList<QByteArray>({y.manufacturer, y.deviceType, y.productCode, y.buildCode, y.softwareRevision,
                               y.baseYear, b.monitorIdentity(), b.pin(), b.factoryPassword(), b.nvImage()}),
            QList<QByteArray>({x.manufacturer, x.deviceType, x.productCode, x.buildCode, x.softwareRevision,
                               x.baseYear, a.monitorIdentity(), a.pin(), a.factoryPassword(), a.nvImage()}));
        QCOMPARE(QList<quint32>({y.serialNumber, y.creationDate, y.modificationDate, y.databaseVersion,
                                 b.address(), quint32(b.monitorBaud())}),
                 QList<quint32>({0xFFFFFF, 0x0A6F, 0xFFFF, 9, 77, 38400}));
        QCOMPARE(b.memory(0x0830, 4), QByteArray::fromHex("DEADBEEF")); // working copy loaded too
    }

    void damagedStateFileLeavesTheSelectorUntouched()
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

    void controlCommandsDriveTheSelectorAndShowItsState()
    {
        SimFixture f;
        SelectorSim *sim = f.sim;
        SimControl control(f.bus.get());
        auto run = [&](const char *line) { return control.execute(QLatin1String(line)); };
        QCOMPARE(run("coin 1"), QStringLiteral("OK inhibited"));
        sim->setMasterInhibit(false);
        QCOMPARE(f.ack(cmd(231, "FFFF")), 0);
        QCOMPARE(run("coin 2"), QStringLiteral("OK accepted 2"));
        QStringList c4;
        for (char c : sim->memory(0x0630, 6))
            c4 << QString::number(quint8(c));
        QCOMPARE(control.execute(QStringLiteral("coin ") + c4.join(' ')), QStringLiteral("OK accepted 4"));
        QCOMPARE(run("return 1 1 1 1 1 1"), QStringLiteral("OK returned"));
        QCOMPARE(run("coin 255 255 255 255 255 255"), QStringLiteral("OK rejected"));
        QCOMPARE(sim->insertionCounter(), quint32(5));
        QCOMPARE(sim->lastMeasurements(), QByteArray(6, char(0xFF)));

        // DIP banks and input lines share bytes: each command keeps the other bits.
        for (const char *line : {"input 2 1", "dip 2 3F", "dip 1 01"})
            QCOMPARE(run(line), QStringLiteral("OK"));
        QCOMPARE(sim->inputs(), QByteArray::fromHex("01BF"));
        for (const char *line : {"dip 2 00", "input 1 1", "input 2 0", "opto 1F", "analog 9 84"})
            QCOMPARE(run(line), QStringLiteral("OK"));
        QCOMPARE(sim->inputs(), QByteArray::fromHex("8100"));
        QCOMPARE(sim->optoStates(), quint8(0x1F));
        QCOMPARE(quint8(sim->analog().at(9)), quint8(84));
        QCOMPARE(run("analog 0102030405060708090A0B"), QStringLiteral("OK"));
        QCOMPARE(sim->analog(), QByteArray::fromHex("0102030405060708090A0B"));

        QCOMPARE(run("outputs"), QStringLiteral("OK solenoid=-- latch=-- pulse=-- counts=0,0,0"));
        QCOMPARE(f.ack(cmd(233, "05")), 0);
        QCOMPARE(f.ack(cmd(240, "08")), 0);
        QCOMPARE(run("outputs"), QStringLiteral("OK solenoid=08 latch=05 pulse=-- counts=1,1,0"));

        // Dumps show the working copy and the stored one.
        QCOMPARE(f.ack(writeCmd(0x0800, hex("ABCDEF"))), 0);
        QCOMPARE(run("dump 0800 3"), QStringLiteral("OK ABCDEF"));
        const QByteArray stored = sim->nvMemory(0x0800, 3);
        QVERIFY(stored != QByteArray::fromHex("ABCDEF"));
        QCOMPARE(run("dump-nv 0800 3"),
                 QStringLiteral("OK ") + QString::fromLatin1(stored.toHex().toUpper()));
        QCOMPARE(run("dump 083F 1").size(), 5);

        QCOMPARE(run("monitor"), QStringLiteral("OK"));
        QVERIFY(run("status").startsWith(QLatin1String("OK address=2 monitor=1 baud=9600 insertions=5")));
        QVERIFY(!control.quitRequested());
        QCOMPARE(run("QUIT"), QStringLiteral("OK"));
        QVERIFY(control.quitRequested());
    }

    void controlRefusesMalformedCommands()
    {
        SimBus bus;
        bus.addSelector();
        SimControl control(&bus);
        for (const char *line : {"", "coin 17", "coin 1 2 3", "coin 1 2 3 4 5 256", "dip 3 00", "dip 1 40",
                                 "fault bogus", "fault nak count", "dump 083F 2", "dump 05FF 1", "dump 0600",
                                 "analog 11 0", "analog 0102", "opto 1F2E", "frobnicate"})
            QVERIFY2(control.execute(QLatin1String(line)).startsWith(QLatin1String("ERR")), line);
    }
};

QTEST_GUILESS_MAIN(TestSimStateControl)
#include "test_sim_state_control.moc"
