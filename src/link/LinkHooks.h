#pragma once

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
};
