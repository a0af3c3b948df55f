#pragma once

#include "FilesTestUtil.h"
#include "Firmware.h"
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"
#include "upgrade/UpgradeSequence.h"

#include <QTemporaryDir>

// The link and session of the program in a program directory of its own, talking to one
// simulated selector that the start-up search has identified.
struct UpgradeBench
{
    QTemporaryDir dir;
    QString portName;
    std::shared_ptr<SimBus> bus;
    SelectorSim *sim;
    CcTalkLink link;
    ScriptedPrompts prompts;
    DeviceSession session{link, prompts, dir.path()};
    UpgradeSequence sequence{session, prompts, dir.path()};
    FirmwareUpgrade &upgrade = sequence.upgrade();

    explicit UpgradeBench(const QString &port = QStringLiteral("UPGSIM"))
        : portName(port), bus(SimulatorPort::registerPort(port)), sim(bus->selector(0))
    {
        copyProgramFiles(dir.path());
        link.setPortName(portName);
        link.openPort();
        link.LoggingEnabled = true;
        session.Identify();
        prompts.clear();
        upgrade.setSettleMs(20);
        upgrade.setRestartWaitMs(300);
    }
    ~UpgradeBench()
    {
        link.closePort();
        SimulatorPort::unregisterPort(portName);
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QString firmware(int size = 256) { return makeFirmware(dir.path(), sim->monitorIdentity(), size); }
    QStringList errors() const { return prompts.texts(ScriptedPrompts::Kind::Error); }
    // The selector taken into its monitor for this file; what was sent so far forgotten.
    bool inMonitorFor(const QString &file)
    {
        upgrade.setFileName(file);
        const bool answered = upgrade.start_monitor() == FirmwareUpgrade::MonitorAnswered;
        bus->clearHostBytes();
        return answered;
    }
    // However a transfer ended, the port is back at the program's rate with its log on.
    bool portRestored() const { return link.baudRate() == 9600 && link.LoggingEnabled; }
    // The boot-monitor record frames the selector received (0x55 ...), in order.
    QList<QByteArray> recordFrames() const
    {
        QList<QByteArray> out;
        const QByteArray b = bus->hostBytes();
        for (int i = b.indexOf(char(0x55)); i >= 0 && i + 2 < b.size();) {
            const int len = 3 + quint8(b.at(i + 2));
            out.append(b.mid(i, len));
            i = b.indexOf(char(0x55), i + len);
        }
        return out;
    }
};
