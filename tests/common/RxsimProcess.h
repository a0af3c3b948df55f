#pragma once

#include <QLocalSocket>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

// One running rxsim: started with a control socket in a temporary folder; the slave path is
// the first line it prints.
class RxsimProcess
{
public:
    explicit RxsimProcess(const QString &folder) : m_folder(folder) {}
    ~RxsimProcess() { stop(); }

    bool start(const QStringList &extra = {})
    {
        m_socketPath = m_folder + QStringLiteral("/control.sock");
        m_process.setProgram(QStringLiteral(RXSIM_PATH));
        m_process.setArguments(QStringList{QStringLiteral("--control"), m_socketPath} + extra);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100 && !m_process.canReadLine(); ++i)
            m_process.waitForReadyRead(100);
        if (!m_process.canReadLine())
            return false;
        slavePath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        m_control.connectToServer(m_socketPath);
        return m_control.waitForConnected(3000);
    }

    // One command line, one reply line.
    QString command(const QString &line)
    {
        m_control.write(line.toUtf8() + '\n');
        m_control.flush();
        for (int i = 0; i < 50 && !m_control.canReadLine(); ++i)
            m_control.waitForReadyRead(100);
        return QString::fromUtf8(m_control.readLine()).trimmed();
    }

    bool waitForExit(int ms = 5000) { return m_process.waitForFinished(ms); }
    QProcess &process() { return m_process; }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    QString slavePath;

private:
    QString m_folder;
    QString m_socketPath;
    QProcess m_process;
    QLocalSocket m_control;
};
