#include "station/JournalSql.h"

#include "app/Messages.h"

#include <QAtomicInteger>
#include <QFile>
#include <QMutex>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <QWaitCondition>

#include <deque>
#include <functional>
#include <future>

namespace {

bool isPostgresAddress(const QString &target)
{
    return target.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
           || target.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

// Both dialects take this text; only the key and the time differ.
QString createTableSql(bool postgres)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS station_journal ("
                          "id %1, "
                          "time %2 NOT NULL, "
                          "host TEXT NOT NULL, "
                          "port TEXT NOT NULL, "
                          "serial_number TEXT NOT NULL, "
                          "product_code TEXT NOT NULL, "
                          "software_revision TEXT NOT NULL, "
                          "file TEXT NOT NULL, "
                          "blocks_written INTEGER NOT NULL, "
                          "verified BOOLEAN NOT NULL, "
                          "result TEXT NOT NULL CHECK (result IN ('passed', 'failed', 'refused', 'skipped')), "
                          "message TEXT NOT NULL, "
                          "duration_ms BIGINT NOT NULL, "
                          "again BOOLEAN NOT NULL DEFAULT FALSE)")
        .arg(postgres ? QStringLiteral("BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY")
                      : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"),
             postgres ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT"));
}

// A serial number passes once in the whole line, whichever station saw it, unless the operator
// asked for a selector to be configured again.
const char *const passedOnceSql = "CREATE UNIQUE INDEX IF NOT EXISTS station_journal_passed_once "
                                  "ON station_journal (serial_number) WHERE result = 'passed' AND NOT again";

// A null QString would be bound as NULL, which the table refuses.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

} // namespace

// One database connection and the thread that owns it. Everything but run() and the
// constructor and destructor executes on that thread.
class JournalSql::Connection
{
public:
    Connection() : m_thread(QThread::create([this] { serve(); })) { m_thread->start(); }

    ~Connection()
    {
        run([this] { close(); });
        {
            QMutexLocker lock(&m_mutex);
            m_stopping = true;
        }
        m_wake.wakeOne();
        m_thread->wait();
    }

    // Runs job on the connection's thread and returns its result once it is done.
    template <typename Job>
    auto run(Job job) -> decltype(job())
    {
        if (QThread::currentThread() == m_thread.get())
            return job();
        std::packaged_task<decltype(job())()> task(std::move(job));
        auto done = task.get_future();
        {
            QMutexLocker lock(&m_mutex);
            m_jobs.emplace_back([&task] { task(); });
        }
        m_wake.wakeOne();
        return done.get();
    }

    bool connect(const QString &target, QString *error)
    {
        m_postgres = isPostgresAddress(target);
        const QString driver = m_postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
        m_shown = target;
        if (!QSqlDatabase::isDriverAvailable(driver)) {
            *error = Msg(1200).arg(driver, m_postgres ? QStringLiteral("libqt6sql6-psql")
                                                      : QStringLiteral("libqt6sql6-sqlite"));
            return false;
        }
        static QAtomicInteger<int> connections;
        m_name = QStringLiteral("rxconfig-journal-%1").arg(++connections);
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_name);
        if (m_postgres) {
            if (!configurePostgres(db, target, error))
                return false;
        } else {
            db.setDatabaseName(target);
            // Another station's transaction holds the file for milliseconds: wait for it.
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        }
        if (!openSession(db)) {
            *error = Msg(1201).arg(m_shown, hidden(db.lastError().text()));
            return false;
        }
        return createTable(db, error);
    }

