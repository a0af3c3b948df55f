#include "link/QtSerialPort.h"

QtSerialPort::QtSerialPort(const QString &name, QObject *parent) : SerialPort(parent), m_name(name)
{
    m_port.setPortName(name);
    connect(&m_port, &QSerialPort::readyRead, this,
            [this] { emit rxChar(static_cast<int>(m_port.bytesAvailable())); });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort()
{
    close();
}

bool QtSerialPort::open()
{
    if (m_port.isOpen())
        return true;
    m_openError = OpenError::None;
    m_errorText.clear();
    m_port.setBaudRate(m_rate);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError: m_openError = OpenError::NotFound; break;
        case QSerialPort::PermissionError:
            // QSerialPort reports a port locked by another program as a permission error too.
            m_openError = m_port.errorString().contains(QLatin1String("lock"), Qt::CaseInsensitive)
                                  || m_port.errorString().contains(QLatin1String("busy"), Qt::CaseInsensitive)
                              ? OpenError::Busy
                              : OpenError::PermissionDenied;
            break;
        case QSerialPort::OpenError: m_openError = OpenError::Busy; break;
        default: m_openError = OpenError::Other; break;
        }
        m_errorText = m_port.errorString();
        m_port.clearError();
        return false;
    }
    // Hold DTR and RTS inactive. A pseudo-terminal has no modem lines and refuses the
    // ioctl; that is harmless, so the error is dropped.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_port.clearError();
    m_port.clear();
    return true;
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

bool QtSerialPort::setBaudRate(int rate)
{
    if (!isSupportedRate(rate))
        return false;
    m_rate = rate;
    if (m_port.isOpen())
        m_port.setBaudRate(rate);
    m_port.clearError();
    return true;
}

qint64 QtSerialPort::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return -1;
    const qint64 written = m_port.write(bytes);
    m_port.flush();
    return written;
}

QByteArray QtSerialPort::read(qint64 count)
{
    if (!m_port.isOpen())
        return {};
    return m_port.read(count);
}

qint64 QtSerialPort::bytesAvailable() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    // A USB adapter pulled out mid-exchange: close, so later opens start clean and the
    // exchange in progress simply times out.
    if (error == QSerialPort::ResourceError) {
        m_errorText = m_port.errorString();
        m_port.clearError();
        if (m_port.isOpen())
            m_port.close();
    }
}
