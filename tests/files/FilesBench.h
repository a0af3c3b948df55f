#pragma once

#include "FilesTestUtil.h"
#include "app/ScriptedPrompts.h"
#include "config/ConfigPage.h"
#include "device/DeviceSession.h"
#include "files/ConfigFiles.h"
#include "files/ConfigTransfer.h"
#include "files/SectionTree.h"
#include "link/CcTalkLink.h"
#include "link/LinkHooks.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"
#include "stats/StatisticsPage.h"

#include <QTemporaryDir>
#include <functional>

using Fault = SelectorSim::FaultKind;

// The program's core around one simulated selector, in a program directory of its own. It records
// the frames sent and lets a test act on one before the selector sees it (the link logs first).
struct FilesBench : LogSink
{
    QTemporaryDir dir;
    QString portName;
    std::shared_ptr<SimBus> bus;
    SelectorSim *sim;
    CcTalkLink link;
    ScriptedPrompts prompts;
    DeviceSession session{link, prompts, dir.path()};
    ConfigPage page{prompts};
    SectionTree tree;
    StatisticsPage stats{page.imageForLoad(), prompts, &session};
    ConfigFiles files{tree, page, prompts, dir.path(), &stats};
    ConfigTransfer transfer{tree, files, session, prompts, &stats};
    QStringList sent;
    std::function<void(const QByteArray &frame)> onSend;

    explicit FilesBench(const QString &port = "FILESIM")
        : portName(port), bus(SimulatorPort::registerPort(port)), sim(bus->selector(0))
    {
        copyProgramFiles(dir.path());
        link.setPortName(portName);
        link.openPort();
        link.setLogSink(this);
        link.LoggingEnabled = true;
        page.loadCatalogues(dir.path());
        stats.loadCatalogue(page.rx30Path());
        tree.LoadFile(path("template.xml"));
        // The start-up search identifies the selector, which reads its protection masks.
        session.Identify();
        prompts.clear();
        sent.clear();
    }
    ~FilesBench()
    {
        link.closePort();
        SimulatorPort::unregisterPort(portName);
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QStringList errors() const { return prompts.texts(ScriptedPrompts::Kind::Error); }

    // The tree's OK takes only this top-level section.
    void takeOnly(const QString &caption)
    {
        tree.showHook = [caption](SectionTree &t) {
            t.ToggleNode(0);
            t.ToggleNode(node(t, caption));
            return true;
        };
    }
    // A fault in the reply to the first memory command (or read) at this address; 0: the commit.
    void faultAt(int address, Fault kind, bool readsOnly = false)
    {
        auto armed = std::make_shared<bool>(true);
        onSend = [this, address, kind, armed, readsOnly](const QByteArray &f) {
            const int sub = f.size() >= 6 && quint8(f[3]) == 255 ? quint8(f[4]) : 0;
            const int at = f.size() >= 8 ? (quint8(f[5]) << 8) | quint8(f[6]) : 0;
            if (*armed && (sub == 2 || (sub == 3 && !readsOnly)) && at == address) {
                *armed = false;
                SelectorSim::Fault fault;
                fault.kind = kind;
                sim->injectFault(fault);
            }
        };
    }
    void LogLine(const QString &line) override
    {
        if (!line.startsWith(QLatin1String("-> ")))
            return;
        sent.append(line.mid(3));
        if (onSend)
            onSend(QByteArray::fromHex(line.mid(3).toLatin1()));
    }
    // Memory commands sent as "R 0600", "W 0600 <data>" or "C" (commit), masks read left out.
    QStringList memoryOps() const
    {
        QStringList out;
        for (const QString &hex : sent) {
            const QByteArray f = QByteArray::fromHex(hex.toLatin1());
            const int sub = f.size() >= 6 && quint8(f[3]) == 255 ? quint8(f[4]) : 0;
            const QString address = QString::fromLatin1(f.mid(5, 2).toHex().toUpper());
            const QString data = QString::fromLatin1(f.mid(7, f.size() - 8).toHex().toUpper());
            if (sub == 3 && f.size() == 6)
                out << "C";
            else if (sub == 2 && f.size() >= 8 && address != QLatin1String("0774"))
                out << "R " + address;
            else if (sub == 3 && f.size() >= 8)
                out << QStringLiteral("W %1 %2").arg(address, data);
        }
        return out;
    }
};
