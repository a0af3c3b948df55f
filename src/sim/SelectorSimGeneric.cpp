#include "sim/SelectorSim.h"
#include "sim/SimBytes.h"

// The core requests of the ccTalk generic command set that a coin acceptor answers, so a
// third-party host finds and drives the simulator as it would a real selector. The values
// come from the selector's own memory where it has them.

namespace {

using SimBytes::u8;

constexpr int CountryCodes = 0x07B2;
const char *const kValueCodes[16] = {"001", "002", "2.5", "005", "010", "020", "025", "050",
                                     "100", "200", "250", "500", "1K0", "2K0", "5K0", "..."};
const char kMint[4] = {'A', 'B', 'C', '.'};

quint32 romChecksum(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

} // namespace

// Country, value and issue of a channel in the usual six characters; "......" when the
// channel is not programmed.
QByteArray SelectorSim::coinId(int channel) const
{
    const QByteArray rec = m_work.mid(16 * (channel - 1), 16);
    const quint8 id = u8(rec, 14);
    if (id == 0xFF || u8(rec, 12) == 0xFF)
        return QByteArray(6, '.');
    const QByteArray country = m_work.mid(CountryCodes - MemoryStart + 2 * (id >> 6), 2);
    return country + QByteArray(kValueCodes[id & 0x0F]) + kMint[(id >> 4) & 0x03];
}

bool SelectorSim::answerGeneric(quint8 header, const QByteArray &data, QByteArray &out)
{
    switch (header) {
    case 245: // equipment category id
        out = ack("Coin Acceptor");
        return true;
    case 249: // polling priority: 200 ms (units of 10 ms)
        out = ack(QByteArray::fromHex("0214"));
        return true;
    case 248: // status: 0 = OK
    case 213: // option flags: none
    case 232: // self-check: 0 = no fault
        out = ack(QByteArray(1, char(0)));
        return true;
    case 216: // data storage: none
        out = ack(QByteArray(5, char(0)));
        return true;
    case 209:   // sorter path of a channel; 0 = none
    case 184: { // coin id of a channel
        if (data.size() != 1 || u8(data, 0) < 1 || u8(data, 0) > 16) {
            out = nak();
            return true;
        }
        const int channel = u8(data, 0);
        if (header == 184) {
            out = ack(coinId(channel));
        } else {
            const quint8 path = u8(m_work, 16 * (channel - 1) + 13);
            out = ack(QByteArray(1, char(path == 0xFF ? 0 : path)));
        }
        return true;
    }
    case 250: // address random: acknowledged from the old address, then 2..255
        out = ack();
        m_address = quint8(2 + m_random.bounded(254));
        persist();
        return true;
    case 247: // variable set: coin positions and banks
        out = ack(QByteArray::fromHex("1001"));
        return true;
    case 225: { // accept counter, 3 bytes least significant first
        QByteArray count;
        for (int i = 0; i < 3; ++i)
            count.append(char((m_accepted >> (8 * i)) & 0xFF));
        out = ack(count);
        return true;
    }
    case 197: { // ROM checksum: a CRC-32 of what identifies the program, so a load changes it
        const QByteArray rom = m_identity.productCode + m_identity.softwareRevision + m_identity.buildCode;
        const quint32 crc = romChecksum(rom);
        QByteArray sum;
        for (int i = 0; i < 4; ++i)
            sum.append(char((crc >> (8 * i)) & 0xFF));
        out = ack(sum);
        return true;
    }
    case 4: // comms revision: release 1, ccTalk 4.2
        out = ack(QByteArray::fromHex("010402"));
        return true;
    case 3: // clear comms status variables
        out = ack();
        return true;
    case 2: // comms status variables: nothing lost here
        out = ack(QByteArray(3, char(0)));
        return true;
    default:
        return false;
    }
}

bool SelectorSim::answerUnframed(quint8 header, Reply &reply)
{
    if (header != 252)
        return false;
    // Address clash: the address alone, after a random 4 ms step, so that selectors sharing
    // an address are heard one by one.
    reply.bytes = QByteArray(1, char(m_address));
    reply.delayMs = 4 * int(m_random.bounded(256));
    reply.addressPoll = true;
    return true;
}
