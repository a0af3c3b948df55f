#include "sim/SelectorSim.h"
#include "sim/SimBytes.h"

// Identification requests: who the selector is and what it runs.

namespace {

QByteArray word(quint16 v)
{
    return QByteArray(1, char(v >> 8)) + QByteArray(1, char(v & 0xFF));
}

} // namespace

bool SelectorSim::answerIdentity(quint8 header, const QByteArray &data, QByteArray &out)
{
    switch (header) {
    case 246:
        out = ack(m_identity.manufacturer);
        return true;
    case 244:
        out = ack(m_identity.productCode);
        return true;
    case 243:
        out = ack(QByteArray(1, char(m_identity.databaseVersion)));
        return true;
    case 242: {
        const quint32 s = m_identity.serialNumber;
        out = ack(QByteArray() + char(s & 0xFF) + char((s >> 8) & 0xFF) + char((s >> 16) & 0xFF));
        return true;
    }
    case 241:
        out = ack(m_identity.softwareRevision);
        return true;
    case 196:
        out = ack(word(m_identity.creationDate));
        return true;
    case 195:
        out = ack(word(m_identity.modificationDate));
        return true;
    case 192:
        out = ack(m_identity.buildCode);
        return true;
    case 170:
        out = ack(m_identity.baseYear);
        return true;
    default:
        break;
    }
    if (subCode(header, data) == 8) { // device type
        out = ack(m_identity.deviceType.left(4).leftJustified(4, ' '));
        return true;
    }
    return false;
}
