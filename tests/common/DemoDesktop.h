#pragma once

#include "app/DataDir.h"
#include "app/ScriptedPrompts.h"
#include "main/TMainFrm.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"

#include <QTemporaryDir>
#include <memory>

// The desktop program as a user starts it with --demo: the program directory seeded as a
// first run seeds it, the simulated selector found by the start-up search. The caller
// registers the simulated port first (and may prepare its selector). nullptr when seeding fails.
inline std::unique_ptr<TMainFrm> startDemoDesktop(const QTemporaryDir &dir, Prompts &prompts,
                                                  bool demo = true)
{
    if (!DataDir::resolve(QString(), {RX_TEST_DATA_DIR}, dir.path(), dir.path()).seeded)
        return nullptr;
    StartOptions o;
    o.dataDir = dir.path();
    o.demo = demo;
    o.interactive = false;
    auto win = std::make_unique<TMainFrm>(o, &prompts);
    win->show();
    win->startUp();
    return win;
}

// A test's demo desktop with its simulated selector, taken down in the right order: the
// window before the port it talks through.
struct DemoDesktop
{
    QTemporaryDir dir;
    std::shared_ptr<SimBus> bus;
    ScriptedPrompts prompts;
    std::unique_ptr<TMainFrm> win;

    // `prepare` arranges the selector before the start-up search meets it.
    bool start(const std::function<void(SelectorSim *)> &prepare = {})
    {
        bus = SimulatorPort::registerDemoPort();
        if (prepare)
            prepare(sim());
        win = startDemoDesktop(dir, prompts);
        return win != nullptr;
    }
    SelectorSim *sim() const { return bus->selector(0); }
    ~DemoDesktop()
    {
        win.reset();
        if (bus)
            SimulatorPort::unregisterPort();
    }
};
