#pragma once

#include "CliRun.h"
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

using namespace Qt::StringLiterals;
using Kind = ScriptedPrompts::Kind;
using FK = SelectorSim::FaultKind;

// A text file's lines, the empty one after the last newline included ("<unreadable>" when it
// cannot be read), and their first columns: a log file's log lines without the decoding beside them.
inline QStringList fileLines(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n')
                                       : QStringList{u"<unreadable>"_s};
}
inline QStringList firstColumn(const QStringList &lines)
{
    QStringList out;
    for (const QString &l : lines)
        out << l.section(u'\t', 0, 0);
    return out;
}

// A fault on the next reply to frames with this header (-1: any).
inline SelectorSim::Fault fault(FK kind, int header)
{
    return {kind, 1, header};
}

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
        writeFileBytes(dir.filePath(u"rx30.ini"_s),
                       "[SETTINGS]\nComPort=COM3\nccTalkAddr=02\n[SUPPORTED TYPES]\n" + supported);
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

    // A bus with `selectors` default selectors (0: a silent wire that only echoes); returns the first.
    SelectorSim *addBus(const QString &name, int selectors = 1)
    {
        auto bus = std::make_shared<SimBus>();
        for (int i = 0; i < selectors; ++i)
            bus->addSelector();
        SimulatorPort::registerPort(name, bus);
        buses[name] = bus;
        return selectors > 0 ? bus->selector(0) : nullptr;
    }
    // One selector on port SIMA, which the link has open.
    SelectorSim *openSim()
    {
        SelectorSim *s = addBus(u"SIMA"_s);
        usePort(u"SIMA"_s);
        return s;
    }
    // As openSim(), with a PIN and factory password, identified so the session knows the masks.
    SelectorSim *identifiedSim(const QByteArray &masks)
    {
        SelectorSim *s = openSim();
        s->setMasks(masks);
        s->setPin(QByteArray::fromHex("12345678"));
        s->setFactoryPassword(QByteArray::fromHex("A1B2C3D4E5F6"));
        session.ReportFlag = true;
        if (!session.Identify())
            qWarning("identification failed");
        log.clear();
        return s;
    }

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
            if (l.startsWith(u"-> "_s))
                out << l.mid(3);
        return out;
    }
    QList<int> sentHeaders() const
    {
        QList<int> out;
        for (const QString &f : sent())
            out << f.mid(6, 2).toInt(nullptr, 16);
        return out;
    }
    // Injects `f` into `s` each time a frame containing `frameText` goes out, so one particular
    // request of a sequence fails even when others share its header.
    void failWhenSent(SelectorSim *s, const QString &frameText, SelectorSim::Fault f)
    {
        QObject::connect(&log, &CommLog::lineAdded, [=](const QString &line) {
            if (line.startsWith(u"-> "_s) && line.contains(frameText))
                s->injectFault(f);
        });
    }
};
