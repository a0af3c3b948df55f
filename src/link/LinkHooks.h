#pragma once

#include <QByteArray>
#include <QString>

// What the link tells the window around it: an exchange started or ended.
class BusyHooks
{
public:
    virtual ~BusyHooks() = default;
    virtual void BeginBusy() = 0;
    virtual void EndBusy() = 0;
};

// Where "-> " and "<- " lines go while logging is enabled.
class LogSink
{
public:
    virtual ~LogSink() = default;
    virtual void LogLine(const QString &line) = 0;
    // How an exchange ended (a Transact result, or 255 for an unframed time-out) and what the
    // bus held then, so a log can mark a corrupted or missing reply.
    virtual void LogOutcome(int result, const QByteArray &received)
    {
        Q_UNUSED(result);
        Q_UNUSED(received);
    }
};
