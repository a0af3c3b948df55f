#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUuid>

#include <algorithm>
#include <memory>
#include <csignal>
#include <pwd.h>
#include <unistd.h>

// A PostgreSQL server of the test's own: a cluster made by initdb in a temporary folder, listening
// on 127.0.0.1 at a free port with password login and on a socket in that folder. Stopped and
// removed when the object goes, also when the test fails; it shuts down when the test crashes. The
// server refuses to run as root: as root it runs as the postgres user, in a folder under /tmp that
// user owns.
class PgServer
{
public:
    // The folder of initdb and pg_ctl, newest version first; empty when they are not installed.
    static QString binDir()
    {
        QDir lib("/usr/lib/postgresql");
        QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(versions.begin(), versions.end(), [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
        for (const QString &version : versions)
            if (QFile::exists(lib.filePath(version + "/bin/initdb")))
                return lib.filePath(version + "/bin");
        const QString initdb = QStandardPaths::findExecutable("initdb");
        return initdb.isEmpty() ? QString() : QFileInfo(initdb).absolutePath();
    }

    ~PgServer() { stop(); }

    bool start(QString *error)
    {
        m_bin = binDir();
        m_asRoot = geteuid() == 0;
        m_dir = m_asRoot ? std::make_unique<QTemporaryDir>("/tmp/rxpg-XXXXXX") : std::make_unique<QTemporaryDir>();
        m_password = QUuid::createUuid().toString(QUuid::WithoutBraces);
        const QString passwordFile = m_dir->filePath("pw");
        QFile file(passwordFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(m_password.toUtf8() + '\n') < 0) {
            *error = m_dir->errorString() + file.errorString();
            return false;
        }
        file.close();
        if (m_asRoot) {
            const passwd *postgres = getpwnam("postgres");
            if (!postgres || chown(QFile::encodeName(m_dir->path()).constData(), postgres->pw_uid, postgres->pw_gid) != 0
                || chown(QFile::encodeName(passwordFile).constData(), postgres->pw_uid, postgres->pw_gid) != 0) {
                *error = "running as root, and there is no postgres user to run the server as";
                return false;
            }
        }
        if (!run("initdb",
                 {"-D", dataDir(), "-U", user, "--pwfile=" + passwordFile, "--auth-host=scram-sha-256",
                  "--auth-local=trust", "-E", "UTF8", "--no-locale", "--no-sync"},
                 error))
            return false;
        // The free port may be taken between the probe and the server's start: try again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost);
            port = probe.serverPort();
            probe.close();
            if (launch(error))
                return true;
        }
        return false;
    }

    // Drops every client's connection, as a server's maintenance does.
    bool restart(QString *error)
    {
        stop();
        return launch(error);
    }

    void stop()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(m_server.processId()), SIGINT); // the server's fast shutdown
        if (!m_server.waitForFinished(30000))
            m_server.kill();
        m_server.waitForFinished();
    }

    // The address of a database on this server, for user rxtest.
    QString url(const QString &database = "postgres") const
    {
        return QString("postgresql://%1@127.0.0.1:%2/%3").arg(user).arg(port).arg(database);
    }

    QString password() const { return m_password; }

    const QString user = "rxtest";
    quint16 port = 0;

private:
    QString dataDir() const { return m_dir->filePath("data"); }

    // The server is the test's child and gets SIGTERM when the test dies, even by a crash.
    bool launch(QString *error)
    {
        const QString log = m_dir->filePath(QString("log-%1").arg(++m_launches));
        QStringList arguments{"--pdeathsig", "TERM"};
        if (m_asRoot)
            arguments << "--reuid=postgres" << "--regid=postgres" << "--clear-groups";
        arguments << "--" << m_bin + "/postgres" << "-D" << dataDir() << "-p" << QString::number(port) << "-k"
                  << m_dir->path() << "-c" << "listen_addresses=127.0.0.1" << "-F";
        m_server.setWorkingDirectory(m_dir->path());
        m_server.setStandardOutputFile(log, QIODevice::Append);
        m_server.setStandardErrorFile(log, QIODevice::Append);
        m_server.start("setpriv", arguments);
        QFile file(log);
        for (int i = 0; i < 600 && m_server.state() != QProcess::NotRunning; ++i) {
            m_server.waitForFinished(100);
            if (file.open(QIODevice::ReadOnly) && file.readAll().contains("ready to accept connections"))
                return true;
            file.close();
        }
        file.open(QIODevice::ReadOnly);
        *error = "postgres did not start: " + QString::fromLocal8Bit(file.readAll());
        stop();
        return false;
    }

    bool run(const QString &tool, const QStringList &arguments, QString *error)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setWorkingDirectory(m_dir->path());
        const QString program = m_bin + '/' + tool;
        if (m_asRoot)
            process.start("runuser", QStringList{"-u", "postgres", "--", program} + arguments);
        else
            process.start(program, arguments);
        if (process.waitForFinished(90000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return true;
        *error = tool + " failed: " + QString::fromLocal8Bit(process.readAll());
        return false;
    }

    QString m_bin;
    bool m_asRoot = false;
    QString m_password;
    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_server;
    int m_launches = 0;
};
