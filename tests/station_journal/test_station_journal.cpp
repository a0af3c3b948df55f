#include "PgServer.h"
#include "station/JournalSql.h"

#include <QRandomGenerator>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <future>
#include <vector>

namespace {

// Every column but port and result follows from the serial number, so a row read back shows
// whether it is whole.
StationRecord recordFor(int serial, const QString &port, const QString &result = QStringLiteral("passed"))
{
    StationRecord r;
    r.time = QDateTime(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC).addMSecs(serial % 100000 * 37);
    r.port = port;
    r.serialNumber = QString::number(serial);
    r.productCode = QStringLiteral("RX30-%1").arg(serial % 7);
    r.softwareRevision = QStringLiteral("R%1").arg(serial % 13);
    r.file = QStringLiteral("/srv/line/coins-%1.xml").arg(serial % 5);
    r.blocksWritten = serial % 40;
    r.verified = serial % 2;
    r.result = result;
    if (result != QLatin1String("passed"))
        r.message = QStringLiteral("blocco %1 è diverso").arg(serial % 40);
    r.durationMs = 900 + serial % 1000;
    return r;
}

// The station that killedStation kills: appends until it dies, printing each serial once stored.
int appendUntilKilled(const QString &target)
{
    QString error;
    auto journal = JournalSql::open(target, &error);
    for (int serial = 500000; journal; ++serial) {
        if (!journal->append(recordFor(serial, QStringLiteral("killed")), &error))
            break;
        std::printf("%d\n", serial);
        std::fflush(stdout);
    }
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
}

struct Rows
{
    QStringList stored; // "serial@port:result", in the table's order
    QStringList broken; // rows whose columns do not belong together
};

} // namespace

