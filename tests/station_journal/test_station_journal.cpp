#include "PgServer.h"
#include "station/StationJournal.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <future>
#include <vector>

namespace {

// Every column but port and result follows from the serial number, so a row read back shows
// whether it is whole.
StationRecord recordFor(int serial, const QString &port, const QString &result = "passed")
{
    StationRecord r;
    r.time = QDateTime(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC).addMSecs(serial % 100000 * 37);
    r.port = port;
    r.serialNumber = QString::number(serial);
    r.productCode = QString("RX30-%1").arg(serial % 7);
    r.softwareRevision = QString("R%1").arg(serial % 13);
    r.file = QString("/srv/line/coins-%1.xml").arg(serial % 5);
    r.blocksWritten = serial % 40;
    r.verified = serial % 2;
    r.result = result;
    r.message = result == "passed" ? QString() : QString("blocco %1 è diverso").arg(serial % 40);
    r.durationMs = 900 + serial % 1000;
    return r;
}

} // namespace

class TestStationJournal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qunsetenv("PGPASSWORD");
        qunsetenv("PGPASSFILE");
        m_pgMissing = PgServer::binDir().isEmpty();
        m_pgUp = !m_pgMissing && m_pg.start(&m_pgError);
        m_passwordFile = writePasswordFile("pgpass", m_pg.password().toUtf8() + '\n', QFile::ReadOwner);
        qputenv("RXCONFIG_PGPASSFILE", QFile::encodeName(m_passwordFile));
    }

    void concurrentStations_data() { backends(); }
    void concurrentStations()
    {
        const QString target = freshTarget();
        if (target.isEmpty())
            return;
        // Two machines start at once on a new table, then share it, each with two station threads.
        QString error, secondError;
        auto opening =
            std::async(std::launch::async, [&] { return StationJournal::open(target, false, &secondError); });
        auto first = StationJournal::open(target, false, &error);
        QVERIFY2(first, qPrintable(error));
        auto second = opening.get();
        QVERIFY2(second, qPrintable(secondError));

        constexpr int perStation = 40;
        std::atomic<int> failures{0};
        std::vector<std::unique_ptr<QThread>> stations;
        QStringList expected;
        for (int s = 0; s < 4; ++s) {
            StationJournal *journal = s < 2 ? first.get() : second.get();
            const QString port = QString("port%1").arg(s);
            for (int i = 0; i < perStation; ++i)
                expected << QString("%1@%2:passed").arg(100000 + s * perStation + i).arg(port);
            stations.emplace_back(QThread::create([journal, port, s, &failures] {
                QString why;
                for (int i = 0; i < perStation; ++i)
                    failures += !journal->append(recordFor(100000 + s * perStation + i, port), &why);
            }));
            stations.back()->start();
        }
        for (auto &station : stations)
            QVERIFY(station->wait(120000));
        QCOMPARE(failures.load(), 0);
        QStringList rows = read(target);
        rows.sort();
        QCOMPARE(rows, expected);
    }

    void passedOnceAcrossStations_data() { backends(); }
    void passedOnceAcrossStations()
    {
        const QString target = freshTarget();
        if (target.isEmpty())
            return;
        QString error;
        {
            auto a = StationJournal::open(target, false, &error);
            QVERIFY2(a, qPrintable(error));
            QVERIFY2(a->append(recordFor(200001, "bench-A"), &error), qPrintable(error));
            QVERIFY2(a->append(recordFor(200002, "bench-A", "failed"), &error), qPrintable(error));
        }
        // Opened again, and by a second station: the table is there, nothing is created twice.
        auto a = StationJournal::open(target, false, &error);
        QVERIFY2(a, qPrintable(error));
        auto b = StationJournal::open(target, false, &error);
        QVERIFY2(b, qPrintable(error));
        // A server restarted under the line drops the stations' connections: a read (b) and a
        // write (a) connect again.
        if (target.startsWith("postgresql:"))
            QVERIFY2(m_pg.restart(&error), qPrintable(error));
        QVERIFY(b->hasPassed("200001"));
        QVERIFY(!b->hasPassed("200002"));

        // A failed selector may fail again and pass later, at any station; a passed one passes once.
        QVERIFY2(a->append(recordFor(200002, "bench-A", "failed"), &error), qPrintable(error));
        QVERIFY2(b->append(recordFor(200002, "bench-B"), &error), qPrintable(error));
        QVERIFY(a->hasPassed("200002"));
        QVERIFY(!b->append(recordFor(200001, "bench-B"), &error));
        QVERIFY2(error.contains("200001") && error.contains("bench-A"), qPrintable(error));
        QVERIFY(!a->append(recordFor(200002, "bench-A"), &error));
        QVERIFY2(error.contains("bench-B"), qPrintable(error));
        // Configured once more on the operator's request: recorded beside the first pass.
        StationRecord again = recordFor(200001, "bench-B");
        again.again = true;
        QVERIFY2(b->append(again, &error), qPrintable(error));
        QCOMPARE(read(target),
                 QStringList({"200001@bench-A:passed", "200002@bench-A:failed", "200002@bench-A:failed",
                              "200002@bench-B:passed", "200001@bench-B:passed"}));
    }

    void refusedCredentials()
    {
        if (!serverReady())
            return;
        const QByteArray password = m_pg.password().toUtf8();
        const QString plain = m_pg.url();
        const QString withPassword = QString(plain).replace("rxtest@", "rxtest:" + m_pg.password() + '@');
        const struct
        {
            QString address;
            QByteArray passwordInFile;
            QFile::Permissions mode;
            QString named; // what the error names; empty when the journal opens
        } cases[] = {
            {plain, password, QFile::ReadOwner, QString()},
            {plain, "not-" + password, QFile::ReadOwner, plain},
            {withPassword, password, QFile::ReadOwner, plain},
            {plain, password, QFile::ReadOwner | QFile::ReadOther, m_dir.filePath("try")},
        };
        for (const auto &c : cases) {
            qputenv("RXCONFIG_PGPASSFILE",
                    QFile::encodeName(writePasswordFile("try", c.passwordInFile, c.mode)));
            QString error;
            QCOMPARE(StationJournal::open(c.address, false, &error) != nullptr, c.named.isEmpty());
            QVERIFY2(error.contains(c.named) && !error.contains(m_pg.password()), qPrintable(error));
        }
        qputenv("RXCONFIG_PGPASSFILE", QFile::encodeName(m_passwordFile));
    }

