#pragma once

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

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// Records every frame sent and lets a test act on a frame before the selector sees it
// (the link logs a frame before writing it).
struct FrameWatch : LogSink
{
    QStringList sent;
    std::function<void(const QByteArray &frame)> onSend;
    void LogLine(const QString &line) override
    {
        if (!line.startsWith(QLatin1String("-> ")))
            return;
        sent.append(line.mid(3));
        if (onSend)
            onSend(QByteArray::fromHex(line.mid(3).toLatin1()));
    }
    // Memory commands (header 255, sub-code 2 or 3 with an address) sent so far, as
    // "R 0600" / "W 0600 <data>" / "C" for a commit. The identification's read of the
    // protection masks is left out.
    QStringList memoryOps() const
    {
        QStringList out;
        for (const QString &hex : sent) {
            const QByteArray f = QByteArray::fromHex(hex.toLatin1());
            if (f.size() < 6 || quint8(f[3]) != 255)
                continue;
            const int sub = quint8(f[4]);
            if (sub == 3 && f.size() == 6)
                out << QStringLiteral("C");
            else if (sub == 2 && f.size() >= 8 && quint8(f[5]) == 0x07 && quint8(f[6]) == 0x74)
                continue;
            else if ((sub == 2 || sub == 3) && f.size() >= 8)
                out << QStringLiteral("%1 %2%3")
                           .arg(sub == 2 ? QLatin1Char('R') : QLatin1Char('W'))
                           .arg(QString::fromLatin1(f.mid(5, 2).toHex().toUpper()))
                           .arg(sub == 3 ? QLatin1Char(' ') +
                                               QString::fromLatin1(f.mid(7, f.size() - 8).toHex().toUpper())
                                         : QString());
        }
        return out;
    }
};

// The program's core around one simulated selector: a program directory with copies of
// the shipped catalogues and template, the link, the device session, the configuration
// page, the section tree, the statistics page and the file and transfer operations.
struct FilesBench
{
    QTemporaryDir dir;
    std::shared_ptr<SimBus> bus;
    SelectorSim *sim = nullptr;
    CcTalkLink link;
    FrameWatch watch;
    ScriptedPrompts prompts;
    std::unique_ptr<DeviceSession> session;
    std::unique_ptr<ConfigPage> page;
    SectionTree tree;
    std::unique_ptr<StatisticsPage> stats;
    std::unique_ptr<ConfigFiles> files;
    std::unique_ptr<ConfigTransfer> transfer;
    QString portName;

    explicit FilesBench(const QString &port = QStringLiteral("FILESIM")) : portName(port)
    {
        for (const char *name : {"rx30.ini", "io.ini", "template.xml"})
            QFile::copy(QStringLiteral(RX_TEST_DATA_DIR "/") + QLatin1String(name),
                        dir.filePath(QLatin1String(name)));
        for (const char *name : {"rx30.ini", "io.ini", "template.xml"})
            QFile(dir.filePath(QLatin1String(name))).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        bus = SimulatorPort::registerPort(portName);
        sim = bus->selector(0);
        link.setPortName(portName);
        link.openPort();
        link.setLogSink(&watch);
        link.LoggingEnabled = true;
        session = std::make_unique<DeviceSession>(link, prompts, dir.path());
        page = std::make_unique<ConfigPage>(prompts);
        page->loadCatalogues(dir.path());
        stats = std::make_unique<StatisticsPage>(page->imageForLoad(), prompts, session.get());
        stats->loadCatalogue(page->rx30Path());
        tree.LoadFile(dir.filePath(QStringLiteral("template.xml")));
        files = std::make_unique<ConfigFiles>(tree, *page, prompts, dir.path(), stats.get());
        transfer = std::make_unique<ConfigTransfer>(tree, *files, *session, prompts, stats.get());
        // The start-up search identifies the selector, which reads its protection masks.
        session->Identify();
        prompts.clear();
        watch.sent.clear();
    }
    ~FilesBench()
    {
        transfer.reset();
        files.reset();
        stats.reset();
        session.reset();
        link.closePort();
        SimulatorPort::unregisterPort(portName);
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    // Every Data value of the document by address.
    QMap<QString, QString> values() const
    {
        QMap<QString, QString> out;
        for (int i = 0; i < tree.count(); ++i) {
            const QString address = SectionTree::ParamValue(tree.item(i), QStringLiteral("address"));
            if (address.startsWith(QLatin1String("0x")))
                out.insert(address, tree.item(i)->Text);
        }
        return out;
    }
    int nodeByCaption(const QString &caption) const
    {
        for (int i = 0; i < tree.count(); ++i) {
            if (tree.caption(i) == caption)
                return i;
        }
        return -1;
    }
    static SelectorSim::Fault fault(SelectorSim::FaultKind kind, int header = -1, int count = 1)
    {
        SelectorSim::Fault f;
        f.kind = kind;
        f.header = header;
        f.count = count;
        return f;
    }
    // Injects a fault into the reply to the first memory command at this address.
    void faultAt(int address, SelectorSim::FaultKind kind)
    {
        bool armed = true;
        watch.onSend = [this, address, kind, armed](const QByteArray &frame) mutable {
            if (armed && frame.size() >= 8 && quint8(frame[3]) == 255 &&
                (quint8(frame[4]) == 2 || quint8(frame[4]) == 3) &&
                ((quint8(frame[5]) << 8) | quint8(frame[6])) == address) {
                armed = false;
                sim->injectFault(fault(kind));
            }
        };
    }
};
