#include "device/AddressChange.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "device/ReplyFrame.h"
#include "link/CcTalkLink.h"

int AddressChange::currentAddress() const
{
    return m_link.DeviceAddress;
}

bool AddressChange::Apply(int newAddress)
{
    // 0 is the broadcast address and 1 the host's; a caller passing one gets a message.
    if (!isHeld(newAddress)) {
        m_prompts.error(Msg(430) + QString::number(newAddress));
        return false;
    }
    QByteArray command(1, char(251));
    command.append(static_cast<char>(newAddress));
    QByteArray reply;
    if (m_link.Transact(m_link.DeviceAddress, command, 5, reply) == CcTalkLink::Ok &&
        ReplyFrame::isAck(reply)) {
        m_prompts.information(Msg(52));
        m_link.DeviceAddress = static_cast<quint8>(newAddress);
        return true;
    }
    m_prompts.error(Msg(55));
    return false;
}
