#include "sim/SelectorSim.h"

#include "link/Checksum.h"
#include "sim/SimBytes.h"
#include "sim/SimDefaultImage.h"

// The wire side of the simulated selector: framing, addressing, faults and the dispatch of
// each frame to its command family (one source file per family).

namespace {

constexpr quint8 HeaderAck = 0;
constexpr quint8 HeaderNak = 5;

using SimBytes::u8;

} // namespace

SelectorSim::SelectorSim() : SelectorSim(false)
{
}

SelectorSim::SelectorSim(bool erased) : m_random(0x5E1EC7u)
{
    m_pin = QByteArray(4, char(0x00));
    m_factoryPassword = QByteArray::fromHex("123456789ABC");
    m_nv = erased ? SimDefaultImage::erased() : SimDefaultImage::build();
    m_work = m_nv;
    m_lastMeasurements = QByteArray(6, char(0x00));
    // Regulator duties near half scale, mid-range coil readings, 12 V supply, 25 degrees.
    m_analog = QByteArray::fromHex("02E102D6505A4860") + QByteArray::fromHex("3A4E19");
    m_inputs = QByteArray(2, char(0x00));
}

quint8 SelectorSim::regionOf(int address)
{
    if (address >= 0x0600 && address <= 0x06FF)
        return RegionChannels;
    if (address >= 0x0700 && address <= 0x073F)
        return RegionIoLines;
    if (address >= 0x0740 && address <= 0x079F)
        return RegionModes;
    if (address >= 0x07A0 && address <= 0x07E9)
        return RegionParameters;
    if (address >= 0x07EA && address <= 0x07FD)
        return RegionStatOptions;
    if (address >= 0x0800 && address <= 0x083F)
        return RegionStatCounters;
    return RegionNone;
}

// ---------------------------------------------------------------- the wire

int SelectorSim::currentBaud() const
{
    return m_inMonitor ? m_monitorBaud : 9600;
}

QList<SelectorSim::Reply> SelectorSim::feed(const QByteArray &bytes, int baud, qint64 nowMs)
{
    QList<Reply> replies;
    if (baud != currentBaud()) {
        // At a foreign rate every byte is a framing error: nothing is understood.
        m_partial.clear();
        m_lastByteMs = nowMs;
        return replies;
    }
    if (m_lastByteMs >= 0 && nowMs - m_lastByteMs > m_resyncGapMs)
        m_partial.clear();
    m_lastByteMs = nowMs;

    for (char c : bytes) {
        m_partial.append(c);
        if (m_inMonitor) {
            const quint8 first = u8(m_partial, 0);
            if (first != 'V' && first != 0x55) {
                m_partial.clear(); // noise between records
            } else if (first == 'V' || (m_partial.size() >= 3 && m_partial.size() == 3 + u8(m_partial, 2))) {
                const QByteArray record = m_partial;
                m_partial.clear();
                replies.append(answerMonitor(record));
            }
            continue;
        }
        if (m_partial.size() >= 2 && m_partial.size() == u8(m_partial, 1) + 5) {
            const QByteArray frame = m_partial; // handling may reset the selector
            m_partial.clear();
            Reply reply = handleFrame(frame);
            if (!reply.bytes.isEmpty() || reply.suppressEcho)
                replies.append(reply);
            // A commit or reset may have taken the selector into its monitor mid-stream.
        }
    }
    return replies;
}

SelectorSim::Reply SelectorSim::handleFrame(const QByteArray &frame)
{
    Reply none;
    if (frame.size() < 5 || frame.size() != u8(frame, 1) + 5)
        return none;
    if (ccTalkChecksum(frame.left(frame.size() - 1)) != u8(frame, frame.size() - 1))
        return none; // a corrupted frame is ignored, as on a real bus
    const quint8 destination = u8(frame, 0);
    if (destination != 0 && destination != m_address)
        return none;
    if (m_unplugged || m_inMonitor)
        return none;

    const int header = u8(frame, 3);
    const Fault *fault = takeFault(header, header == 255 && frame.size() > 5 ? u8(frame, 4) : -1, false);
    if (fault && fault->kind == FaultKind::Unplugged)
        return none;
    if (fault && fault->kind == FaultKind::Nak) {
        Reply reply;
        reply.bytes = nak();
        reply.bytes[0] = frame.at(2);
        reply.bytes[4] = char(ccTalkChecksum(reply.bytes.left(4)));
        reply.delayMs = m_turnaroundMs;
        return reply;
    }

    Reply reply = answerFrame(frame);
    if (m_enterMonitorPending) {
        // The acknowledge still leaves at the normal rate; then the monitor takes over.
        m_enterMonitorPending = false;
        enterMonitor();
    }
    if (!fault)
        return reply;
    switch (fault->kind) {
    case FaultKind::NoReply:
        reply.bytes.clear();
        break;
    case FaultKind::CorruptChecksum:
        if (!reply.bytes.isEmpty())
            reply.bytes[reply.bytes.size() - 1] = char(u8(reply.bytes, reply.bytes.size() - 1) + 1);
        break;
    case FaultKind::LateReply:
        reply.delayMs += m_lateReplyMs;
        break;
    case FaultKind::ExtraBytes:
        reply.bytes.append(QByteArray::fromHex("00AA"));
        break;
    case FaultKind::NoEcho:
        reply.suppressEcho = true;
        break;
    case FaultKind::ShortReply:
        if (reply.bytes.size() > 5) {
            reply.bytes.remove(reply.bytes.size() - 2, 1);
            reply.bytes[1] = char(u8(reply.bytes, 1) - 1);
            reply.bytes[reply.bytes.size() - 1] =
                char(ccTalkChecksum(reply.bytes.left(reply.bytes.size() - 1)));
        }
        break;
    default:
        break;
    }
    return reply;
}

