#pragma once

#include "link/LinkHooks.h"
#include "link/SerialPort.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class ReplyWait;

// The ccTalk link: owns the serial port, frames commands, finds the reply behind the
// bus echo, checks checksums and time-outs. Every exchange is synchronous and keeps the
// event loop alive through PumpDelay.
class CcTalkLink : public QObject
{
    Q_OBJECT
public:
    enum TransactResult : quint8 {
        Ok = 0,
        // A whole reply that is not ours to take: checksum wrong, or addressed to another station.
        ChecksumError = 1,
        Timeout = 2,
        // The command could not be framed (not hex, empty, more than 255 data bytes);
        // nothing was sent. lastError() says why.
        BadCommand = 3,
    };
    enum RawResult : quint8 { RawOk = 0, RawTimeout = 255 };

    explicit CcTalkLink(QObject *parent = nullptr);
    ~CcTalkLink() override;

    // Port handling. setPortName() closes the current port and makes the new one (not opened).
    void setPortName(const QString &name);
    QString portName() const;
    bool openPort();
    void closePort();
    bool isPortOpen() const;
    SerialPort *port() const { return m_port.get(); }
    int baudRate() const { return m_baud; }

    void setBusyHooks(BusyHooks *hooks) { m_busy = hooks; }
    void setLogSink(LogSink *sink) { m_log = sink; }

    // command holds the header then the data: bytes with rawCommand, else hex text (Latin-1).
    // reply receives the whole reply frame: bytes with rawReply, else upper-case hex text.
    // On any result but Ok the reply is left as passed.
    quint8 Transact(quint8 destination, const QByteArray &command, int polls, bool rawReply,
                    bool rawCommand, QByteArray &reply);
    // The common case: raw command, raw reply.
    quint8 Transact(quint8 destination, const QByteArray &command, int polls, QByteArray &reply)
    {
        return Transact(destination, command, polls, true, true, reply);
    }
    // Unframed exchange for the boot monitor: RawOk with replyLength bytes, or RawTimeout
    // with the reply "6".
    quint8 RawExchange(const QByteArray &command, int replyLength, int polls, QByteArray &reply);
    // Closes, selects the rate (4800/9600/19200/38400, else unchanged), reopens.
    bool SetBaud(int rate);

    // The request base year (header 170) is sent to DeviceAddress to decode the code.
    QString DateCodeToText(quint16 code);

    // Returns after at least ms milliseconds, processing pending events meanwhile.
    static void PumpDelay(unsigned ms);
    // Two hex digits per byte; a trailing odd character is ignored. ok=false (and an
    // empty result) when a pair is not hexadecimal.
    static QByteArray HexToBytes(const QString &text, bool *ok = nullptr);
    static QString BytesToHex(const QByteArray &bytes);
    // The decoding of a date code against a known base year; "" when the base year is not digits.
    static QString DateCodeToText(quint16 code, const QByteArray &baseYearDigits);

    // Receive handler: appends count bytes from the port to RxBuffer.
    void ComPort1RxChar(int count);

    QString lastError() const { return m_lastError; }

    // Link state shared by all callers.
    QByteArray RxBuffer;
    quint8 DeviceAddress = 2;
    quint8 MonitorAddress = 2;
    bool LoggingEnabled = false;

signals:
    // The port could not be written during an exchange (adapter pulled out, closed).
    void portFailure(const QString &reason);

private:
    void log(const QString &line);
    void logOutcome(int result, const QByteArray &received);
    // Hands the wait what RxBuffer gained since its last poll.
    void feedArrived(ReplyWait &wait);
    void attachPort(std::unique_ptr<SerialPort> port);

    std::unique_ptr<SerialPort> m_port;
    QString m_portName;
    int m_baud = 9600;
    BusyHooks *m_busy = nullptr;
    LogSink *m_log = nullptr;
    QString m_lastError;
};
