#include "sim/SelectorSim.h"

#include "link/Checksum.h"
#include "sim/SimDefaultImage.h"

namespace {

constexpr quint8 HeaderAck = 0;
constexpr quint8 HeaderNak = 5;
constexpr int StatCounters = 0x0800;
constexpr int StatSlots = 20;

quint8 swapNibbles(quint8 x)
{
    return quint8((x << 4) | (x >> 4));
}

quint8 u8(const QByteArray &bytes, int index)
{
    return static_cast<quint8>(bytes.at(index));
}

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
    const Fault *fault = takeFault(header, false);
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
    default:
        break;
    }
    return reply;
}

const SelectorSim::Fault *SelectorSim::takeFault(int header, bool monitor)
{
    for (int i = 0; i < m_faults.size(); ++i) {
        Fault &f = m_faults[i];
        const bool monitorKind = f.kind == FaultKind::MonitorStatus;
        if (monitor ? (!monitorKind && f.header >= 0) : monitorKind)
            continue;
        if (!monitor && f.header >= 0 && f.header != header)
            continue;
        m_lastFault = f;
        if (f.count > 0 && --f.count == 0)
            m_faults.removeAt(i);
        return &m_lastFault;
    }
    return nullptr;
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
    const int n = data.size();
    Reply reply;
    reply.delayMs = m_turnaroundMs;
    QByteArray out;
    auto word = [](quint16 v) { return QByteArray(1, char(v >> 8)) + QByteArray(1, char(v & 0xFF)); };

    switch (header) {
    case 254: // simple poll
        out = ack();
        break;
    case 253: // address poll: one unframed byte after 4 ms per address step
        if (u8(frame, 0) != 0)
            return reply;
        reply.bytes = QByteArray(1, char(m_address));
        reply.delayMs = 4 * m_address;
        reply.addressPoll = true;
        return reply;
    case 251: // address change, acknowledged from the old address
        if (n != 1 || u8(data, 0) < 2) {
            out = nak();
            break;
        }
        out = ack();
        m_address = u8(data, 0);
        persist();
        break;
    case 246:
        out = ack(m_identity.manufacturer);
        break;
    case 244:
        out = ack(m_identity.productCode);
        break;
    case 243:
        out = ack(QByteArray(1, char(m_identity.databaseVersion)));
        break;
    case 242: {
        const quint32 s = m_identity.serialNumber;
        out = ack(QByteArray() + char(s & 0xFF) + char((s >> 8) & 0xFF) + char((s >> 16) & 0xFF));
        break;
    }
    case 241:
        out = ack(m_identity.softwareRevision);
        break;
    case 240: // test solenoids
    case 238: // test output lines
    case 233: // latch output lines
        if (n != 1) {
            out = nak();
            break;
        }
        if (header == 240) {
            m_outputs.solenoidMask = u8(data, 0);
            ++m_outputs.solenoidCount;
        } else if (header == 238) {
            m_outputs.pulsedOutputs = u8(data, 0);
            ++m_outputs.pulseCount;
        } else {
            m_outputs.latchedOutputs = u8(data, 0);
            ++m_outputs.latchCount;
        }
        out = ack();
        break;
    case 237:
        out = ack(m_inputs);
        break;
    case 236:
        out = ack(QByteArray(1, char(m_opto)));
        break;
    case 231: // modify inhibit status: bit set = channel enabled, low byte first
        if (n != 2) {
            out = nak();
            break;
        }
        m_inhibitMask = quint16(u8(data, 0) | (u8(data, 1) << 8));
        out = ack();
        break;
    case 230:
        out = ack(QByteArray() + char(m_inhibitMask & 0xFF) + char(m_inhibitMask >> 8));
        break;
    case 229:
        out = ack(creditEvents());
        break;
    case 228: // modify master inhibit status: bit 0 set = normal operation
        if (n != 1) {
            out = nak();
            break;
        }
        m_masterInhibit = (u8(data, 0) & 1) == 0;
        out = ack();
        break;
    case 227:
        out = ack(QByteArray(1, char(m_masterInhibit ? 0 : 1)));
        break;
    case 226: {
        const quint32 c = m_insertions;
        out = ack(QByteArray() + char(c & 0xFF) + char((c >> 8) & 0xFF) + char((c >> 16) & 0xFF));
        break;
    }
    case 219: // new PIN, only after the current one was entered
        if (n != 4 || !m_pinEntered) {
            out = nak();
            break;
        }
        m_pin = data;
        out = ack();
        persist();
        break;
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
        break;
    case 196:
        out = ack(word(m_identity.creationDate));
        break;
    case 195:
        out = ack(word(m_identity.modificationDate));
        break;
    case 192:
        out = ack(m_identity.buildCode);
        break;
    case 170:
        out = ack(m_identity.baseYear);
        break;
    case 1: // reset: answered first, then restarted
        out = ack();
        reset();
        break;
    case 255:
        out = handle255(data);
        break;
    default:
        return reply; // unknown headers get no answer
    }
    out[0] = frame.at(2); // answer whoever asked
    out[out.size() - 1] = char(ccTalkChecksum(out.left(out.size() - 1)));
    reply.bytes = out;
    return reply;
}

