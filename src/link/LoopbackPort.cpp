#include "link/LoopbackPort.h"

#include <QTimer>

LoopbackPort::LoopbackPort(const QString &name, QObject *parent) : SerialPort(parent), m_name(name) {}

bool LoopbackPort::open()
{
    if (!m_openable)
        return false;
    m_open = true;
    ++m_openCount;
    return true;
}

void LoopbackPort::close()
{
    if (m_open)
        ++m_closeCount;
    m_open = false;
    m_rx.clear();
}

bool LoopbackPort::setBaudRate(int rate)
{
    if (!isSupportedRate(rate))
        return false;
    m_rate = rate;
    return true;
}

qint64 LoopbackPort::write(const QByteArray &bytes)
{
    if (!m_open)
        return -1;
    m_written += bytes;
    QByteArray answer;
    if (!m_queued.isEmpty())
        answer = m_queued.takeFirst();
    else if (m_responder)
        answer = m_responder(bytes);
    deliver((m_echo ? bytes : QByteArray()) + answer);
    return bytes.size();
}

QByteArray LoopbackPort::read(qint64 count)
{
    const QByteArray out = m_rx.left(static_cast<int>(count));
    m_rx.remove(0, out.size());
    return out;
}

void LoopbackPort::vanish()
{
    close();
    m_openable = true;
}

void LoopbackPort::deliver(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    QTimer::singleShot(0, this, [this, bytes] {
        if (!m_open)
            return;
        m_rx += bytes;
        emit rxChar(static_cast<int>(m_rx.size()));
    });
}
