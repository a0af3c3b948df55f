#include "link/CcTalkLink.h"

#include "app/Messages.h"
#include "link/Checksum.h"
#include "link/PortFactory.h"
#include "link/ReplyWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QAbstractEventDispatcher>
#include <QThread>
#include <QTimer>

namespace {

// Runs EndBusy on every way out of an exchange.
class BusyScope
{
public:
    explicit BusyScope(BusyHooks *hooks) : m_hooks(hooks)
    {
        if (m_hooks)
            m_hooks->BeginBusy();
    }
    ~BusyScope()
    {
        if (m_hooks)
            m_hooks->EndBusy();
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    BusyHooks *m_hooks;
};

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

static_assert(quint8(ReplyWait::Accepted) == CcTalkLink::Ok &&
              quint8(ReplyWait::Accepted) == CcTalkLink::RawOk);
static_assert(quint8(ReplyWait::Corrupted) == CcTalkLink::ChecksumError);
static_assert(quint8(ReplyWait::TimedOut) == CcTalkLink::Timeout);
static_assert(quint8(ReplyWait::RawTimedOut) == CcTalkLink::RawTimeout);

} // namespace

CcTalkLink::CcTalkLink(QObject *parent) : QObject(parent) {}

CcTalkLink::~CcTalkLink() = default;

void CcTalkLink::setPortName(const QString &name)
{
    if (m_port && m_portName == name)
        return;
    closePort();
    m_portName = name;
    attachPort(PortFactory::create(name));
}

QString CcTalkLink::portName() const
{
    return m_portName;
}

void CcTalkLink::attachPort(std::unique_ptr<SerialPort> port)
{
    m_port = std::move(port);
    if (!m_port)
        return;
    m_port->setBaudRate(m_baud);
    connect(m_port.get(), &SerialPort::rxChar, this, &CcTalkLink::ComPort1RxChar);
}

bool CcTalkLink::openPort()
{
    if (!m_port)
        return false;
    m_port->setBaudRate(m_baud);
    return m_port->open();
}

void CcTalkLink::closePort()
{
    if (m_port)
        m_port->close();
}

bool CcTalkLink::isPortOpen() const
{
    return m_port && m_port->isOpen();
}

void CcTalkLink::log(const QString &line)
{
    if (LoggingEnabled && m_log)
        m_log->LogLine(line);
}

void CcTalkLink::feedArrived(ReplyWait &wait)
{
    const int fed = wait.received().size();
    if (RxBuffer.size() > fed)
        wait.feed(RxBuffer.mid(fed));
}

void CcTalkLink::logOutcome(int result, const QByteArray &received)
{
    if (LoggingEnabled && m_log)
        m_log->LogOutcome(result, received);
}

quint8 CcTalkLink::Transact(quint8 destination, const QByteArray &command, int polls, bool rawReply,
                            bool rawCommand, QByteArray &reply)
{
    BusyScope busy(m_busy);
    m_lastError.clear();
    PumpDelay(10);

    QByteArray bytes;
    if (rawCommand) {
        bytes = command;
    } else {
        bool ok = false;
        bytes = HexToBytes(QString::fromLatin1(command), &ok);
        if (!ok) {
            m_lastError = Msg(400) + QString::fromLatin1(command);
            return BadCommand;
        }
    }
    if (bytes.isEmpty()) {
        m_lastError = Msg(401);
        return BadCommand;
    }
    const int dataLength = bytes.size() - 1;
    if (dataLength > 255) {
        m_lastError = Msg(402) + QString::number(dataLength);
        return BadCommand;
    }

    QByteArray frame;
    frame.reserve(dataLength + 5);
    frame.append(static_cast<char>(destination));
    frame.append(static_cast<char>(dataLength));
    frame.append(static_cast<char>(ReplyWait::HostAddress));
    frame.append(bytes);
    frame.append(static_cast<char>(ccTalkChecksum(frame)));

    log(QStringLiteral("-> ") + BytesToHex(frame));
    RxBuffer.clear();
    if (isPortOpen()) {
        if (m_port->write(frame) != frame.size())
            emit portFailure(m_port->errorString());
    }

    ReplyWait wait = ReplyWait::framed(frame.size(), polls);
    do {
        PumpDelay(10);
        feedArrived(wait);
    } while (!wait.poll());

    switch (wait.result()) {
    case ReplyWait::Accepted:
        break;
    case ReplyWait::Corrupted:
        logOutcome(ChecksumError, wait.reply());
        return ChecksumError;
    default:
        logOutcome(Timeout, RxBuffer);
        return Timeout;
    }

    const QString hex = BytesToHex(wait.reply());
    reply = rawReply ? wait.reply() : hex.toLatin1();
    log(QStringLiteral("<- ") + hex);
    return Ok;
}

quint8 CcTalkLink::RawExchange(const QByteArray &command, int replyLength, int polls, QByteArray &reply)
{
    BusyScope busy(m_busy);
    reply.clear();
    quint8 result = RawTimeout;
    RxBuffer.clear();
    log(QStringLiteral("-> ") + BytesToHex(command));
    if (m_port && m_port->write(command) != command.size() && m_port->isOpen())
        emit portFailure(m_port->errorString());

    ReplyWait wait = ReplyWait::unframed(command.size(), replyLength, polls);
    do {
        PumpDelay(10);
        feedArrived(wait);
    } while (!wait.poll());
    if (wait.result() == ReplyWait::Accepted) {
        reply = wait.reply();
        log(QStringLiteral("<- ") + BytesToHex(reply));
        result = RawOk;
    } else {
        logOutcome(RawTimeout, RxBuffer);
        reply = QByteArray("6");
    }
    return result;
}

bool CcTalkLink::SetBaud(int rate)
{
    closePort();
    PumpDelay(5);
    const bool supported = SerialPort::isSupportedRate(rate);
    if (supported) {
        m_baud = rate;
        if (m_port)
            m_port->setBaudRate(rate);
    }
    PumpDelay(5);
    openPort();
    return supported;
}

QString CcTalkLink::DateCodeToText(quint16 code)
{
    QByteArray reply;
    Transact(DeviceAddress, QByteArray(1, char(170)), 5, reply);
    // Data bytes run from the fifth byte up to the checksum.
    const QByteArray digits = reply.size() > 5 ? reply.mid(4, reply.size() - 5) : QByteArray();
    return DateCodeToText(code, digits);
}

QString CcTalkLink::DateCodeToText(quint16 code, const QByteArray &baseYearDigits)
{
    if (baseYearDigits.isEmpty() || baseYearDigits.size() > 9)
        return QString();
    for (char c : baseYearDigits)
        if (c < '0' || c > '9')
            return QString();
    const int baseYear = baseYearDigits.toInt();
    const int day = code & 0x1F;
    const int month = (code >> 5) & 0x0F;
    const int year = baseYear + ((code >> 9) & 0x1F);
    return QStringLiteral("%1/%2/%3").arg(year).arg(month).arg(day);
}

void CcTalkLink::PumpDelay(unsigned ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    // Any thread with an event dispatcher (the main one, a station's) services its port meanwhile.
    const bool eventThread = QAbstractEventDispatcher::instance() != nullptr;
    if (eventThread)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Sleep in the event dispatcher rather than spinning: a precise timer ends a local loop,
    // and arriving bytes and repaints are serviced meanwhile.
    for (;;) {
        const qint64 done = elapsed.elapsed();
        if (done >= static_cast<qint64>(ms))
            break;
        const int left = static_cast<int>(static_cast<qint64>(ms) - done);
        if (!eventThread) {
            QThread::msleep(static_cast<unsigned long>(left));
            continue;
        }
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(left);
        loop.exec();
    }
}

QByteArray CcTalkLink::HexToBytes(const QString &text, bool *ok)
{
    QByteArray out;
    out.reserve(text.size() / 2);
    for (int k = 0; k + 1 < text.size(); k += 2) {
        const int hi = hexDigit(text.at(k));
        const int lo = hexDigit(text.at(k + 1));
        if (hi < 0 || lo < 0) {
            if (ok)
                *ok = false;
            return QByteArray();
        }
        out.append(static_cast<char>(hi * 16 + lo));
    }
    if (ok)
        *ok = true;
    return out;
}

QString CcTalkLink::BytesToHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

void CcTalkLink::ComPort1RxChar(int count)
{
    if (!m_port)
        return;
    Q_UNUSED(count);
    // Take all that is there: the count may be stale by the time the event is handled.
    const qint64 available = m_port->bytesAvailable();
    if (available > 0)
        RxBuffer += m_port->read(available);
}
