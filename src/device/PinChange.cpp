#include "device/PinChange.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "device/PasswordRules.h"
#include "device/ReplyFrame.h"
#include "link/CcTalkLink.h"

bool PinChange::Apply(const QString &pin, const QString &newPin, const QString &confirmation)
{
    // The fields force upper case.
    const QString fields[3] = {pin.toUpper(), newPin.toUpper(), confirmation.toUpper()};
    for (const QString &f : fields)
        if (f.size() != 8) {
            m_prompts.error(Msg(161));
            return false;
        }
    for (const QString &f : fields)
        if (!PasswordRules::isHexText(f)) {
            m_prompts.error(Msg(160));
            return false;
        }
    if (fields[1] != fields[2]) {
        m_prompts.error(Msg(60));
        return false;
    }
    QByteArray reply;
    if (m_link.Transact(m_link.DeviceAddress, QByteArray(1, char(218)) + CcTalkLink::HexToBytes(fields[0]), 5,
                        reply) != CcTalkLink::Ok) {
        // Without the current PIN entered the new one would be refused; do not send it.
        m_prompts.error(Msg(321));
        return false;
    }
    reply.clear();
    if (m_link.Transact(m_link.DeviceAddress, QByteArray(1, char(219)) + CcTalkLink::HexToBytes(fields[1]), 5,
                        reply) == CcTalkLink::Ok &&
        ReplyFrame::isAck(reply)) {
        m_prompts.information(Msg(192));
        return true;
    }
    m_prompts.error(Msg(84));
    return false;
}
