#pragma once

#include <QByteArray>

// Reading a reply frame as Transact hands it over: destination, length, source, header,
// data, checksum. Short or malformed frames read as "no data" rather than past the end.
class ReplyFrame
{
public:
    static bool isAck(const QByteArray &reply) { return reply.size() >= 5 && reply.at(3) == 0; }
    static QByteArray data(const QByteArray &reply)
    {
        return reply.size() >= 5 ? reply.mid(4, reply.size() - 5) : QByteArray();
    }
};
