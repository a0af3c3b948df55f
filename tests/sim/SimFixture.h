#pragma once

#include "link/CcTalkLink.h"
#include "link/Checksum.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"

#include <QByteArray>
#include <memory>

// A host link on a fresh simulated bus with one default selector.
struct SimFixture
{
    std::shared_ptr<SimBus> bus;
    SelectorSim *sim = nullptr;
    std::unique_ptr<CcTalkLink> link;
    QString name;

    explicit SimFixture(const QString &portName = QStringLiteral("SIMTEST")) : name(portName)
    {
        bus = SimulatorPort::registerPort(portName);
        sim = bus->selector(0);
        link = std::make_unique<CcTalkLink>();
        link->setPortName(portName);
        link->openPort();
    }
    ~SimFixture()
    {
        link.reset();
        SimulatorPort::unregisterPort(name);
    }

    // Header + data as bytes; returns the Transact result and fills reply.
    quint8 send(const QByteArray &command, QByteArray &reply, int polls = 10, quint8 to = 2)
    {
        reply.clear();
        return link->Transact(to, command, polls, reply);
    }
    static QByteArray cmd(int header, const QByteArray &data = {})
    {
        return QByteArray(1, char(header)) + data;
    }
    static QByteArray bytes(const char *hex) { return QByteArray::fromHex(hex); }
    static QByteArray data(const QByteArray &reply) { return reply.mid(4, reply.size() - 5); }
    static int header(const QByteArray &reply) { return reply.size() > 3 ? quint8(reply.at(3)) : -1; }
    // Read memory with header 255 sub-code 2.
    quint8 readMem(int address, int count, QByteArray &reply)
    {
        return send(
            cmd(255, QByteArray() + char(2) + char(address >> 8) + char(address & 0xFF) + char(count)), reply,
            50);
    }
    quint8 writeMem(int address, const QByteArray &payload, QByteArray &reply)
    {
        return send(cmd(255, QByteArray() + char(3) + char(address >> 8) + char(address & 0xFF) + payload),
                    reply);
    }
};
