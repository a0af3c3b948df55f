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
#include <pwd.h>
#include <unistd.h>

// A PostgreSQL server of the test's own: a cluster made by initdb in a temporary folder, listening
// on 127.0.0.1 at a free port with password login and on a socket in that folder. Stopped and
// removed when the object goes, also when the test fails. The server refuses to run as root: as
// root it runs as the postgres user, in a folder under /tmp that user owns.
class PgServer
{
public:
    // The folder of initdb and pg_ctl, newest version first; empty when they are not installed.
    static QString binDir()
    {
        QDir lib(QStringLiteral("/usr/lib/postgresql"));
        QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(versions.begin(), versions.end(),
                  [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
        for (const QString &version : versions)
            if (QFile::exists(lib.filePath(version + QStringLiteral("/bin/initdb"))))
                return lib.filePath(version + QStringLiteral("/bin"));
        const QString initdb = QStandardPaths::findExecutable(QStringLiteral("initdb"));
        return initdb.isEmpty() ? QString() : QFileInfo(initdb).absolutePath();
    }

    ~PgServer() { stop(); }

    bool start(QString *error)
    {
        m_bin = binDir();
        if (m_bin.isEmpty()) {
            *error = QStringLiteral("initdb not found");
            return false;
        }
        m_asRoot = geteuid() == 0;
        m_dir = m_asRoot ? std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/rxpg-XXXXXX"))
                         : std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid()) {
            *error = m_dir->errorString();
            return false;
        }
        m_password = QUuid::createUuid().toString(QUuid::WithoutBraces);
        const QString passwordFile = m_dir->filePath(QStringLiteral("pw"));
        QFile file(passwordFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(m_password.toUtf8() + '\n') < 0) {
            *error = file.errorString();
            return false;
        }
        file.close();
        if (m_asRoot) {
            const passwd *postgres = getpwnam("postgres");
            if (!postgres || chown(QFile::encodeName(m_dir->path()).constData(), postgres->pw_uid, postgres->pw_gid) != 0
                || chown(QFile::encodeName(passwordFile).constData(), postgres->pw_uid, postgres->pw_gid) != 0) {
                *error = QStringLiteral("running as root, and there is no postgres user to run the server as");
                return false;
            }
        }
        if (!run(QStringLiteral("initdb"),
                 {QStringLiteral("-D"), dataDir(), QStringLiteral("-U"), user, QStringLiteral("--pwfile=") + passwordFile,
                  QStringLiteral("--auth-host=scram-sha-256"), QStringLiteral("--auth-local=trust"),
                  QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-locale"),
                  QStringLiteral("--no-sync")},
                 error))
            return false;
        // The free port may be taken between the probe and the server's start: try again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost);
            port = probe.serverPort();
            probe.close();
            const QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -F")
                                        .arg(port)
                                        .arg(m_dir->path());
            if (run(QStringLiteral("pg_ctl"),
                    {QStringLiteral("-D"), dataDir(), QStringLiteral("-l"), m_dir->filePath(QStringLiteral("log")),
                     QStringLiteral("-o"), options, QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
                     QStringLiteral("start")},
                    error)) {
                m_running = true;
                return true;
            }
        }
        return false;
    }

    // Drops every client's connection, as a server's maintenance does.
    bool restart(QString *error)
    {
        return run(QStringLiteral("pg_ctl"),
                   {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"),
                    QStringLiteral("restart")},
                   error);
    }

    void stop()
    {
        if (!m_running)
            return;
        m_running = false;
        QString ignored;
        run(QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
             QStringLiteral("stop")},
            &ignored);
    }

    // The address of a database on this server, for user rxtest.
    QString url(const QString &database = QStringLiteral("postgres")) const
    {
        return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(user).arg(port).arg(database);
    }

    QString password() const { return m_password; }

    const QString user = QStringLiteral("rxtest");
    quint16 port = 0;

private:
    QString dataDir() const { return m_dir->filePath(QStringLiteral("data")); }

    bool run(const QString &tool, const QStringList &arguments, QString *error)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setWorkingDirectory(m_dir->path());
        const QString program = m_bin + QLatin1Char('/') + tool;
        if (m_asRoot)
            process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                                 QStringLiteral("--"), program}
                                                         + arguments);
        else
            process.start(program, arguments);
        if (process.waitForFinished(90000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return true;
        QFile log(m_dir->filePath(QStringLiteral("log")));
        log.open(QIODevice::ReadOnly);
        *error = tool + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll() + log.readAll());
        return false;
    }

    QString m_bin;
    bool m_asRoot = false;
    bool m_running = false;
    QString m_password;
    std::unique_ptr<QTemporaryDir> m_dir;
};