    bool insert(const StationRecord &record, QString *error)
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        QString why;
        if (!begin(db, &why) && !(reopen(db) && begin(db, &why))) {
            *error = Msg(1207).arg(m_shown, hidden(why));
            return false;
        }
        QSqlQuery query(db);
        query.prepare(QStringLiteral(
            "INSERT INTO station_journal (time, host, port, serial_number, product_code, software_revision, "
            "file, blocks_written, verified, result, message, duration_ms, again) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        const QDateTime time = record.time.isValid() ? record.time : QDateTime::currentDateTimeUtc();
        query.addBindValue(time.toUTC().toString(Qt::ISODateWithMs));
        query.addBindValue(text(QSysInfo::machineHostName()));
        query.addBindValue(text(record.port));
        query.addBindValue(text(record.serialNumber));
        query.addBindValue(text(record.productCode));
        query.addBindValue(text(record.softwareRevision));
        query.addBindValue(text(record.file));
        query.addBindValue(record.blocksWritten);
        query.addBindValue(record.verified);
        query.addBindValue(text(record.result));
        query.addBindValue(text(record.message));
        query.addBindValue(record.durationMs);
        query.addBindValue(record.again);
        if (query.exec() && commit(db, &why))
            return true;
        if (why.isEmpty())
            why = query.lastError().text();
        query.finish();
        rollback(db);
        if (record.result != QLatin1String("passed") || !passedBefore(record.serialNumber, error))
            *error = Msg(1207).arg(m_shown, hidden(why));
        return false;
    }

    // True when the table holds a passed row for serialNumber; *where says when and where.
    bool passedBefore(const QString &serialNumber, QString *where = nullptr)
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        QSqlQuery query(db);
        const auto select = [&] {
            query = QSqlQuery(db);
            query.prepare(QStringLiteral("SELECT time, host, port FROM station_journal "
                                         "WHERE serial_number = ? AND result = 'passed'"));
            query.addBindValue(text(serialNumber));
            return query.exec();
        };
        if (!(select() || (reopen(db) && select())) || !query.next())
            return false;
        if (where) {
            const QDateTime time = query.value(0).toDateTime().toUTC();
            *where = Msg(1208).arg(serialNumber, time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                   query.value(1).toString(), query.value(2).toString());
        }
        return true;
    }

private:
    void serve()
    {
        for (;;) {
            std::function<void()> job;
            {
                QMutexLocker lock(&m_mutex);
                while (m_jobs.empty() && !m_stopping)
                    m_wake.wait(&m_mutex);
                if (m_jobs.empty())
                    return;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            job();
        }
    }

    bool configurePostgres(QSqlDatabase &db, const QString &target, QString *error)
    {
        const QUrl url(target, QUrl::StrictMode);
        m_shown = url.isValid() ? url.toDisplayString(QUrl::RemovePassword) : QStringLiteral("postgresql://…");
        const QUrlQuery query(url);
        if (!url.password().isEmpty() || query.hasQueryItem(QStringLiteral("password"))) {
            *error = Msg(1203).arg(m_shown);
            return false;
        }
        const QString database = url.path().mid(1);
        if (!url.isValid() || database.contains(QLatin1Char('/')) || !url.fragment().isEmpty()) {
            *error = Msg(1202).arg(m_shown);
            return false;
        }
        db.setHostName(url.host());
        db.setPort(url.port(-1));
        db.setUserName(url.userName());
        db.setDatabaseName(database);
        // The query carries libpq's own options (sslmode=require, host=/run/postgresql, ...).
        QStringList options;
        const auto items = query.queryItems(QUrl::FullyDecoded);
        for (const auto &item : items)
            options << item.first + QLatin1Char('=') + item.second;
        if (!query.hasQueryItem(QStringLiteral("connect_timeout")))
            options << QStringLiteral("connect_timeout=10");
        db.setConnectOptions(options.join(QLatin1Char(';')));

        // Without a password file libpq looks for PGPASSWORD, PGPASSFILE and ~/.pgpass itself.
        const QString passwordFile = qEnvironmentVariable("RXCONFIG_PGPASSFILE");
        if (passwordFile.isEmpty())
            return true;
        QFile file(passwordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = Msg(1204).arg(passwordFile, file.errorString());
            return false;
        }
        const auto others = QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                            | QFileDevice::WriteOther;
        if (file.permissions() & others) {
            *error = Msg(1205).arg(passwordFile);
            return false;
        }
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        m_password = QString::fromUtf8(line);
        db.setPassword(m_password);
        return true;
    }

    // Line stations may open a new table at the same moment: one creates it, the others wait.
    bool createTable(QSqlDatabase &db, QString *error)
    {
        QString why;
        QSqlQuery query(db);
        const bool done = begin(db, &why)
                          && (!m_postgres || execute(query, QStringLiteral("SELECT pg_advisory_xact_lock(72120001)"), &why))
                          && execute(query, createTableSql(m_postgres), &why)
                          && execute(query, QString::fromLatin1(passedOnceSql), &why) && commit(db, &why);
        if (!done) {
            query.finish();
            rollback(db);
            *error = Msg(1206).arg(m_shown, hidden(why));
        }
        return done;
    }

    bool execute(QSqlQuery &query, const QString &sql, QString *why)
    {
        if (query.exec(sql))
            return true;
        *why = query.lastError().text();
        return false;
    }

    // SQLite takes the write lock at once, so a waiting station queues instead of failing.
    bool begin(QSqlDatabase &db, QString *why)
    {
        QSqlQuery query(db);
        return execute(query, m_postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"), why);
    }

    bool commit(QSqlDatabase &db, QString *why)
    {
        QSqlQuery query(db);
        return execute(query, QStringLiteral("COMMIT"), why);
    }

    void rollback(QSqlDatabase &db)
    {
        QSqlQuery query(db);
        query.exec(QStringLiteral("ROLLBACK"));
    }

    bool openSession(QSqlDatabase &db)
    {
        if (!db.open())
            return false;
        // The server's notices ("already exists, skipping") are no news to an operator.
        if (m_postgres)
            QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO WARNING"));
        return true;
    }

    // A server restarted under a running line drops every connection: try once more.
    bool reopen(QSqlDatabase &db)
    {
        db.close();
        return openSession(db);
    }

    void close()
    {
        if (m_name.isEmpty())
            return;
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }

    // Error texts are shown and logged, on one line each: no password in them, whatever the
    // driver says.
    QString hidden(QString text) const
    {
        for (const QString &secret : {m_password, qEnvironmentVariable("PGPASSWORD")})
            if (!secret.isEmpty())
                text.replace(secret, QStringLiteral("********"));
        return text.simplified();
    }

    QMutex m_mutex;
    QWaitCondition m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    bool m_postgres = false;
    QString m_name;
    QString m_shown;
    QString m_password;
    std::unique_ptr<QThread> m_thread;
};

JournalSql::JournalSql(std::unique_ptr<Connection> connection) : m_connection(std::move(connection)) {}

JournalSql::~JournalSql() = default;

bool JournalSql::isDatabase(const QString &target)
{
    return isPostgresAddress(target) || target.endsWith(QLatin1String(".sqlite"), Qt::CaseInsensitive)
           || target.endsWith(QLatin1String(".db"), Qt::CaseInsensitive);
}

std::unique_ptr<StationJournal> JournalSql::open(const QString &target, QString *error)
{
    auto connection = std::make_unique<Connection>();
    Connection *c = connection.get();
    QString why;
    if (!c->run([c, &target, &why] { return c->connect(target, &why); })) {
        if (error)
            *error = why;
        return nullptr;
    }
    return std::unique_ptr<StationJournal>(new JournalSql(std::move(connection)));
}

bool JournalSql::append(const StationRecord &record, QString *error)
{
    Connection *c = m_connection.get();
    QString why;
    const bool stored = c->run([c, &record, &why] { return c->insert(record, &why); });
    if (!stored && error)
        *error = why;
    return stored;
}

bool JournalSql::hasPassed(const QString &serialNumber)
{
    Connection *c = m_connection.get();
    return c->run([c, &serialNumber] { return c->passedBefore(serialNumber); });
}
