#include "sim/SelectorSim.h"

#include "sim/SimBytes.h"

// Coins: inhibits, insertion, the credit event buffer and the statistics a coin counts.

namespace {

constexpr int StatCounters = 0x0800;
constexpr int StatSlots = 20;
constexpr int StatOptions = 0x07EA;

using SimBytes::u8;

} // namespace

bool SelectorSim::answerCoins(quint8 header, const QByteArray &data, QByteArray &out)
{
    const int n = data.size();
    switch (header) {
    case 231: // modify inhibit status: bit set = channel enabled, low byte first
        if (n != 2) {
            out = nak();
            return true;
        }
        m_inhibitMask = quint16(u8(data, 0) | (u8(data, 1) << 8));
        out = ack();
        return true;
    case 230:
        out = ack(QByteArray() + char(m_inhibitMask & 0xFF) + char(m_inhibitMask >> 8));
        return true;
    case 229:
        out = ack(creditEvents());
        return true;
    case 228: // modify master inhibit status: bit 0 set = normal operation
        if (n != 1) {
            out = nak();
            return true;
        }
        m_masterInhibit = (u8(data, 0) & 1) == 0;
        out = ack();
        return true;
    case 227:
        out = ack(QByteArray(1, char(m_masterInhibit ? 0 : 1)));
        return true;
    case 226: {
        const quint32 c = m_insertions;
        out = ack(QByteArray() + char(c & 0xFF) + char((c >> 8) & 0xFF) + char((c >> 16) & 0xFF));
        return true;
    }
    default:
        break;
    }
    if (subCode(header, data) == 5) { // the last coin's six measurements
        out = ack(m_lastMeasurements);
        return true;
    }
    return false;
}

SelectorSim::CoinOutcome SelectorSim::insertCoin(int channel)
{
    QByteArray values(6, char(0));
    if (channel >= 1 && channel <= 16)
        values = m_work.mid(16 * (channel - 1), 6);
    return insertCoin(values);
}

SelectorSim::CoinOutcome SelectorSim::insertCoin(const QByteArray &six, bool returned)
{
    CoinOutcome outcome;
    if (six.size() != 6 || m_inMonitor)
        return outcome;
    m_insertions = (m_insertions + 1) & 0xFFFFFF;
    m_lastMeasurements = six;

    int match = 0;
    for (int ch = 1; ch <= 16 && !match; ++ch) {
        const QByteArray rec = m_work.mid(16 * (ch - 1), 16);
        if (u8(rec, 12) & 0x01)
            continue; // inhibited or erased channel
        bool inside = true;
        for (int k = 0; k < 6 && inside; ++k)
            inside = qAbs(int(u8(six, k)) - int(u8(rec, k))) <= int(u8(rec, 6 + k));
        if (inside)
            match = ch;
    }
    const QByteArray rec = match ? m_work.mid(16 * (match - 1), 16) : QByteArray(16, char(0xFF));

    if (returned) {
        outcome.result = CoinResult::Returned;
        pushEvent(0, 1);
        countStatistic(0x02, 1);
    } else if (m_masterInhibit || (match && !(m_inhibitMask & (1u << (match - 1))))) {
        outcome.result = CoinResult::Inhibited;
        pushEvent(0, 2); // inhibited coin
        countStatistic(0x02, 1);
    } else if (!match || (u8(rec, 12) & 0x02)) {
        outcome.result = CoinResult::Rejected;
        pushEvent(0, 1); // reject coin
        countStatistic(0x02, 1);
        if (match)
            countStatistic(0x05, 1); // a known counterfeit
    } else {
        outcome.result = CoinResult::Accepted;
        outcome.channel = match;
        m_accepted = (m_accepted + 1) & 0xFFFFFF;
        const quint8 path = u8(rec, 13) == 0xFF ? 0 : u8(rec, 13);
        if (!(u8(rec, 12) & 0x08))
            pushEvent(quint8(match), path);
        countStatistic(0x01, 1);
        countStatistic(0x03, u8(rec, 15));
        countStatistic(0x04, u8(rec, 15));
        if (path >= 1 && path <= 3)
            countStatistic(quint8(0x10 + path), 1);
    }
    return outcome;
}

void SelectorSim::pushEvent(quint8 a, quint8 b)
{
    m_eventCounter = quint8(m_eventCounter == 255 ? 1 : m_eventCounter + 1);
    m_events.prepend(b);
    m_events.prepend(a);
    m_events.resize(10);
}

QByteArray SelectorSim::creditEvents() const
{
    QByteArray out(1, char(m_eventCounter));
    for (int i = 0; i < 10; ++i)
        out.append(char(i < m_events.size() ? m_events.at(i) : 0));
    return out;
}

// The selector keeps its own statistics in both copies, as the device stores them itself.
void SelectorSim::countStatistic(quint8 option, quint32 amount)
{
    if (amount == 0)
        return;
    for (int slot = 0; slot < StatSlots; ++slot) {
        if (u8(m_work, StatOptions - MemoryStart + slot) != option)
            continue;
        const int at = StatCounters - MemoryStart + 3 * slot;
        quint32 v = (u8(m_work, at) << 16) | (u8(m_work, at + 1) << 8) | u8(m_work, at + 2);
        v = qMin<quint32>(v + amount, 0xFFFFFF);
        const QByteArray bytes = QByteArray() + char(v >> 16) + char((v >> 8) & 0xFF) + char(v & 0xFF);
        m_work.replace(at, 3, bytes);
        m_nv.replace(at, 3, bytes);
    }
}
