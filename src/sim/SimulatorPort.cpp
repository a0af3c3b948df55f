#include "sim/SimulatorPort.h"

#include "link/PortFactory.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"

#include <QThread>

SimulatorPort::SimulatorPort(std::shared_ptr<SimBus> bus, const QString &name, QObject *parent)
    : SerialPort(parent), m_bus(std::move(bus)), m_name(name)
{
    if (m_bus)
        connect(m_bus.get(), &SimBus::bytesForHost, this, &SimulatorPort::receive);
}

SimulatorPort::~SimulatorPort() = default;

bool SimulatorPort::open()
{
    if (!m_bus)
        return false;
    m_open = true;
    m_rx.clear();
    return true;
}

void SimulatorPort::close()
{
    m_open = false;
    m_rx.clear();
}

bool SimulatorPort::setBaudRate(int rate)
{
    if (!isSupportedRate(rate))
        return false;
    m_rate = rate;
    return true;
}

qint64 SimulatorPort::write(const QByteArray &bytes)
{
    if (!m_open || !m_bus)
        return -1;
    if (m_bus->thread() == QThread::currentThread()) {
        m_bus->write(bytes, m_rate);
    } else {
        // A station on its own thread: the bus and its selectors live on theirs, and the reply
        // comes back through bytesForHost, queued to this port's thread.
        std::shared_ptr<SimBus> bus = m_bus;
        const int rate = m_rate;
        QMetaObject::invokeMethod(bus.get(), [bus, bytes, rate] { bus->write(bytes, rate); }, Qt::QueuedConnection);
    }
    return bytes.size();
}

QByteArray SimulatorPort::read(qint64 count)
{
    const QByteArray out = m_rx.left(static_cast<int>(qMax<qint64>(0, count)));
    m_rx.remove(0, out.size());
    return out;
}

void SimulatorPort::receive(const QByteArray &bytes)
{
    // Bytes on the wire while the port is closed are lost, as on a real port.
    if (!m_open)
        return;
    m_rx += bytes;
    emit rxChar(static_cast<int>(m_rx.size()));
}

std::shared_ptr<SimBus> SimulatorPort::registerPort(const QString &name, std::shared_ptr<SimBus> bus)
{
    if (!bus) {
        bus = std::make_shared<SimBus>();
        bus->addSelector();
    }
    PortFactory::registerVirtual(name, [bus, name]() -> std::unique_ptr<SerialPort> {
        return std::make_unique<SimulatorPort>(bus, name);
    });
    return bus;
}

std::shared_ptr<SimBus> SimulatorPort::registerDemoPort()
{
    std::shared_ptr<SimBus> bus = registerPort();
    if (SelectorSim *selector = bus->selector(0))
        selector->identity().monitorIdentity = DemoMonitorIdentity;
    return bus;
}

void SimulatorPort::unregisterPort(const QString &name)
{
    PortFactory::unregisterVirtual(name);
}
