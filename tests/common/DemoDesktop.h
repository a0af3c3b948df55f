#pragma once

#include "app/DataDir.h"
#include "main/TMainFrm.h"

#include <QTemporaryDir>
#include <memory>

// The desktop program as a user starts it with --demo: the program directory seeded as a
// first run seeds it, the simulated selector found by the start-up search. The caller
// registers the simulated port first (and may prepare its selector). nullptr when seeding fails.
inline std::unique_ptr<TMainFrm> startDemoDesktop(const QTemporaryDir &dir, Prompts &prompts)
{
    if (!DataDir::resolve(QString(), {RX_TEST_DATA_DIR}, dir.path(), dir.path()).seeded)
        return nullptr;
    StartOptions o;
    o.dataDir = dir.path();
    o.demo = true;
    o.interactive = false;
    auto win = std::make_unique<TMainFrm>(o, &prompts);
    win->show();
    win->startUp();
    return win;
}
