#pragma once

#include <QByteArray>

// When the bytes behind a sent frame make the reply, and whether the reply is taken: the rule
// of both exchanges, kept apart from their timed polling. The link feeds what arrived since the
// last poll and asks once per poll; anything else (a fuzz harness, a test) can drive it at any
// speed and with any split of the bytes.
class ReplyWait
{
public:
    // The codes Transact and RawExchange return.
    enum Result : quint8 { Accepted = 0, Corrupted = 1, TimedOut = 2, RawTimedOut = 255 };

    // The program's own address on the bus: a framed reply to us carries it as destination.
    static constexpr quint8 HostAddress = 1;

    // Framed: the echo of the sentFrameLength bytes sent, then a ccTalk frame whose length
    // byte says how long it is. Complete only when the buffer holds exactly echo and frame.
    static ReplyWait framed(int sentFrameLength, int polls);
    // Unframed: the echo of the command, then exactly replyLength bytes; a reply that is there
    // only at the last poll comes too late.
    static ReplyWait unframed(int commandLength, int replyLength, int polls);

    // Bytes that arrived since the last poll.
    void feed(const QByteArray &bytes) { m_received += bytes; }
    // One poll has passed. True when the wait is over: the reply is complete or the budget of
    // polls (at least one) is spent.
    bool poll();

    bool finished() const { return m_finished; }
    int pollsSpent() const { return m_polls; }
    // Accepted, Corrupted or TimedOut for a framed wait; Accepted or RawTimedOut unframed.
    quint8 result() const { return m_result; }
    // The bytes behind the echo once complete, taken or not (the whole reply frame, or the
    // replyLength bytes of an unframed reply); empty after a time-out.
    QByteArray reply() const { return m_reply; }
    // Everything fed so far, echo included.
    const QByteArray &received() const { return m_received; }

private:
    ReplyWait(bool framed, int echoLength, int replyLength, int polls);
    bool complete() const;
    quint8 judge() const;

    bool m_framed;
    int m_echoLength;
    int m_replyLength; // unframed only
    int m_budget;
    int m_polls = 0;
    bool m_finished = false;
    quint8 m_result;
    QByteArray m_received;
    QByteArray m_reply;
};
