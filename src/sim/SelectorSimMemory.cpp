#include "sim/SelectorSim.h"
#include "sim/SimBytes.h"
#include "sim/SimDefaultImage.h"

// Memory: the working and non-volatile copies, block reads and writes, commit and reset.

namespace {

constexpr int StatCounters = 0x0800;
constexpr int StatSlots = 20;

using SimBytes::u8;

} // namespace

bool SelectorSim::answerMemory(quint8 header, const QByteArray &data, QByteArray &out)
{
    const QByteArray rest = data.mid(1);
    switch (subCode(header, data)) {
    case 2:
        out = readMemory(rest);
        return true;
    case 3: // write, or commit when it carries no data
        if (rest.isEmpty()) {
            commit();
            out = ack();
        } else {
            const QByteArray before = m_work;
            out = writeMemory(rest);
            // Acknowledged, then lost: only a read back shows it.
            if (out == ack() && takeDropWrite(header, subCode(header, data)))
                m_work = before;
        }
        return true;
    case 9: // upload preparation
        out = ack();
        return true;
    default:
        return false;
    }
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
