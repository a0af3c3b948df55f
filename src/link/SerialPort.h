#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The operations the ccTalk link needs from a serial port: 8N1, no flow control,
// DTR and RTS held inactive. Real ports, the in-process simulator and test loopbacks
// all implement it, so every search and exchange takes the same path.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    // Why an open failed, for the cases the user can fix.
    enum class OpenError { None, NotFound, PermissionDenied, Busy, Other };

    using QObject::QObject;
    ~SerialPort() override = default;

    virtual QString portName() const = 0;
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // 4800, 9600, 19200 or 38400; false (rate unchanged) for anything else.
    virtual bool setBaudRate(int rate) = 0;
    virtual int baudRate() const = 0;
    virtual qint64 write(const QByteArray &bytes) = 0;
    virtual QByteArray read(qint64 count) = 0;
    virtual qint64 bytesAvailable() const = 0;

    virtual OpenError openError() const { return OpenError::None; }
    virtual QString errorString() const { return QString(); }

    static bool isSupportedRate(int rate)
    {
        return rate == 4800 || rate == 9600 || rate == 19200 || rate == 38400;
    }

signals:
    // Bytes arrived; count is what read() can take now.
    void rxChar(int count);
};
