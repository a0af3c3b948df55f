#pragma once

#include "link/LinkHooks.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>

class Prompts;

// The communication log: the lines the link writes ("-> " frames sent, "<- " replies
// accepted), at most 2001 of them, optionally mirrored line by line into log.txt in the
// program directory. The "Comm. log" page binds to it.
class CommLog : public QObject, public LogSink
{
    Q_OBJECT
public:
    static constexpr int MaxLines = 2001;

    // prompts may be null; then a file error is only signalled.
    CommLog(const QString &programDir, Prompts *prompts, QObject *parent = nullptr);
    ~CommLog() override;

    void LogLine(const QString &line) override;
    QStringList lines() const { return m_lines; }
    int count() const { return static_cast<int>(m_lines.size()); }

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
    // The oldest line was dropped to keep the cap.
    void firstLineRemoved();
    void cleared();
    // "Log to file" changed, by the user or because the file failed.
    void logToFileChanged(bool on);

private:
    void fileFailed();

    QString m_programDir;
    Prompts *m_prompts;
    QStringList m_lines;
    QFile m_file;
};