QByteArray SelectorSim::handle255(const QByteArray &data)
{
    if (data.isEmpty())
        return nak();
    const int sub = u8(data, 0);
    const QByteArray rest = data.mid(1);
    switch (sub) {
    case 0: // factory challenge
        m_challenge.clear();
        for (int i = 0; i < 6; ++i)
            m_challenge.append(char(m_random.bounded(256)));
        return ack(m_challenge);
    case 1: { // factory response
        const bool ok = rest.size() == 6 && m_challenge.size() == 6 &&
                        rest == responseFor(m_challenge, m_factoryPassword);
        m_challenge.clear(); // one answer per challenge
        if (!ok) {
            m_unlocked &= quint8(~FactoryLevel);
            return nak();
        }
        m_unlocked |= FactoryLevel;
        return ack();
    }
    case 2:
        return readMemory(rest);
    case 3:
        if (rest.isEmpty()) {
            commit();
            return ack();
        }
        return writeMemory(rest);
    case 4:
        return ack(m_analog);
    case 5:
        return ack(m_lastMeasurements);
    case 6: // boot monitor entry, guarded by the 0x40 write permission
        if (!accessAllowed(-1, 0, true))
            return nak();
        m_enterMonitorPending = true;
        return ack();
    case 7: // maker's test command: factory level only, answers its data back
        if (!(m_unlocked & FactoryLevel))
            return nak();
        return ack(rest);
    case 8:
        return ack(m_identity.deviceType.left(4).leftJustified(4, ' '));
    case 9: // upload preparation
        return ack();
    default:
        return nak();
    }
}

// --------------------------------------------------------------- protection

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
    for (int a = address; a < address + count; ++a) {
        if (!regionOpen(regionOf(a)))
            return false;
    }
    return true;
}

QByteArray SelectorSim::readMemory(const QByteArray &args)
{
    if (args.size() != 3)
        return nak();
    const int address = (u8(args, 0) << 8) | u8(args, 1);
    const int count = u8(args, 2);
    if (count == 0 || address < MemoryStart || address + count > MemoryEnd)
        return nak();
    const bool masksOnly = address >= MaskAddress && address + count <= MaskAddress + 4;
    if (!masksOnly && !accessAllowed(address, count, false))
        return nak();
    return ack(m_work.mid(address - MemoryStart, count));
}

QByteArray SelectorSim::writeMemory(const QByteArray &args)
{
    if (args.size() < 3)
        return nak();
    const int address = (u8(args, 0) << 8) | u8(args, 1);
    const QByteArray bytes = args.mid(2);
    if (address < MemoryStart || address + bytes.size() > MemoryEnd)
        return nak();
    if (!accessAllowed(address, bytes.size(), true))
        return nak();
    const int slot = (address - StatCounters) / 3;
    if (bytes.size() == 1 && u8(bytes, 0) == 0x01 && address >= StatCounters &&
        (address - StatCounters) % 3 == 0 && slot < StatSlots) {
        // The single byte 0x01 at a counter's start clears that counter.
        m_work.replace(address - MemoryStart, 3, QByteArray(3, char(0)));
        return ack();
    }
    m_work.replace(address - MemoryStart, bytes.size(), bytes);
    return ack();
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

// ------------------------------------------------------------------- memory

QByteArray SelectorSim::memory(int address, int count) const
{
    if (address < MemoryStart || count < 0 || address + count > MemoryEnd)
        return QByteArray();
    return m_work.mid(address - MemoryStart, count);
}

QByteArray SelectorSim::nvMemory(int address, int count) const
{
    if (address < MemoryStart || count < 0 || address + count > MemoryEnd)
        return QByteArray();
    return m_nv.mid(address - MemoryStart, count);
}

void SelectorSim::setMemory(int address, const QByteArray &bytes)
{
    if (address < MemoryStart || address + bytes.size() > MemoryEnd)
        return;
    m_work.replace(address - MemoryStart, bytes.size(), bytes);
    m_nv.replace(address - MemoryStart, bytes.size(), bytes);
}

void SelectorSim::setNvImage(const QByteArray &image)
{
    if (image.size() != MemorySize)
        return;
    m_nv = image;
    m_work = image;
}

QByteArray SelectorSim::defaultImage()
{
    return SimDefaultImage::build();
}

void SelectorSim::commit()
{
    m_nv = m_work;
    persist();
}

void SelectorSim::reset()
{
    m_work = m_nv;
    m_unlocked = 0;
    m_pinEntered = false;
    m_challenge.clear();
    m_masterInhibit = true;
    m_inhibitMask = 0;
    m_eventCounter = 0;
    m_events.clear();
    m_partial.clear();
}

void SelectorSim::persist()
{
    if (m_persist)
        m_persist();
}
