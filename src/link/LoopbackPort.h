#pragma once

#include "link/SerialPort.h"

#include <QList>
#include <functional>

// A port for tests and benchmarks that behaves like the single-wire bus: every byte
// written comes back as an echo, followed by whatever the script answers. Bytes are
// delivered from the event loop, as a real port's would be.
class LoopbackPort : public SerialPort
{
    Q_OBJECT
public:
    // Called with each write; returns the bytes the "device" answers (may be empty).
    using Responder = std::function<QByteArray(const QByteArray &written)>;

    explicit LoopbackPort(const QString &name = QStringLiteral("LOOPBACK"), QObject *parent = nullptr);

    QString portName() const override { return m_name; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool setBaudRate(int rate) override;
    int baudRate() const override { return m_rate; }
    qint64 write(const QByteArray &bytes) override;
    QByteArray read(qint64 count) override;
    qint64 bytesAvailable() const override { return m_rx.size(); }

    void setEcho(bool on) { m_echo = on; }
    void setResponder(Responder responder) { m_responder = std::move(responder); }
    // One-shot answers, used before the responder.
    void queueReply(const QByteArray &reply) { m_queued.append(reply); }
    // Makes the next open() fail, as a port held by another program would.
    void setOpenable(bool on) { m_openable = on; }
    // Simulates a USB adapter pulled out: closes and discards pending bytes.
    void vanish();

    QByteArray written() const { return m_written; }
    int openCount() const { return m_openCount; }
    int closeCount() const { return m_closeCount; }

private:
    void deliver(const QByteArray &bytes);

    QString m_name;
    bool m_open = false;
    bool m_openable = true;
    bool m_echo = true;
    int m_rate = 9600;
    int m_openCount = 0;
    int m_closeCount = 0;
    QByteArray m_rx;
    QByteArray m_written;
    QList<QByteArray> m_queued;
    Responder m_responder;
};
