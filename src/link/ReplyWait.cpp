#include "link/ReplyWait.h"

#include "link/Checksum.h"

ReplyWait::ReplyWait(bool framed, int echoLength, int replyLength, int polls)
    : m_framed(framed), m_echoLength(echoLength), m_replyLength(replyLength), m_budget(polls),
      m_result(framed ? TimedOut : RawTimedOut)
{
}

ReplyWait ReplyWait::framed(int sentFrameLength, int polls)
{
    return ReplyWait(true, sentFrameLength, 0, polls);
}

ReplyWait ReplyWait::unframed(int commandLength, int replyLength, int polls)
{
    return ReplyWait(false, commandLength, replyLength, polls);
}

bool ReplyWait::complete() const
{
    const int size = m_received.size();
    if (!m_framed)
        return size == m_echoLength + m_replyLength;
    // The reply's length byte follows its destination byte, right behind the echo. More bytes
    // than it announces (another talker, line noise) never make a reply.
    if (size <= m_echoLength + 1)
        return false;
    const int dataLength = static_cast<quint8>(m_received.at(m_echoLength + 1));
    return size == m_echoLength + 5 + dataLength;
}

quint8 ReplyWait::judge() const
{
    if (!m_framed)
        return Accepted;
    const QByteArray body = m_reply.left(m_reply.size() - 1);
    if (ccTalkChecksum(body) != static_cast<quint8>(m_reply.back()))
        return Corrupted;
    // A whole, well-summed frame for someone else is not the answer to our command.
    if (static_cast<quint8>(m_reply.at(0)) != HostAddress)
        return Corrupted;
    return Accepted;
}

bool ReplyWait::poll()
{
    if (m_finished)
        return true;
    ++m_polls;
    const bool last = m_polls >= m_budget;
    // The unframed exchange stops at its last poll before it looks at the buffer, so with a
    // budget of N only replies seen within the first N - 1 polls are taken.
    if (!m_framed && last) {
        m_finished = true;
        return true;
    }
    if (complete()) {
        m_reply = m_framed ? m_received.mid(m_echoLength) : m_received.mid(m_echoLength, m_replyLength);
        m_result = judge();
        m_finished = true;
        return true;
    }
    m_finished = last;
    return m_finished;
}
