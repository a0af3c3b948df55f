#include "sim/SelectorSim.h"

// The boot monitor side of the selector: unframed "V" identity and S-record frames.

namespace {

constexpr int MonitorReplyMs = 4; // time to program one record

// Header, data, counts and terminations of the S-record format; S4 is reserved.
bool knownRecordType(char type)
{
    return type >= '0' && type <= '9' && type != '4';
}

QByteArray nextRevisionOf(const QByteArray &revision)
{
    // Counts up the last number in the text ("1.20" -> "1.21"); text without digits gains "1".
    int end = revision.size();
    while (end > 0 && !(revision.at(end - 1) >= '0' && revision.at(end - 1) <= '9'))
        --end;
    int start = end;
    while (start > 0 && revision.at(start - 1) >= '0' && revision.at(start - 1) <= '9')
        --start;
    if (start == end)
        return revision + "1";
    const QByteArray digits = revision.mid(start, end - start);
    QByteArray next = QByteArray::number(digits.toULongLong() + 1);
    if (next.size() < digits.size())
        next = next.rightJustified(digits.size(), '0');
    return revision.left(start) + next + revision.mid(end);
}

} // namespace

bool SelectorSim::answerMonitorEntry(quint8 header, const QByteArray &data, QByteArray &out)
{
    if (subCode(header, data) != 6)
        return false;
    // Guarded by the 0x40 write permission; the acknowledge still leaves at the normal rate.
    if (!accessAllowed(-1, 0, true)) {
        out = nak();
        return true;
    }
    m_enterMonitorPending = true;
    out = ack();
    return true;
}

void SelectorSim::enterMonitor()
{
    m_inMonitor = true;
    m_partial.clear();
}

void SelectorSim::leaveMonitor()
{
    m_inMonitor = false;
    m_partial.clear();
    reset();
}

QByteArray SelectorSim::monitorIdentity() const
{
    if (m_identity.monitorIdentity.size() == 9)
        return m_identity.monitorIdentity;
    return (m_identity.deviceType.left(4).leftJustified(4, ' ') + "BOOT1").left(9);
}

SelectorSim::Reply SelectorSim::answerMonitor(const QByteArray &record)
{
    Reply reply;
    if (m_unplugged)
        return reply;
    const Fault *fault = takeFault(record.isEmpty() ? -1 : static_cast<quint8>(record.at(0)), -1, true);
    if (fault && (fault->kind == FaultKind::Unplugged || fault->kind == FaultKind::NoReply))
        return reply;
    reply.delayMs = MonitorReplyMs;
    if (fault && fault->kind == FaultKind::LateReply)
        reply.delayMs += m_lateReplyMs;
    if (fault && fault->kind == FaultKind::NoEcho)
        reply.suppressEcho = true;

    if (record == "V") {
        reply.bytes = monitorIdentity();
        return reply;
    }
    const char type = record.at(1);
    const QByteArray body = record.mid(2); // count, address, data, checksum
    char status = '0';
    if (!knownRecordType(type)) {
        status = '1';
    } else {
        unsigned sum = 0;
        for (char c : body)
            sum += static_cast<quint8>(c);
        // The S-record checksum makes count + address + data + checksum sum to 0xFF.
        if (body.size() < 2 || (sum & 0xFF) != 0xFF)
            status = '3';
        // The header names the selector the file was made for: its first 9 data bytes,
        // after the byte count and the two address bytes.
        else if (type == '0' && body.mid(3, 9) != monitorIdentity())
            status = '1';
    }
    // A forced digit stands in for the monitor's own answer and the record is not acted on:
    // a forced "0" acknowledges a record the monitor never programmed.
    const bool forced = fault && fault->kind == FaultKind::MonitorStatus;
    if (forced)
        status = fault->monitorStatus;
    reply.bytes = QByteArray(1, status);
    if (fault && fault->kind == FaultKind::ExtraBytes)
        reply.bytes.append("0");
    if (status != '0' || forced)
        return reply;

    ++m_recordsAccepted;
    if (type == '7' || type == '8' || type == '9') {
        // The end record starts the new program.
        m_identity.softwareRevision = m_identity.nextRevision.isEmpty()
                                          ? nextRevisionOf(m_identity.softwareRevision)
                                          : m_identity.nextRevision;
        m_identity.nextRevision.clear();
        leaveMonitor();
        persist();
    }
    return reply;
}
