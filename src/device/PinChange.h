#pragma once

#include <QString>

class CcTalkLink;
class Prompts;

// The "PIN" window's logic: the current PIN, the new PIN and its confirmation, each 8 hex
// digits. The PIN the program keeps for its own access checks is not changed.
class PinChange
{
public:
    PinChange(CcTalkLink &link, Prompts &prompts) : m_link(link), m_prompts(prompts) {}

    // The first failing check is the only one reported; true after "Operation finished".
    bool Apply(const QString &pin, const QString &newPin, const QString &confirmation);

private:
    CcTalkLink &m_link;
    Prompts &m_prompts;
};
