#pragma once

#include "FilesTestUtil.h"
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"
#include "upgrade/UpgradeSequence.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

// A firmware file made by binutils from `size` bytes of a fixed pattern; the header record
// carries the output name, which objcopy writes into it, so the name is the identity.
inline QString makeFirmware(const QString &dir, const QByteArray &identity, int size, int recordBytes = 16)
{
    QByteArray image;
    for (int i = 0; i < size; ++i)
        image.append(char((i * 73 + 19) & 0xFF));
    const QString bin = QDir(dir).filePath(QStringLiteral("image.bin"));
    writeAll(bin, image);
    const QString name = QString::fromLatin1(identity);
    QFile::remove(QDir(dir).filePath(name));
    QProcess objcopy;
    objcopy.setWorkingDirectory(dir);
    objcopy.start(QStringLiteral("objcopy"),
                  {QStringLiteral("-I"), QStringLiteral("binary"), QStringLiteral("-O"),
                   QStringLiteral("srec"), QStringLiteral("--srec-len=%1").arg(recordBytes), bin, name});
    if (!objcopy.waitForFinished(30000) || objcopy.exitCode() != 0)
        return QString();
    const QString target = QDir(dir).filePath(name + QStringLiteral(".u19"));
    QFile::remove(target);
    QFile::rename(QDir(dir).filePath(name), target);
    return target;
}

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
    QList<QPair<int, int>> progress;

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
        upgrade.progress = [this](int value, int maximum) { progress.append({value, maximum}); };
    }
    ~UpgradeBench()
    {
        link.closePort();
        SimulatorPort::unregisterPort(portName);
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QString firmware(int size = 256) { return makeFirmware(dir.path(), sim->monitorIdentity(), size); }
    QStringList errors() const { return prompts.texts(ScriptedPrompts::Kind::Error); }
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
