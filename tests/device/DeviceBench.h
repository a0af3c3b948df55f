#pragma once

#include "app/ScriptedPrompts.h"
#include "device/CommLog.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"

#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <memory>

// A device session in a temporary program directory, talking through the real link to
// simulated buses registered as ports.
struct DeviceBench
{
    QTemporaryDir dir;
    CcTalkLink link;
    ScriptedPrompts prompts;
    CommLog log;
    DeviceSession session;
    std::map<QString, std::shared_ptr<SimBus>> buses;

    explicit DeviceBench(const QByteArray &supported = "RX20=\nRX30=\n")
        : log(dir.path(), &prompts), session(link, prompts, dir.path())
    {
        QFile ini(dir.filePath(QStringLiteral("rx30.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[SETTINGS]\nComPort=COM3\nccTalkAddr=02\n[SUPPORTED TYPES]\n" + supported);
        link.setLogSink(&log);
        link.LoggingEnabled = true;
        session.setNoticeSink(&log);
    }
    ~DeviceBench()
    {
        link.closePort();
        for (const auto &b : buses)
            SimulatorPort::unregisterPort(b.first);
    }

    // A bus with `selectors` default selectors (0: a silent wire that only echoes).
    SimBus *addBus(const QString &name, int selectors = 1)
    {
        auto bus = std::make_shared<SimBus>();
        for (int i = 0; i < selectors; ++i)
            bus->addSelector();
        SimulatorPort::registerPort(name, bus);
        buses[name] = bus;
        return bus.get();
    }
    SelectorSim *sim(const QString &name, int index = 0) { return buses.at(name)->selector(index); }

    // The session's port list is exactly these names.
    void setPorts(const QStringList &names)
    {
        session.setPortLister([names]() { return names; });
    }
    void usePort(const QString &name)
    {
        link.setPortName(name);
        link.openPort();
    }
    // Frames sent, as logged, without the "-> ".
    QStringList sent() const
    {
        QStringList out;
        for (const QString &l : log.lines())
            if (l.startsWith(QLatin1String("-> ")))
                out << l.mid(3);
        return out;
    }
    // Headers of the frames sent, in order.
    QList<int> sentHeaders() const
    {
        QList<int> out;
        for (const QString &f : sent())
            out << f.mid(6, 2).toInt(nullptr, 16);
        return out;
    }
    static SelectorSim::Fault fault(SelectorSim::FaultKind kind, int header = -1, int count = 1)
    {
        SelectorSim::Fault f;
        f.kind = kind;
        f.header = header;
        f.count = count;
        return f;
    }
};
