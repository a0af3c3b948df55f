#pragma once

#include <QString>

class SimBus;
class SelectorSim;

// The control channel's command interpreter: one text line in, one reply line out,
// beginning "OK" or "ERR". Commands act on the first selector of the bus.
class SimControl
{
public:
    explicit SimControl(SimBus *bus) : m_bus(bus) {}

    QString execute(const QString &line);
    bool quitRequested() const { return m_quit; }

    // The grammar, for --help.
    static QString grammar();

private:
    SelectorSim *selector() const;

    SimBus *m_bus;
    bool m_quit = false;
};
