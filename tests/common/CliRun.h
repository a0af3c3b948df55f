#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>

// A finished run of one of the command-line programs: its exit status (-1 when it hung or
// crashed) and what it printed.
struct CliRun
{
    int status;
    QString out, err;
};

// Runs a program to its end with standard input closed; env defaults to this process's own.
inline CliRun runProgram(const QString &program, const QStringList &arguments,
                         const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
                         int ms = 60000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    p.closeWriteChannel();
    const bool ended = p.waitForFinished(ms) && p.exitStatus() == QProcess::NormalExit;
    return {ended ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// A program left running, standard input closed; what it prints is gathered as it comes.
class CliProcess
{
public:
    CliProcess(const QString &program, const QStringList &arguments)
    {
        m_process.start(program, arguments);
        m_process.closeWriteChannel();
    }
    ~CliProcess()
    {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    // Until stderr has held text n times; false once the program ended or ms passed first.
    bool waitSaid(const QString &text, int n = 1, int ms = 30000)
    {
        QElapsedTimer clock;
        clock.start();
        while (err().count(text) < n) {
            if (clock.elapsed() > ms || m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(50);
        }
        return true;
    }
    QString err() { return m_err += QString::fromUtf8(m_process.readAllStandardError()); }
    QString out() { return m_out += QString::fromUtf8(m_process.readAllStandardOutput()); }
    bool running() const { return m_process.state() != QProcess::NotRunning; }
    void signal(int number)
    {
        if (m_process.processId() > 0)
            ::kill(pid_t(m_process.processId()), number);
    }
    // The exit status once it ended within ms; -1 when it did not end normally.
    int finish(int ms = 60000)
    {
        const bool ended = !running() || m_process.waitForFinished(ms);
        err();
        out();
        return ended && m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    QProcess m_process;
    QString m_err, m_out;
};

// Copies shipped data files into a folder as the owner's own writable files.
inline bool copyDataFiles(const QString &folder, const QStringList &names)
{
    for (const QString &name : names) {
        const QString target = folder + QLatin1Char('/') + name;
        if (!QFile::copy(QStringLiteral(RX_TEST_DATA_DIR "/") + name, target) ||
            !QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner))
            return false;
    }
    return true;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The value of the block at this address in a saved configuration file, and the text with it
// replaced (a technician's edit).
inline QByteArray blockValue(const QByteArray &text, const QByteArray &address)
{
    const int start = text.indexOf('>', text.indexOf("address=\"" + address + "\"")) + 1;
    return text.mid(start, text.indexOf("</Data>", start) - start);
}
inline QByteArray withBlock(QByteArray text, const QByteArray &address, const QByteArray &value)
{
    const int start = text.indexOf('>', text.indexOf("address=\"" + address + "\"")) + 1;
    return text.replace(start, text.indexOf("</Data>", start) - start, value);
}

// rxconfig-cli as built, run to its end on a program directory (none: the program's default).
// The exit code, or -1 when it did not finish; what it printed is kept in out and err.
struct DataDirCli
{
    explicit DataDirCli(const QString &dir = QString()) : dataDir(dir) {}

    QString dataDir;
    QString out;
    QString err;

    int operator()(const QStringList &args)
    {
        const QStringList dirArgs =
            dataDir.isEmpty() ? QStringList() : QStringList{QStringLiteral("--data-dir"), dataDir};
        const CliRun run = runProgram(QStringLiteral(RX_BINARY_DIR "/tools/rxconfig-cli/rxconfig-cli"),
                                      dirArgs + args, QProcessEnvironment::systemEnvironment(), 120000);
        out = run.out;
        err = run.err;
        return run.status;
    }
};
