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

    // Ports named on the command line and simulated ones are searched too, each once.
    void portListHoldsExplicitAndVirtualNamesOnce()
    {
        const QString pty = QStringLiteral("/dev/pts/77");
        const QString virt = QStringLiteral("VIRT");
        PortFactory::registerVirtual(virt, [virt] { return std::make_unique<LoopbackPort>(virt); });
        const QStringList list = PortList::ports({pty, virt, pty});
        PortFactory::unregisterVirtual(virt);
        QCOMPARE(list.count(pty), 1);
        QCOMPARE(list.count(virt), 1);
        QVERIFY(!PortList::ports().contains(virt));
    }
};

QTEST_GUILESS_MAIN(QtSerialPortTest)
#include "test_qtserialport.moc"
