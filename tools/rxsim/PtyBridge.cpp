#include "PtyBridge.h"

#include "sim/SimBus.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr qint64 StaleAfterMs = 300;

int speedToRate(speed_t speed)
{
    switch (speed) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

} // namespace

PtyBridge::PtyBridge(SimBus *bus, QObject *parent) : QObject(parent), m_bus(bus)
{
    connect(m_bus, &SimBus::bytesForHost, this, &PtyBridge::writeHost);
}

PtyBridge::~PtyBridge()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyBridge::open(QString *error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: %1")
                     .arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    const char *name = ptsname(m_master);
    if (!name) {
        *error = QStringLiteral("cannot name the pseudo-terminal");
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave >= 0) {
        // Raw 9600 8N1 until the host sets its own mode: no echo or line editing by the tty.
        termios tio{};
        if (tcgetattr(m_slave, &tio) == 0) {
            cfmakeraw(&tio);
            cfsetispeed(&tio, B9600);
            cfsetospeed(&tio, B9600);
            tcsetattr(m_slave, TCSANOW, &tio);
        }
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(qintptr(m_master), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyBridge::readHost);
    return true;
}

int PtyBridge::hostBaud() const
{
    // On Linux the master reports the settings the host made on the slave.
    termios tio{};
    if (tcgetattr(m_master, &tio) != 0)
        return 9600;
    const int rate = speedToRate(cfgetospeed(&tio));
    return rate ? rate : 9600;
}

void PtyBridge::readHost()
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (bytes.isEmpty())
        return;
    const qint64 now = m_bus->nowMs();
    if (m_slave >= 0 && (m_lastHostByteMs < 0 || now - m_lastHostByteMs > StaleAfterMs)) {
        // Answers nobody read (a host that closed mid-exchange) must not greet the next host.
        tcflush(m_slave, TCIFLUSH);
    }
    m_lastHostByteMs = now;
    m_bus->write(bytes, hostBaud());
}

void PtyBridge::writeHost(const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break; // buffer full: the host is not reading; drop the rest as a wire would
        }
    }
}