class TestStationJournal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qunsetenv("PGPASSWORD");
        qunsetenv("PGPASSFILE");
        if (PgServer::binDir().isEmpty()) {
            m_pgMissing = true;
            return;
        }
        m_pgUp = m_pg.start(&m_pgError);
        m_passwordFile = writePasswordFile(QStringLiteral("pgpass"), m_pg.password().toUtf8() + '\n',
                                           QFile::ReadOwner | QFile::WriteOwner);
        qputenv("RXCONFIG_PGPASSFILE", QFile::encodeName(m_passwordFile));
    }

    void concurrentStations_data() { backends(); }
    void concurrentStations()
    {
        const QString target = freshTarget();
        if (target.isEmpty())
            return;
        // Two machines start at once on a new table, then share it, each with two station threads.
        QString error;
        QString secondError;
        auto opening = std::async(std::launch::async, [&] { return JournalSql::open(target, &secondError); });
        auto first = JournalSql::open(target, &error);
        QVERIFY2(first, qPrintable(error));
        auto second = opening.get();
        QVERIFY2(second, qPrintable(secondError));

        constexpr int perStation = 40;
        std::atomic<int> failures{0};
        std::vector<std::unique_ptr<QThread>> stations;
        QStringList expected;
        for (int s = 0; s < 4; ++s) {
            StationJournal *journal = s < 2 ? first.get() : second.get();
            const QString port = QStringLiteral("port%1").arg(s);
            for (int i = 0; i < perStation; ++i)
                expected << QStringLiteral("%1@%2:passed").arg(100000 + s * perStation + i).arg(port);
            stations.emplace_back(QThread::create([journal, port, s, &failures] {
                for (int i = 0; i < perStation; ++i) {
                    QString why;
                    if (!journal->append(recordFor(100000 + s * perStation + i, port), &why))
                        ++failures;
                }
            }));
            stations.back()->start();
        }
        for (auto &station : stations)
            QVERIFY(station->wait(120000));
        QCOMPARE(failures.load(), 0);
        const Rows rows = read(target);
        QVERIFY2(rows.broken.isEmpty(), qPrintable(rows.broken.join('\n')));
        QCOMPARE(QSet<QString>(rows.stored.begin(), rows.stored.end()), QSet<QString>(expected.begin(), expected.end()));
        QCOMPARE(rows.stored.size(), expected.size());
    }

    void passedOnceAcrossStations_data() { backends(); }
    void passedOnceAcrossStations()
    {
        const QString target = freshTarget();
        if (target.isEmpty())
            return;
        QString error;
        {
            auto a = JournalSql::open(target, &error);
            QVERIFY2(a, qPrintable(error));
            QVERIFY2(a->append(recordFor(200001, QStringLiteral("bench-A")), &error), qPrintable(error));
            QVERIFY2(a->append(recordFor(200002, QStringLiteral("bench-A"), QStringLiteral("failed")), &error),
                     qPrintable(error));
        }
        // Opened again, and by a second station: the table is there, nothing is created twice.
        auto a = JournalSql::open(target, &error);
        QVERIFY2(a, qPrintable(error));
        auto b = JournalSql::open(target, &error);
        QVERIFY2(b, qPrintable(error));
        // A server restarted under the line drops the stations' connections: a read (b) and a
        // write (a) connect again.
        if (target.startsWith(QLatin1String("postgresql:")))
            QVERIFY2(m_pg.restart(&error), qPrintable(error));
        QVERIFY(b->hasPassed(QStringLiteral("200001")));
        QVERIFY(!b->hasPassed(QStringLiteral("200002")));

        // A failed selector may fail again and pass later, at any station; a passed one passes once.
        QVERIFY2(a->append(recordFor(200002, QStringLiteral("bench-A"), QStringLiteral("failed")), &error),
                 qPrintable(error));
        QVERIFY2(b->append(recordFor(200002, QStringLiteral("bench-B")), &error), qPrintable(error));
        QVERIFY(a->hasPassed(QStringLiteral("200002")));
        QVERIFY(!b->append(recordFor(200001, QStringLiteral("bench-B")), &error));
        QVERIFY2(error.contains(QLatin1String("200001")) && error.contains(QLatin1String("bench-A")), qPrintable(error));
        QVERIFY(!a->append(recordFor(200002, QStringLiteral("bench-A")), &error));
        QVERIFY2(error.contains(QLatin1String("bench-B")), qPrintable(error));

        const Rows rows = read(target);
        QVERIFY2(rows.broken.isEmpty(), qPrintable(rows.broken.join('\n')));
        QCOMPARE(rows.stored, QStringList({"200001@bench-A:passed", "200002@bench-A:failed", "200002@bench-A:failed",
                                           "200002@bench-B:passed"}));
    }

    void killedStation_data() { backends(); }
    void killedStation()
    {
        const QString target = freshTarget();
        if (target.isEmpty())
            return;
        QProcess station;
        station.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--append-until-killed"), target});
        QStringList reported;
        while (reported.size() < 23 && station.waitForReadyRead(20000))
            while (station.canReadLine())
                reported << QString::fromLatin1(station.readLine()).trimmed();
        QVERIFY2(reported.size() >= 23, station.readAllStandardError().constData());
        QThread::msleep(QRandomGenerator::global()->bounded(20));
        station.kill();
        station.waitForFinished();
        while (station.canReadLine())
            reported << QString::fromLatin1(station.readLine()).trimmed();

        // What append reported is there, the one in flight at most once more, every row whole.
        const Rows rows = read(target);
        QVERIFY2(rows.broken.isEmpty(), qPrintable(rows.broken.join('\n')));
        for (const QString &serial : qAsConst(reported))
            QVERIFY2(rows.stored.contains(serial + QStringLiteral("@killed:passed")), qPrintable(serial));
        QVERIFY(rows.stored.size() <= reported.size() + 1);

        // The next station finds the table unlocked.
        QString error;
        auto next = JournalSql::open(target, &error);
        QVERIFY2(next, qPrintable(error));
        QVERIFY2(next->append(recordFor(600000, QStringLiteral("next")), &error), qPrintable(error));
    }

    void refusedCredentials()
    {
        if (!serverReady())
            return;
        const QByteArray password = m_pg.password().toUtf8();
        const QString plain = m_pg.url();
        QString withPassword = plain;
        withPassword.replace(QStringLiteral("rxtest@"), QStringLiteral("rxtest:") + m_pg.password() + '@');
        const auto owner = QFile::ReadOwner | QFile::WriteOwner;
        const struct
        {
            QString address;
            QByteArray passwordInFile;
            QFile::Permissions mode;
            QString named; // what the error names; empty when the journal opens
        } cases[] = {
            {plain, password, owner, QString()},
            {plain, "not-" + password, owner, plain},
            {withPassword, password, owner, plain},
            {plain, password, owner | QFile::ReadOther, m_dir.filePath(QStringLiteral("try"))},
        };
        for (const auto &c : cases) {
            qputenv("RXCONFIG_PGPASSFILE", QFile::encodeName(writePasswordFile(QStringLiteral("try"), c.passwordInFile, c.mode)));
            QString error;
            const bool opened = JournalSql::open(c.address, &error) != nullptr;
            QCOMPARE(opened, c.named.isEmpty());
            QVERIFY2(error.contains(c.named), qPrintable(error));
            QVERIFY2(!error.contains(m_pg.password()), qPrintable(error));
        }
        qputenv("RXCONFIG_PGPASSFILE", QFile::encodeName(m_passwordFile));
    }

