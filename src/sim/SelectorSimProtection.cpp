#include "sim/SelectorSim.h"
#include "sim/SimBytes.h"

// Protection: the PIN, the factory challenge and the masks that open memory regions.

namespace {

using SimBytes::u8;

quint8 swapNibbles(quint8 x)
{
    return quint8((x << 4) | (x >> 4));
}

} // namespace

bool SelectorSim::answerProtection(quint8 header, const QByteArray &data, QByteArray &out)
{
    const int n = data.size();
    switch (header) {
    case 219: // new PIN, only after the current one was entered
        if (n != 4 || !m_pinEntered) {
            out = nak();
            return true;
        }
        m_pin = data;
        out = ack();
        persist();
        return true;
    case 218: // enter PIN
        if (n == 4 && data == m_pin) {
            m_unlocked |= PinLevel;
            m_pinEntered = true;
            out = ack();
        } else {
            m_unlocked &= quint8(~PinLevel);
            m_pinEntered = false;
            out = nak();
        }
        return true;
    default:
        break;
    }
    const QByteArray rest = data.mid(1);
    switch (subCode(header, data)) {
    case 0: // factory challenge
        m_challenge.clear();
        for (int i = 0; i < 6; ++i)
            m_challenge.append(char(m_random.bounded(256)));
        out = ack(m_challenge);
        return true;
    case 1: { // factory response
        const bool ok = rest.size() == 6 && m_challenge.size() == 6 &&
                        rest == responseFor(m_challenge, m_factoryPassword);
        m_challenge.clear(); // one answer per challenge
        if (!ok) {
            m_unlocked &= quint8(~FactoryLevel);
            out = nak();
            return true;
        }
        m_unlocked |= FactoryLevel;
        out = ack();
        return true;
    }
    case 7: // maker's test command: factory level only, answers its data back
        out = (m_unlocked & FactoryLevel) ? ack(rest) : nak();
        return true;
    default:
        return false;
    }
}

QByteArray SelectorSim::responseFor(const QByteArray &challenge, const QByteArray &password)
{
    if (challenge.size() != 6 || password.size() != 6)
        return QByteArray();
    auto c = [&](int i) { return u8(challenge, i); };
    auto p = [&](int i) { return u8(password, i); };
    QByteArray r(6, char(0));
    r[0] = char(swapNibbles(c(3)) ^ p(3));
    r[1] = char(swapNibbles(quint8(swapNibbles(c(4)) ^ p(4))));
    r[2] = char(swapNibbles(quint8(quint8(~c(0)) ^ p(0))));
    r[3] = char(swapNibbles(quint8(c(5) ^ p(5))));
    r[4] = char(quint8(~(swapNibbles(c(2)) ^ p(2))));
    r[5] = char(quint8(~(c(1) ^ p(1))));
    return r;
}

// address < 0 asks for the boot-monitor permission. The stored masks decide, so that a
// downloaded mask takes effect after the commit and reset, as on the device.
bool SelectorSim::accessAllowed(int address, int count, bool write) const
{
    const int bank = write ? 1 : 0;
    const quint8 factoryMask = u8(m_nv, MaskAddress - MemoryStart + bank);
    const quint8 pinMask = u8(m_nv, MaskAddress - MemoryStart + bank + 2);
    auto regionOpen = [&](quint8 region) {
        // The factory level stands above the PIN: once unlocked it opens every region.
        if (m_unlocked & FactoryLevel)
            return true;
        const bool factory = (factoryMask & region) != 0;
        const bool pin = (pinMask & region) != 0 || (m_unlocked & PinLevel);
        return factory && pin;
    };
    if (address < 0)
        return regionOpen(RegionMonitorEntry);
    // The unit's own calibration values are written at the factory only, whatever the masks say.
    if (write && !(m_unlocked & FactoryLevel) && address <= CalibrationEnd && address + count > CalibrationStart)
        return false;
    for (int a = address; a < address + count; ++a) {
        if (!regionOpen(regionOf(a)))
            return false;
    }
    return true;
}

void SelectorSim::setPin(const QByteArray &fourBytes)
{
    if (fourBytes.size() == 4)
        m_pin = fourBytes;
}

void SelectorSim::setFactoryPassword(const QByteArray &sixBytes)
{
    if (sixBytes.size() == 6)
        m_factoryPassword = sixBytes;
}

QByteArray SelectorSim::masks() const
{
    return m_work.mid(MaskAddress - MemoryStart, 4);
}

void SelectorSim::setMasks(const QByteArray &fourBytes)
{
    if (fourBytes.size() == 4)
        setMemory(MaskAddress, fourBytes);
}
