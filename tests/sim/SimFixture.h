#pragma once

#include "DeviceBench.h"
#include "link/Checksum.h"

// Header byte followed by data given in hex.
inline QByteArray cmd(int header, const char *hexData = "")
{
    return QByteArray(1, char(header)) + QByteArray::fromHex(hexData);
}
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}
// Memory read and write with header 255 sub-codes 2 and 3.
inline QByteArray readCmd(int address, int count)
{
    return QByteArray() + char(255) + char(2) + char(address >> 8) + char(address & 0xFF) + char(count);
}
inline QByteArray writeCmd(int address, const QByteArray &payload)
{
    return QByteArray() + char(255) + char(3) + char(address >> 8) + char(address & 0xFF) + payload;
}

// A host link on a fresh simulated bus with one default selector.
struct SimFixture : DeviceBench
{
    SelectorSim *sim = openSim();
    QByteArray reply;

    // The Transact result; the reply frame lands in `reply`.
    quint8 send(const QByteArray &command, int polls = 50, quint8 to = 2)
    {
        reply.clear();
        return link.Transact(to, command, polls, reply);
    }
    // The reply's header (0 acknowledged, 5 refused), or -1 when the exchange failed.
    int ack(const QByteArray &command, int polls = 50, quint8 to = 2)
    {
        return send(command, polls, to) == CcTalkLink::Ok && reply.size() > 3 ? quint8(reply.at(3)) : -1;
    }
    // The reply's data, or a text naming the failure.
    QByteArray ask(const QByteArray &command, int polls = 50)
    {
        const quint8 r = send(command, polls);
        return r == CcTalkLink::Ok ? reply.mid(4, reply.size() - 5) : "failed " + QByteArray::number(r);
    }
};