private:
    void backends()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("sqlite") << QStringLiteral("sqlite");
        QTest::newRow("postgresql") << QStringLiteral("postgresql");
    }

    bool serverReady()
    {
        if (m_pgMissing)
            QTest::qSkip("PostgreSQL server binaries are not installed (Debian package postgresql)", __FILE__, __LINE__);
        else if (!m_pgUp)
            QTest::qFail(qPrintable(QStringLiteral("the PostgreSQL server did not start: ") + m_pgError), __FILE__,
                         __LINE__);
        return m_pgUp;
    }

    // An empty table of the row's backend: an SQLite file, or a database of its own on the server.
    QString freshTarget()
    {
        QFETCH(QString, backend);
        const QString name = QStringLiteral("journal_%1").arg(++m_tables);
        if (backend == QLatin1String("sqlite"))
            return m_dir.filePath(name + QStringLiteral(".sqlite"));
        if (!serverReady())
            return QString();
        QSqlQuery create(connection(m_pg.url()));
        if (!create.exec(QStringLiteral("CREATE DATABASE ") + name)) {
            QTest::qFail(qPrintable(create.lastError().text()), __FILE__, __LINE__);
            return QString();
        }
        return m_pg.url(name);
    }

    // The test's own look at the target, beside the journal's connections; a new session each
    // time, as the server may have restarted since.
    QSqlDatabase connection(const QString &target)
    {
        if (QSqlDatabase::contains(target)) {
            QSqlDatabase db = QSqlDatabase::database(target, false);
            db.close();
            db.open();
            return db;
        }
        const bool postgres = target.startsWith(QLatin1String("postgresql:"));
        QSqlDatabase db = QSqlDatabase::addDatabase(postgres ? "QPSQL" : "QSQLITE", target);
        if (postgres) {
            const QUrl url(target);
            db.setHostName(url.host());
            db.setPort(url.port());
            db.setUserName(url.userName());
            db.setPassword(m_pg.password());
            db.setDatabaseName(url.path().mid(1));
        } else {
            db.setDatabaseName(target);
        }
        if (!db.open())
            qWarning() << db.lastError().text();
        return db;
    }

    Rows read(const QString &target)
    {
        Rows rows;
        QSqlQuery query(connection(target));
        if (!query.exec(QStringLiteral("SELECT time, host, port, serial_number, product_code, software_revision, file, "
                                       "blocks_written, verified, result, message, duration_ms "
                                       "FROM station_journal ORDER BY id"))) {
            rows.broken << query.lastError().text();
            return rows;
        }
        while (query.next()) {
            const QString port = query.value(2).toString();
            const QString result = query.value(9).toString();
            const StationRecord r = recordFor(query.value(3).toInt(), port, result);
            const bool whole = query.value(0).toDateTime().toUTC() == r.time
                               && query.value(1).toString() == QSysInfo::machineHostName()
                               && query.value(3).toString() == r.serialNumber && query.value(4).toString() == r.productCode
                               && query.value(5).toString() == r.softwareRevision && query.value(6).toString() == r.file
                               && query.value(7).toInt() == r.blocksWritten && query.value(8).toBool() == r.verified
                               && query.value(10).toString() == r.message && query.value(11).toLongLong() == r.durationMs;
            const QString row = r.serialNumber + QLatin1Char('@') + port + QLatin1Char(':') + result;
            rows.stored << row;
            if (!whole)
                rows.broken << row;
        }
        return rows;
    }

    QString writePasswordFile(const QString &name, const QByteArray &content, QFile::Permissions mode)
    {
        QFile file(m_dir.filePath(name));
        file.remove();
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.setPermissions(mode))
            qWarning() << file.errorString();
        return file.fileName();
    }

    QTemporaryDir m_dir;
    PgServer m_pg;
    bool m_pgMissing = false;
    bool m_pgUp = false;
    QString m_pgError;
    QString m_passwordFile;
    int m_tables = 0;
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--append-until-killed") == 0)
        return appendUntilKilled(QString::fromLocal8Bit(argv[2]));
    TestStationJournal test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_station_journal.moc"
