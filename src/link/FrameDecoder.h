#pragma once

#include "link/HeaderTable.h"

#include <QByteArray>
#include <QString>

// Turns communication log lines into what a protocol analyser shows beside them: the header's
// name and the data it carries, the reply as text, number, date or memory block, ACK/NAK, and
// what went wrong when a reply was corrupted or did not come. A reply is read in the light of
// the request logged before it, so the decoder keeps that request until the reply arrives.
class FrameDecoder
{
public:
    explicit FrameDecoder(HeaderTable table = HeaderTable()) : m_table(std::move(table)) {}

    // One log line: "-> " + hex of what was sent, "<- " + hex of the reply. Any other line
    // decodes to "".
    QString decodeLine(const QString &line);
    // The end of an exchange that did not give a reply: result 1 (checksum wrong) or 2
    // (time-out) of Transact, or 255 (the unframed time-out); received is the reply frame for 1
    // and everything on the bus, echo included, for a time-out.
    // "" for a result that needs no mark.
    QString decodeOutcome(int result, const QByteArray &received);

    // Header number of a framed line ("-> " or "<- " + hex), the request's header for a reply;
    // -1 when there is none. Used to filter the log by header.
    static int headerOf(const QByteArray &frame);

    const HeaderTable &table() const { return m_table; }

private:
    struct Pending
    {
        const HeaderTable::Row *row = nullptr;
        QByteArray sent;
        int address = -1;
        int count = 0;
        bool unframed = false;
    };

    QString decodeRequest(const QByteArray &bytes);
    QString decodeReply(const QByteArray &bytes);
    QString requestData(const HeaderTable::Row &row, const QByteArray &data, int dataOffset);
    QString replyData(HeaderTable::Reply kind, const QByteArray &data) const;
    static QString brokenFrame(const QByteArray &bytes);

    HeaderTable m_table;
    Pending m_pending;
};
