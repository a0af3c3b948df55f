#pragma once

#include "link/SerialPort.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <memory>

class SimBus;

// A serial port whose far end is a SimBus: the in-process simulated selector. Bytes arrive
// through the event loop like a real port's, at the baud rate set here.
class SimulatorPort : public SerialPort
{
    Q_OBJECT
public:
    static constexpr const char *DefaultName = "SIMULATOR";

    SimulatorPort(std::shared_ptr<SimBus> bus, const QString &name = QString::fromLatin1(DefaultName),
                  QObject *parent = nullptr);
    ~SimulatorPort() override;

    QString portName() const override { return m_name; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool setBaudRate(int rate) override;
    int baudRate() const override { return m_rate; }
    qint64 write(const QByteArray &bytes) override;
    QByteArray read(qint64 count) override;
    qint64 bytesAvailable() const override { return m_rx.size(); }

    SimBus *bus() const { return m_bus.get(); }

    // Registers `name` with PortFactory; every port created under it talks to `bus`
    // (a new bus with one default selector when none is given). Returns the bus.
    static std::shared_ptr<SimBus> registerPort(const QString &name = QString::fromLatin1(DefaultName),
                                                std::shared_ptr<SimBus> bus = nullptr);
    static void unregisterPort(const QString &name = QString::fromLatin1(DefaultName));

    // The demo's selector under DefaultName. Its boot monitor names itself apart from real ones (as
    // the demo firmware file the build makes does), so that file can never be flashed into a real
    // selector while the demo still upgrades end to end.
    static constexpr const char *DemoMonitorIdentity = "RX30DEMO1";
    static std::shared_ptr<SimBus> registerDemoPort();

private:
    void receive(const QByteArray &bytes);

    std::shared_ptr<SimBus> m_bus;
    QString m_name;
    QByteArray m_rx;
    int m_rate = 9600;
    bool m_open = false;
};
