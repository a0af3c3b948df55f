#include "link/PortFactory.h"

#include "link/QtSerialPort.h"

#include <QCollator>
#include <QSerialPortInfo>
#include <algorithm>

std::map<QString, PortFactory::Creator> &PortFactory::registry()
{
    static std::map<QString, Creator> creators;
    return creators;
}

void PortFactory::registerVirtual(const QString &name, Creator creator)
{
    registry()[name] = std::move(creator);
}

void PortFactory::unregisterVirtual(const QString &name)
{
    registry().erase(name);
}

QStringList PortFactory::virtualNames()
{
    QStringList names;
    for (const auto &entry : registry())
        names << entry.first;
    return names;
}

bool PortFactory::isVirtual(const QString &name)
{
    return registry().count(name) != 0;
}

std::unique_ptr<SerialPort> PortFactory::create(const QString &name)
{
    auto it = registry().find(name);
    if (it != registry().end())
        return it->second();
    return std::make_unique<QtSerialPort>(name);
}

QStringList PortList::systemPorts()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names << info.systemLocation();
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(),
              [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    names.removeDuplicates();
    return names;
}

QStringList PortList::ports(const QStringList &explicitNames)
{
    QStringList names = systemPorts();
    for (const QString &name : explicitNames)
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    for (const QString &name : PortFactory::virtualNames())
        if (!names.contains(name))
            names << name;
    return names;
}
