#pragma once

#include <QString>
#include <QStringList>

class SelectorSim;

// rxsim's command line: what it sets on the selector and how it runs.
class SimOptions
{
public:
    // Parses argv; false with a message (usage error) or with help/version text in `message`
    // and `exitNow` set.
    bool parse(const QStringList &arguments);
    // Applies the selector options (after a state file, so that the command line wins).
    bool apply(SelectorSim &sim, QString *error) const;

    QString message;
    bool exitNow = false;
    bool erased = false;
    bool pace = false;
    QString link;
    QString state;
    QString control;

private:
    struct Set
    {
        QString name;
        QString value;
    };
    QList<Set> m_sets;
};