const SelectorSim::Fault *SelectorSim::takeFault(int header, int subCode, bool monitor)
{
    for (int i = 0; i < m_faults.size(); ++i) {
        Fault &f = m_faults[i];
        const bool monitorKind = f.kind == FaultKind::MonitorStatus;
        if (f.kind == FaultKind::DropWrite)
            continue;
        if (monitor ? (!monitorKind && f.header >= 0) : monitorKind)
            continue;
        if (!monitor && f.header >= 0 && f.header != header)
            continue;
        if (!monitor && f.subCode >= 0 && f.subCode != subCode)
            continue;
        if (f.skip > 0) {
            // A fault that lands mid-operation lets the earlier exchanges through.
            --f.skip;
            continue;
        }
        m_lastFault = f;
        if (f.count > 0 && --f.count == 0)
            m_faults.removeAt(i);
        return &m_lastFault;
    }
    return nullptr;
}

bool SelectorSim::takeDropWrite(int header, int subCode)
{
    for (int i = 0; i < m_faults.size(); ++i) {
        Fault &f = m_faults[i];
        if (f.kind != FaultKind::DropWrite || (f.header >= 0 && f.header != header) ||
            (f.subCode >= 0 && f.subCode != subCode))
            continue;
        if (f.skip > 0) {
            --f.skip;
            continue;
        }
        if (f.count > 0 && --f.count == 0)
            m_faults.removeAt(i);
        return true;
    }
    return false;
}

QByteArray SelectorSim::ack(const QByteArray &data) const
{
    QByteArray reply;
    reply.append(char(1));
    reply.append(char(data.size()));
    reply.append(char(m_address));
    reply.append(char(HeaderAck));
    reply.append(data);
    reply.append(char(ccTalkChecksum(reply)));
    return reply;
}

QByteArray SelectorSim::nak() const
{
    QByteArray reply;
    reply.append(char(1));
    reply.append(char(0));
    reply.append(char(m_address));
    reply.append(char(HeaderNak));
    reply.append(char(ccTalkChecksum(reply)));
    return reply;
}

SelectorSim::Reply SelectorSim::answerFrame(const QByteArray &frame)
{
    const quint8 header = u8(frame, 3);
    const QByteArray data = frame.mid(4, frame.size() - 5);
    Reply reply;
    reply.delayMs = m_turnaroundMs;
    if (header == 253) { // address poll: one unframed byte after 4 ms per address step
        if (u8(frame, 0) != 0)
            return reply;
        reply.bytes = QByteArray(1, char(m_address));
        reply.delayMs = 4 * m_address;
        reply.addressPoll = true;
        return reply;
    }
    if (answerUnframed(header, reply))
        return reply;

    // Each command family answers its own headers and header 255 sub-codes.
    QByteArray out;
    const bool answered = answerBus(header, data, out) || answerIdentity(header, data, out) ||
                          answerProtection(header, data, out) || answerMemory(header, data, out) ||
                          answerSensors(header, data, out) || answerCoins(header, data, out) ||
                          answerMonitorEntry(header, data, out) || answerGeneric(header, data, out);
    if (!answered) {
        if (header != 255)
            return reply; // unknown headers get no answer
        out = nak();      // an unknown or missing sub-code is refused
    }
    out[0] = frame.at(2); // answer whoever asked
    out[out.size() - 1] = char(ccTalkChecksum(out.left(out.size() - 1)));
    reply.bytes = out;
    return reply;
}

int SelectorSim::subCode(quint8 header, const QByteArray &data)
{
    return header == 255 && !data.isEmpty() ? u8(data, 0) : -1;
}

bool SelectorSim::answerBus(quint8 header, const QByteArray &data, QByteArray &out)
{
    switch (header) {
    case 254: // simple poll
        out = ack();
        return true;
    case 251: // address change, acknowledged from the old address
        if (data.size() != 1 || u8(data, 0) < 2) {
            out = nak();
            return true;
        }
        out = ack();
        m_address = u8(data, 0);
        persist();
        return true;
    case 1: // reset: answered first, then restarted
        out = ack();
        reset();
        return true;
    default:
        return false;
    }
}
