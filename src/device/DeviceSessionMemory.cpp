// The protection check and the memory commands of DeviceSession.
#include "device/DeviceSession.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "device/FactoryChallenge.h"
#include "device/MemoryMap.h"
#include "device/PasswordRules.h"
#include "device/ReplyFrame.h"
#include "link/CcTalkLink.h"

namespace {
QByteArray memoryCommand(quint8 subCode, quint16 address)
{
    QByteArray cmd;
    cmd.append(char(255));
    cmd.append(static_cast<char>(subCode));
    cmd.append(static_cast<char>(address >> 8));
    cmd.append(static_cast<char>(address & 0xFF));
    return cmd;
}

bool askSecret(Prompts &prompts, int captionMessage, QByteArray &secret)
{
    const QString caption = Msg(captionMessage);
    QString text;
    if (!prompts.password(caption, PasswordRules::validator(caption), text))
        return false;
    // The dialog is forced to upper case; a validated text always converts.
    secret = CcTalkLink::HexToBytes(text.toUpper());
    return true;
}
} // namespace

void DeviceSession::resetAccess()
{
    UnlockedLevels = 0;
}

bool DeviceSession::denyAccess(quint8 lastResult)
{
    m_prompts.error(lastResult == CcTalkLink::Timeout ? Msg(78) : Msg(321));
    UnlockedLevels &= static_cast<quint8>(~PinLevel);
    return false;
}

bool DeviceSession::RequestAccess(int bank, quint8 region)
{
    if (bank != ReadBank && bank != WriteBank)
        return false;
    const quint8 l1 = AccessMasks[static_cast<size_t>(bank)];
    const quint8 l2 = AccessMasks[static_cast<size_t>(bank + 2)];
    bool granted = false;
    quint8 lastResult = CcTalkLink::Ok;

    if ((l1 & region) == 0) {
        if (!FactoryAccessEnabled) {
            m_prompts.error(Msg(296));
            return false;
        }
        if (!(UnlockedLevels & FactoryLevel) && !askSecret(m_prompts, 115, FactoryPassword))
            return false;
        QByteArray reply;
        lastResult = m_link.Transact(m_link.DeviceAddress, QByteArray("\xFF\x00", 2), 10, reply);
        const QByteArray challenge = ReplyFrame::data(reply);
        if (lastResult != CcTalkLink::Ok || challenge.size() < 6) {
            // A failed factory level ends the check: the PIN level must not stand in for it.
            UnlockedLevels &= static_cast<quint8>(~FactoryLevel);
            if (lastResult != CcTalkLink::Ok) {
                m_prompts.error(Msg(78) + QString::number(lastResult));
                UnlockedLevels &= static_cast<quint8>(~PinLevel);
                return false;
            }
            return denyAccess(lastResult);
        }
        QByteArray answer(1, char(255));
        answer.append(char(1));
        answer.append(FactoryChallenge::response(challenge.left(6), FactoryPassword));
        reply.clear();
        lastResult = m_link.Transact(m_link.DeviceAddress, answer, 10, reply);
        if (lastResult == CcTalkLink::Ok && ReplyFrame::isAck(reply)) {
            UnlockedLevels |= FactoryLevel;
            return true;
        }
        UnlockedLevels &= static_cast<quint8>(~FactoryLevel);
        return denyAccess(lastResult);
    }
    granted = true;

    if ((l2 & region) == 0 && !PinCheckSuppressed) {
        granted = false;
        if (!(UnlockedLevels & PinLevel) && !askSecret(m_prompts, 116, CurrentPin))
            return false;
        QByteArray reply;
        lastResult = m_link.Transact(m_link.DeviceAddress, QByteArray(1, char(218)) + CurrentPin, 6, reply);
        if (lastResult == CcTalkLink::Ok && ReplyFrame::isAck(reply)) {
            granted = true;
            UnlockedLevels |= PinLevel;
        }
    }
    if (!granted)
        return denyAccess(lastResult);
    return true;
}

int DeviceSession::ReadBlock(quint16 address, int count, QByteArray &data, quint8 region)
{
    if (count < 1 || count > 255)
        return Failed;
    if (!RequestAccess(ReadBank, region))
        return NotGranted;
    QByteArray cmd = memoryCommand(2, address);
    cmd.append(static_cast<char>(count));
    QByteArray reply;
    if (m_link.Transact(m_link.DeviceAddress, cmd, 50, reply) != CcTalkLink::Ok || !ReplyFrame::isAck(reply))
        return Failed;
    // A reply that does not carry exactly the bytes asked for is a failure, not a short block.
    if (reply.size() != count + 5)
        return Failed;
    data = ReplyFrame::data(reply);
    return Done;
}

int DeviceSession::WriteBlock(quint16 address, const QByteArray &data, quint8 region)
{
    // Sub-code and address take 3 of the frame's 255 data bytes.
    if (data.isEmpty() || data.size() > 252)
        return Failed;
    if (!RequestAccess(WriteBank, region))
        return NotGranted;
    QByteArray reply;
    if (m_link.Transact(m_link.DeviceAddress, memoryCommand(3, address) + data, 10, reply) !=
            CcTalkLink::Ok ||
        !ReplyFrame::isAck(reply))
        return Failed;
    return Done;
}

int DeviceSession::ReadChannel(int channel, QByteArray &record)
{
    if (channel < 1 || channel > MemoryMap::ChannelCount)
        return Failed;
    if (!RequestAccess(ReadBank, MemoryMap::Channels))
        return NotGranted;
    QByteArray cmd = memoryCommand(2, MemoryMap::channelAddress(channel));
    cmd.append(char(MemoryMap::ChannelSize));
    QByteArray reply;
    // The channel read checks the length only: a 21-byte reply is a record whatever its header.
    if (m_link.Transact(m_link.DeviceAddress, cmd, 10, reply) != CcTalkLink::Ok ||
        reply.size() != MemoryMap::ChannelSize + 5)
        return Failed;
    record = ReplyFrame::data(reply);
    return Done;
}

int DeviceSession::WriteChannel(int channel, const QByteArray &record)
{
    if (channel < 1 || channel > MemoryMap::ChannelCount || record.size() != MemoryMap::ChannelSize)
        return Failed;
    if (!RequestAccess(WriteBank, MemoryMap::Channels))
        return NotGranted;
    QByteArray reply;
    if (m_link.Transact(m_link.DeviceAddress, memoryCommand(3, MemoryMap::channelAddress(channel)) + record,
                        10, reply) != CcTalkLink::Ok ||
        !ReplyFrame::isAck(reply))
        return Failed;
    return Done;
}

bool DeviceSession::CommitToNV()
{
    QByteArray reply;
    if (m_link.Transact(m_link.DeviceAddress, QByteArray("\xFF\x03", 2), 8, reply) != CcTalkLink::Ok ||
        !ReplyFrame::isAck(reply))
        return false;
    reply.clear();
    return m_link.Transact(m_link.DeviceAddress, QByteArray(1, char(1)), 20, reply) == CcTalkLink::Ok &&
           ReplyFrame::isAck(reply);
}
