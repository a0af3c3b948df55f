#pragma once

#include <QString>
#include <QtGlobal>

// One line of the communication log with what the log shows beside it.
struct CommLogEntry
{
    QString line;       // "-> " / "<- " + hex, or a notice; exactly as logged
    qint64 deltaMs = 0; // since the line before
    QString decoded;    // header name, data, ACK/NAK, marks; "" for notices
    int header = -1;    // the request's header, for the request and its reply; -1 when none
    bool fault = false; // the exchange ended without a valid reply

    // The line, then a tab and the time and decoding: log.txt and "Copy" use this form, so the
    // first column holds exactly what the log line holds.
    QString toText() const;
    // The filter box: a number 0..255 keeps the exchanges with that header, any other text the
    // lines whose text or decoding contains it (case ignored). Empty keeps everything.
    bool matches(const QString &filter) const;
    // "+12 ms"
    QString deltaText() const;
};
