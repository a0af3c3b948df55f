#pragma once

#include <QString>
#include <QStringList>

class SimBus;

// A line of selectors on one bus: the selector on it is replaced by a fresh one, as an operator
// at a production station pulls one and plugs the next.
class SimLine
{
public:
    // "next [serial N] [type XXXX] [erased|default]", "pull" and "plug"; false when the words
    // are not one of these.
    static bool control(SimBus *bus, const QStringList &words, QString &reply);
    static QString grammar();
};
