#pragma once

#include <QString>

class DeviceSession;

// "Send command" of the communication log page: a ccTalk command typed as hex text goes
// to the selector at DeviceAddress. Memory reads and writes (FF02/FF03) and the factory
// sub-command FF07 pass the protection check first, so the PIN or password is sent.
class CommandTerminal
{
public:
    enum Result : int { Sent = 0, NoReply = 1, Rejected = 2, Refused = 3 };

    explicit CommandTerminal(DeviceSession &session) : m_session(session) {}

    // The typed text with blanks removed and forced to upper case, as the field shows it.
    static QString normalise(const QString &text);
    // "" when the text can be sent, else the message explaining why not.
    static QString problem(const QString &text);
    // Whether the command's prefix needs the protection masks (identification first).
    static bool needsAccessCheck(const QString &text);

    // Sent: acknowledged. Refused: a valid reply with a header other than ACK (a NAK).
    // NoReply: sent, no valid reply. Rejected: nothing was sent because the text is not a
    // command (the reason has been shown).
    int SendCommand(const QString &text);

private:
    DeviceSession &m_session;
};
