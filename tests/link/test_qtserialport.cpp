#include "Pty.h"
#include "link/LoopbackPort.h"
#include "link/PortFactory.h"
#include "link/QtSerialPort.h"

#include <QSignalSpy>
#include <QTest>

class QtSerialPortTest : public QObject
{
    Q_OBJECT

private slots:
    void opensAPseudoTerminalDespiteItsMissingModemLines()
    {
        Pty pty;
        QVERIFY(!pty.slave.isEmpty());
        QtSerialPort port(pty.slave);
        QVERIFY2(port.open(), qPrintable(port.errorString()));
        QVERIFY(port.isOpen());
        QCOMPARE(port.openError(), SerialPort::OpenError::None);

        QSignalSpy arrived(&port, &SerialPort::rxChar);
        QVERIFY(pty.send(QByteArray("\x01\x00\x02\x00\xFD", 5)));
        QTRY_VERIFY(port.bytesAvailable() == 5);
        QVERIFY(arrived.count() >= 1);
        QCOMPARE(port.read(5), QByteArray("\x01\x00\x02\x00\xFD", 5));

        QCOMPARE(port.write(QByteArray("\x02\x00\x01\xFE\xFF", 5)), qint64(5));
        QByteArray seen;
        QTRY_COMPARE((seen += pty.receive()), QByteArray("\x02\x00\x01\xFE\xFF", 5));
    }

    void portListHoldsExplicitAndVirtualNamesOnce()
    {
        PortFactory::registerVirtual(QStringLiteral("VIRT"),
                                     [] { return std::make_unique<LoopbackPort>(QStringLiteral("VIRT")); });
        const QStringList list = PortList::ports({QStringLiteral("/dev/pts/77"), QStringLiteral("VIRT"),
                                                  QStringLiteral("/dev/pts/77")});
        QCOMPARE(list.count(QStringLiteral("/dev/pts/77")), 1);
        QCOMPARE(list.count(QStringLiteral("VIRT")), 1);
        QVERIFY(list.indexOf(QStringLiteral("/dev/pts/77")) < list.indexOf(QStringLiteral("VIRT")));
        QCOMPARE(PortList::ports(), PortList::ports()); // stable order
        QVERIFY(PortFactory::isVirtual(QStringLiteral("VIRT")));
        QCOMPARE(PortFactory::create(QStringLiteral("VIRT"))->portName(), QStringLiteral("VIRT"));
        PortFactory::unregisterVirtual(QStringLiteral("VIRT"));
        QVERIFY(!PortList::ports().contains(QStringLiteral("VIRT")));
    }
};

QTEST_GUILESS_MAIN(QtSerialPortTest)
#include "test_qtserialport.moc"
