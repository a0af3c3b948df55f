#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

class SerialPort;

// Creates ports by name. Virtual ports (the in-process simulator, test loopbacks) are
// registered under a name and then take part in every search like a machine's port.
class PortFactory
{
public:
    using Creator = std::function<std::unique_ptr<SerialPort>()>;

    static void registerVirtual(const QString &name, Creator creator);
    static void unregisterVirtual(const QString &name);
    static QStringList virtualNames();
    static bool isVirtual(const QString &name);

    // A virtual port of that name, else the system port (QSerialPort).
    static std::unique_ptr<SerialPort> create(const QString &name);

private:
    static std::map<QString, Creator> &registry();
};

// The ports a search walks: the machine's ports in a stable order, then ports named
// explicitly (command line, settings) because pseudo-terminals are not enumerated,
// then the virtual ports. Each name once.
class PortList
{
public:
    static QStringList systemPorts();
    static QStringList ports(const QStringList &explicitNames = {});
};
