#include "link/CcTalkLink.h"
#include "link/LoopbackPort.h"
#include "link/PortFactory.h"
#include "link/QtSerialPort.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal pair: the test plays the device on the master side.
class Pty
{
public:
    Pty()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_slave = QString::fromLocal8Bit(ptsname(m_master));
        if (m_master >= 0) {
            termios tio;
            tcgetattr(m_master, &tio);
            cfmakeraw(&tio);
            tcsetattr(m_master, TCSANOW, &tio);
        }
    }
    ~Pty()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    QString slave() const { return m_slave; }
    void send(const QByteArray &bytes) { QVERIFY(::write(m_master, bytes.data(), bytes.size()) == bytes.size()); }
    QByteArray receive()
    {
        QByteArray out;
        char buf[256];
        int flags = fcntl(m_master, F_GETFL);
        fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
        for (ssize_t n; (n = ::read(m_master, buf, sizeof buf)) > 0;)
            out.append(buf, static_cast<int>(n));
        fcntl(m_master, F_SETFL, flags);
        return out;
    }
    speed_t slaveSpeed()
    {
        termios tio;
        tcgetattr(m_master, &tio);
        return cfgetospeed(&tio);
    }

private:
    int m_master = -1;
    QString m_slave;
};

class QtSerialPortTest : public QObject
{
    Q_OBJECT

private slots:
    void opensAPseudoTerminalDespiteItsMissingModemLines()
    {
        Pty pty;
        QVERIFY(!pty.slave().isEmpty());
        QtSerialPort port(pty.slave());
        QVERIFY2(port.open(), qPrintable(port.errorString()));
        QVERIFY(port.isOpen());
        QCOMPARE(port.openError(), SerialPort::OpenError::None);

        QSignalSpy arrived(&port, &SerialPort::rxChar);
        pty.send(QByteArray("\x01\x00\x02\x00\xFD", 5));
        QTRY_VERIFY(port.bytesAvailable() == 5);
        QVERIFY(arrived.count() >= 1);
        QCOMPARE(port.read(5), QByteArray("\x01\x00\x02\x00\xFD", 5));

        QCOMPARE(port.write(QByteArray("\x02\x00\x01\xFE\xFF", 5)), qint64(5));
        QByteArray seen;
        QTRY_COMPARE((seen += pty.receive()), QByteArray("\x02\x00\x01\xFE\xFF", 5));
    }

    void baudRateReachesTheLine()
    {
        Pty pty;
        QtSerialPort port(pty.slave());
        QVERIFY(port.open());
        QVERIFY(port.setBaudRate(38400));
        QCOMPARE(pty.slaveSpeed(), speed_t(B38400));
        QVERIFY(!port.setBaudRate(57600));
        QCOMPARE(port.baudRate(), 38400);
    }

    void transactOverARealTerminalLine()
    {
        Pty pty;
        CcTalkLink link;
        link.setPortName(pty.slave());
        QVERIFY(link.openPort());
        // The device side: echo the frame and answer ACK once it is written.
        QTimer device;
        connect(&device, &QTimer::timeout, this, [&] {
            const QByteArray in = pty.receive();
            if (in.size() == 5)
                pty.send(in + QByteArray("\x01\x00\x02\x00\xFD", 5));
        });
        device.start(2);
        QByteArray reply;
        QCOMPARE(link.Transact(2, QByteArray(1, char(254)), 10, reply), quint8(CcTalkLink::Ok));
        QCOMPARE(reply, QByteArray("\x01\x00\x02\x00\xFD", 5));
    }

    void missingPortSaysWhy()
    {
        QtSerialPort port(QStringLiteral("/dev/ttyNO_SUCH_PORT"));
        QVERIFY(!port.open());
        QCOMPARE(port.openError(), SerialPort::OpenError::NotFound);
        QVERIFY(!port.errorString().isEmpty());
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
