#pragma once

#include "app/DataDir.h"
#include "app/ScriptedPrompts.h"
#include "main/TMainFrm.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"

#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

// The desktop program as a user starts it with --demo: the program directory seeded as a
// first run seeds it, the simulated selector found by the start-up search. The window is taken
// down before the port it talks through.
struct DemoDesktop
{
    QTemporaryDir dir;
    std::shared_ptr<SimBus> bus;
    ScriptedPrompts prompts;
    std::unique_ptr<TMainFrm> win;

    // `prepare` arranges the selector before the start-up search meets it; false when seeding fails.
    bool start(const std::function<void(SelectorSim *)> &prepare = {})
    {
        bus = SimulatorPort::registerDemoPort();
        if (prepare)
            prepare(sim());
        if (!DataDir::resolve(QString(), {RX_TEST_DATA_DIR}, dir.path(), dir.path()).seeded)
            return false;
        StartOptions o;
        o.dataDir = dir.path();
        o.demo = true;
        o.interactive = false;
        win = std::make_unique<TMainFrm>(o, &prompts);
        win->show();
        win->startUp();
        return true;
    }
    SelectorSim *sim() const { return bus->selector(0); }

    // Runs `inside` once `window`, shown by `open`, is `ready`, then closes it whatever happened;
    // false when `inside` never ran or the window stayed open.
    static bool whileOpen(QDialog *window, const std::function<void()> &open,
                          const std::function<void()> &inside, const std::function<bool()> &ready = {})
    {
        bool ran = false;
        QTimer trigger;
        trigger.setInterval(20);
        QObject::connect(&trigger, &QTimer::timeout, window, [&] {
            if (!window->isVisible() || (ready && !ready()))
                return;
            trigger.stop();
            inside();
            ran = true;
            if (window->isVisible())
                window->done(QDialog::Rejected);
        });
        trigger.start();
        open();
        return ran && !window->isVisible();
    }
    ~DemoDesktop()
    {
        win.reset();
        if (bus)
            SimulatorPort::unregisterPort();
    }
};
