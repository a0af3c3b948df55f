#pragma once

#include "app/ScriptedPrompts.h"
#include "coinprog/CoinProgModel.h"
#include "config/ChannelTable.h"
#include "device/CommLog.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using Kind = ScriptedPrompts::Kind;
using Answer = Prompts::Answer;

// The coin programming model as the main window builds it, in a temporary program folder,
// talking through the real link to one simulated selector on port SIMCP.
struct CoinProgBench
{
    QTemporaryDir dir;
    CcTalkLink link;
    ScriptedPrompts prompts;
    CommLog log;
    DeviceSession session;
    ChannelTable channels;
    std::shared_ptr<SimBus> bus;
    SelectorSim *sim = nullptr;
    std::unique_ptr<CoinProgModel> model;

    static QByteArray defaultIni()
    {
        return "[SETTINGS]\nComPort=SIMCP\nccTalkAddr=02\n[SUPPORTED TYPES]\nRX20=\nRX30=\n"
               "[COIN PROG]\nMIN_INSERTION=0F\n"
               "[BASE_1]\nAM1_ADD=3\nPH1_ADD=2\nAM2_ADD=3\nPH2_ADD=2\nPI3_ADD=4\nDIM_ADD=2\n";
    }

    explicit CoinProgBench(bool erased = true, const QByteArray &ini = defaultIni())
        : log(dir.path(), &prompts), session(link, prompts, dir.path())
    {
        if (!ini.isNull()) {
            QFile f(dir.filePath(u"rx30.ini"_s));
            if (f.open(QIODevice::WriteOnly))
                f.write(ini);
        }
        bus = std::make_shared<SimBus>();
        sim = bus->addSelector(std::make_unique<SelectorSim>(erased));
        sim->coinKinds().seed(7);
        SimulatorPort::registerPort(u"SIMCP"_s, bus);
        link.setPortName(u"SIMCP"_s);
        link.openPort();
        link.setLogSink(&log);
        link.LoggingEnabled = true;
        channels.setCountryCodes(u"EUUSGBCH"_s);
        model = std::make_unique<CoinProgModel>(session, channels, prompts);
    }
    ~CoinProgBench()
    {
        model.reset();
        link.closePort();
        SimulatorPort::unregisterPort(u"SIMCP"_s);
    }

    // "Coins prog." and the window shown; true when it polls.
    bool open()
    {
        if (!model->openFromToolbar())
            return false;
        model->windowOpened();
        return model->polling();
    }
    // A coin of a kind, then the poll takes it.
    bool feed(const QString &kind)
    {
        const int before = model->samples().size();
        sim->insertKind(kind);
        return QTest::qWaitFor([&] { return model->samples().size() == before + 1; }, 3000);
    }
    QStringList sent() const
    {
        QStringList out;
        for (const QString &l : log.lines())
            if (l.startsWith(u"-> "_s))
                out << l.mid(3);
        return out;
    }
    // Commands of one header (and first data byte for 255) among the frames sent.
    int sentCount(int header, int sub = -1) const
    {
        int n = 0;
        for (const QString &f : sent()) {
            const QByteArray b = QByteArray::fromHex(f.toLatin1());
            if (b.size() >= 5 && quint8(b[3]) == header && (sub < 0 || quint8(b[4]) == sub))
                ++n;
        }
        return n;
    }
    QByteArray record(int channel) const { return sim->memory(0x0600 + 16 * (channel - 1), 16); }
    QByteArray nvRecord(int channel) const { return sim->nvMemory(0x0600 + 16 * (channel - 1), 16); }
};
