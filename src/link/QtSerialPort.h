#pragma once

#include "link/SerialPort.h"

#include <QSerialPort>

// A machine's serial port through QSerialPort.
class QtSerialPort : public SerialPort
{
    Q_OBJECT
public:
    explicit QtSerialPort(const QString &name, QObject *parent = nullptr);
    ~QtSerialPort() override;

    QString portName() const override { return m_name; }
    bool open() override;
    void close() override;
    bool isOpen() const override;
    bool setBaudRate(int rate) override;
    int baudRate() const override { return m_rate; }
    qint64 write(const QByteArray &bytes) override;
    QByteArray read(qint64 count) override;
    qint64 bytesAvailable() const override;
    OpenError openError() const override { return m_openError; }
    QString errorString() const override { return m_errorText; }

private:
    void onError(QSerialPort::SerialPortError error);

    QString m_name;
    int m_rate = 9600;
    QSerialPort m_port;
    OpenError m_openError = OpenError::None;
    QString m_errorText;
};