private:
    void backends()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("sqlite") << QString("sqlite");
        QTest::newRow("postgresql") << QString("postgresql");
    }

    bool serverReady()
    {
        if (m_pgMissing)
            QTest::qSkip("PostgreSQL server binaries are not installed (Debian package postgresql)", __FILE__,
                         __LINE__);
        else if (!m_pgUp)
            QTest::qFail(qPrintable("the PostgreSQL server did not start: " + m_pgError), __FILE__, __LINE__);
        return m_pgUp;
    }

    // An empty table of the row's backend: an SQLite file, or a database of its own on the server.
    QString freshTarget()
    {
        QFETCH(QString, backend);
        const QString name = QString("journal_%1").arg(++m_tables);
        if (backend == "sqlite")
            return m_dir.filePath(name + ".sqlite");
        if (!serverReady())
            return QString();
        QSqlQuery create(connection(m_pg.url()));
        if (create.exec("CREATE DATABASE " + name))
            return m_pg.url(name);
        QTest::qFail(qPrintable(create.lastError().text()), __FILE__, __LINE__);
        return QString();
    }

    // The test's own look at the target, beside the journal's connections; a new session each
    // time, as the server may have restarted since.
    QSqlDatabase connection(const QString &target)
    {
        const bool postgres = target.startsWith("postgresql:");
        if (!QSqlDatabase::contains(target)) {
            QSqlDatabase db = QSqlDatabase::addDatabase(postgres ? "QPSQL" : "QSQLITE", target);
            const QUrl url(target);
            db.setHostName(url.host());
            db.setPort(url.port());
            db.setUserName(url.userName());
            db.setPassword(m_pg.password());
            db.setDatabaseName(postgres ? url.path().mid(1) : target);
        }
        QSqlDatabase db = QSqlDatabase::database(target, false);
        db.close();
        if (!db.open())
            qWarning() << db.lastError().text();
        return db;
    }

    // "serial@port:result" per row in the table's order, marked when its columns do not belong together.
    QStringList read(const QString &target)
    {
        QSqlQuery query(connection(target));
        if (!query.exec(
                "SELECT time, host, port, serial_number, product_code, software_revision, file, "
                "blocks_written, verified, result, message, duration_ms FROM station_journal ORDER BY id"))
            return {query.lastError().text()};
        QStringList rows;
        while (query.next()) {
            const StationRecord r =
                recordFor(query.value(3).toInt(), query.value(2).toString(), query.value(9).toString());
            const bool whole =
                query.value(0).toDateTime().toUTC() == r.time &&
                query.value(1).toString() == QSysInfo::machineHostName() &&
                query.value(3).toString() == r.serialNumber && query.value(4).toString() == r.productCode &&
                query.value(5).toString() == r.softwareRevision && query.value(6).toString() == r.file &&
                query.value(7).toInt() == r.blocksWritten && query.value(8).toBool() == r.verified &&
                query.value(10).toString() == r.message && query.value(11).toLongLong() == r.durationMs;
            rows << r.serialNumber + '@' + r.port + ':' + r.result + (whole ? "" : " (columns mixed)");
        }
        return rows;
    }

    QString writePasswordFile(const QString &name, const QByteArray &content, QFile::Permissions mode)
    {
        QFile file(m_dir.filePath(name));
        file.remove();
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
            !file.setPermissions(mode))
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
    TestStationJournal test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_station_journal.moc"
