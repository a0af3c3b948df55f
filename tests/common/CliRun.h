#pragma once

#include <QProcess>
#include <QStringList>

// rxconfig-cli as built, run to its end on a program directory (none: the program's default).
// The exit code, or -1 when it did not finish; what it printed is kept in out and err.
struct CliRun
{
    explicit CliRun(const QString &dir = QString()) : dataDir(dir) {}

    QString dataDir;
    QString out;
    QString err;

    int operator()(const QStringList &args)
    {
        QProcess p;
        if (!dataDir.isEmpty())
            p.setWorkingDirectory(dataDir);
        p.start(QStringLiteral(RX_BINARY_DIR "/tools/rxconfig-cli/rxconfig-cli"),
                (dataDir.isEmpty() ? QStringList() : QStringList{QStringLiteral("--data-dir"), dataDir}) +
                    args);
        const bool finished = p.waitForFinished(120000);
        out = QString::fromLocal8Bit(p.readAllStandardOutput());
        err = QString::fromLocal8Bit(p.readAllStandardError());
        return finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};
