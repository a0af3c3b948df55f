#include "device/CommandTerminal.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "device/DeviceSession.h"
#include "device/MemoryMap.h"
#include "device/PasswordRules.h"
#include "device/ReplyFrame.h"
#include "link/CcTalkLink.h"

QString CommandTerminal::normalise(const QString &text)
{
    QString out;
    for (QChar ch : text)
        if (!ch.isSpace())
            out.append(ch.toUpper());
    return out;
}

QString CommandTerminal::problem(const QString &text)
{
    const QString command = normalise(text);
    if (command.size() < 2)
        return Msg(422);
    QString bad;
    for (QChar ch : command)
        if (!PasswordRules::isHexText(QString(ch)) && !bad.contains(ch))
            bad.append(ch);
    if (!bad.isEmpty())
        return Msg(421) + bad;
    // The header and at most 255 data bytes.
    if (command.size() / 2 > 256)
        return Msg(423);
    return QString();
}

bool CommandTerminal::needsAccessCheck(const QString &text)
{
    const QString command = normalise(text);
    return ((command.startsWith(QLatin1String("FF03")) || command.startsWith(QLatin1String("FF02"))) &&
            command.size() > 4) ||
           command.startsWith(QLatin1String("FF07"));
}

int CommandTerminal::SendCommand(const QString &text)
{
    const QString command = normalise(text);
    // Checked before the access check, so a mistyped command sends nothing at all.
    const QString why = problem(command);
    if (!why.isEmpty()) {
        m_session.prompts().error(why);
        return Rejected;
    }
    if ((command.startsWith(QLatin1String("FF03")) || command.startsWith(QLatin1String("FF02"))) &&
        command.size() > 4) {
        const quint16 address = static_cast<quint16>(command.mid(4, 4).toUInt(nullptr, 16));
        const int bank =
            command.startsWith(QLatin1String("FF03")) ? DeviceSession::WriteBank : DeviceSession::ReadBank;
        m_session.RequestAccess(bank, MemoryMap::regionOf(address));
    }
    if (command.startsWith(QLatin1String("FF07"))) {
        m_session.PinCheckSuppressed = true;
        m_session.RequestAccess(DeviceSession::WriteBank, MemoryMap::Unknown);
        m_session.PinCheckSuppressed = false;
    }
    CcTalkLink &link = m_session.link();
    QByteArray reply;
    const quint8 result = link.Transact(link.DeviceAddress, command.toLatin1(), 10, true, false, reply);
    if (result == CcTalkLink::BadCommand) {
        m_session.prompts().error(link.lastError());
        return Rejected;
    }
    if (result != CcTalkLink::Ok)
        return NoReply;
    return ReplyFrame::isAck(reply) ? Sent : Refused;
}
