#pragma once

#include "device/CommLogEntry.h"
#include "link/FrameDecoder.h"
#include "link/LinkHooks.h"

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class Prompts;

// The communication log: the lines the link writes ("-> " frames sent, "<- " replies
// accepted), at most 2001 of them, optionally mirrored line by line into log.txt in the
// program directory. Each line is decoded as it comes (header names from the program
// directory's header table) and timed against the line before; log.txt carries both in a
// second column. The "Comm. log" page binds to it.
class CommLog : public QObject, public LogSink
{
    Q_OBJECT
public:
    static constexpr int MaxLines = 2001;

    // prompts may be null; then a file error is only signalled.
    CommLog(const QString &programDir, Prompts *prompts, QObject *parent = nullptr);
    ~CommLog() override;

    void LogLine(const QString &line) override;
    // Marks the request line of an exchange that ended without a valid reply.
    void LogOutcome(int result, const QByteArray &received) override;
    QStringList lines() const;
    int count() const { return static_cast<int>(m_entries.size()); }
    const CommLogEntry &entry(int row) const { return m_entries.at(row); }
    // "Copy": the rows in log.txt's form, one per line.
    QString textOf(const QList<int> &rows) const;

    // "Clear log": asks first; the file is not touched. True when cleared.
    bool ClearLog();
    void clear();

    // "Log to file": switching on creates log.txt empty, its owner's alone, and keeps it open.
    // false, reported once, when the file cannot be created.
    bool setLogToFile(bool on);
    bool logToFile() const { return m_file.isOpen(); }
    QString filePath() const;
    // Closes the file, as the main window does when it closes.
    void close();

signals:
    void lineAdded(const QString &line);
    // The decoding of a line already added changed (a time-out or checksum mark).
    void entryChanged(int row);
    // The oldest line was dropped to keep the cap.
    void firstLineRemoved();
    void cleared();
    // "Log to file" changed, by the user or because the file failed.
    void logToFileChanged(bool on);

private:
    void fileFailed();
    void writeToFile(const CommLogEntry &entry);
    void writeHeld();

    QString m_programDir;
    Prompts *m_prompts;
    QList<CommLogEntry> m_entries;
    FrameDecoder m_decoder;
    QElapsedTimer m_clock;
    qint64 m_lastMs = -1;
    int m_requestHeader = -1;
    // A sent line waits for the end of its exchange before going to the file, so that the
    // file gets its mark too.
    bool m_held = false;
    QFile m_file;
};
