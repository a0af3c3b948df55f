#pragma once

#include "CliRun.h"
#include "DeviceBench.h"
#include "coinprog/CoinProgModel.h"
#include "config/ChannelTable.h"

#include <QTest>
#include <functional>
#include <memory>

using Answer = Prompts::Answer;

// The coin programming model as the main window builds it, in a temporary program folder,
// talking through the real link to one simulated selector on port SIMCP.
struct CoinProgBench : DeviceBench
{
    SelectorSim *sim = nullptr;
    ChannelTable channels;
    std::unique_ptr<CoinProgModel> model;

    // A selector with every channel free.
    CoinProgBench()
    {
        writeFileBytes(dir.filePath(u"rx30.ini"_s),
                       "[SETTINGS]\nComPort=SIMCP\nccTalkAddr=02\n[SUPPORTED TYPES]\nRX20=\nRX30=\n"
                       "[COIN PROG]\nMIN_INSERTION=0F\n"
                       "[BASE_1]\nAM1_ADD=3\nPH1_ADD=2\nAM2_ADD=3\nPH2_ADD=2\nPI3_ADD=4\nDIM_ADD=2\n");
        auto bus = std::make_shared<SimBus>();
        sim = bus->addSelector(std::make_unique<SelectorSim>(true));
        sim->coinKinds().seed(7);
        SimulatorPort::registerPort(u"SIMCP"_s, bus);
        buses[u"SIMCP"_s] = bus;
        usePort(u"SIMCP"_s);
        channels.setCountryCodes(u"EUUSGBCH"_s);
        model = std::make_unique<CoinProgModel>(session, channels, prompts);
    }
    ~CoinProgBench() { model.reset(); }

    // "Coins prog." and the window shown; true when it polls.
    bool open()
    {
        if (!model->openFromToolbar())
            return false;
        model->windowOpened();
        return model->polling();
    }
    // A coin of a kind, then the poll takes it as a sample.
    bool feed(const QString &kind)
    {
        const int before = int(model->samples().size());
        sim->insertKind(kind);
        return QTest::qWaitFor([&] { return model->samples().size() == before + 1; }, 3000);
    }
    // The window opened and polling, then a coin of a kind taken.
    bool openAndFeed(const QString &kind) { return open() && feed(kind); }
    // The action runs once, inside the next poll's exchange, as its request goes out.
    void duringNextPoll(const std::function<void()> &action)
    {
        auto done = std::make_shared<bool>(false);
        QObject::connect(&log, &CommLog::lineAdded, [done, action](const QString &line) {
            if (!*done && line.startsWith(u"-> "_s) && line.contains(u"0001E2"_s)) {
                *done = true;
                action();
            }
        });
    }
    // "Save channel", its question answered OK.
    void saveChannel()
    {
        prompts.queueAnswer(Answer::Ok);
        model->saveChannelClick();
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
