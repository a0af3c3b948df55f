#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

// A raw pseudo-terminal pair: the test plays the device on the master end, which stays open
// while the object lives.
struct Pty
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    QString slave;

    Pty()
    {
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        slave = QString::fromLocal8Bit(ptsname(master));
        termios tio;
        tcgetattr(master, &tio);
        cfmakeraw(&tio);
        tcsetattr(master, TCSANOW, &tio);
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
    }
    bool send(const QByteArray &bytes) { return ::write(master, bytes.data(), bytes.size()) == bytes.size(); }
    // What has arrived so far, without waiting.
    QByteArray receive()
    {
        QByteArray out;
        char buf[256];
        const int flags = fcntl(master, F_GETFL);
        fcntl(master, F_SETFL, flags | O_NONBLOCK);
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
            out.append(buf, static_cast<int>(n));
        fcntl(master, F_SETFL, flags);
        return out;
    }
};
