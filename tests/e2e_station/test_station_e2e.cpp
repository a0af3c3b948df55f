// The production station as an operator meets it: rxconfig-cli station against rxsim on
// pseudo-terminals, the test plugging and pulling selector after selector through rxsim's control
// channel and checking the journal against what each selector's non-volatile memory holds.
#include "CliRun.h"
#include "RxsimProcess.h"
#include "app/Messages.h"
#include "station/JournalFile.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {
const QString kErased = QString(512, u'F');
const QString kCli = QStringLiteral(RXCLI_PATH);

// The journal's records as column -> value; a record that does not parse has "broken" set.
QList<QMap<QString, QString>> journalRows(const QString &target)
{
    QList<QMap<QString, QString>> rows;
    const QByteArray bytes = fileBytes(target);
    if (target.endsWith(u".jsonl"_s)) {
        for (const QByteArray &line : bytes.split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            QMap<QString, QString> row;
            for (const QString &column : JournalFile::columns())
                row[column] = o.value(column).toVariant().toString();
            if (o.size() != JournalFile::columns().size())
                row[u"broken"_s] = QString::fromUtf8(line);
            rows << row;
        }
        return rows;
    }
    QList<QStringList> records = JournalFile::csvRecords(bytes);
    if (records.isEmpty() || records.takeFirst() != JournalFile::columns())
        return {{{u"broken"_s, u"header"_s}}};
    for (const QStringList &r : records) {
        QMap<QString, QString> row;
        for (int i = 0; i < r.size() && i < JournalFile::columns().size(); ++i)
            row[JournalFile::columns().at(i)] = r.at(i);
        if (r.size() != JournalFile::columns().size())
            row[u"broken"_s] = r.join(u'|');
        rows << row;
    }
    return rows;
}

bool waitRows(const QString &target, int n, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (journalRows(target).size() < n) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(50);
    }
    return true;
}

QString nvOf(RxsimProcess &sim, const char *dump = "dump-nv")
{
    return sim.command(QString::fromLatin1(dump) + u" 0600 256"_s).mid(3);
}
} // namespace

class TestStationE2e : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;  // the configuration every selector gets: the 16 coin channels
    QString m_image; // those channels as the selector's memory holds them, hex

    std::unique_ptr<RxsimProcess> startSim(const QString &name)
    {
        QDir(m_dir.path()).mkpath(name);
        auto sim = std::make_unique<RxsimProcess>(m_dir.filePath(name));
        if (!sim->start() || sim->command(u"pull"_s) != u"OK"_s)
            return nullptr;
        return sim;
    }
    QStringList stationArgs(const QStringList &ports, const QString &journal, const QStringList &more)
    {
        QStringList args{u"--data-dir"_s, m_dir.path()};
        for (const QString &p : ports)
            args << u"--port"_s << p;
        return args +
               QStringList{u"station"_s, m_file, u"--journal"_s, journal, u"--removal-wait"_s, u"300"_s} +
               more;
    }
    // A fresh selector replaces the last, is plugged, and its record awaited.
    static bool plugNext(RxsimProcess &sim, const QString &journal, int rows, const QString &next,
                         const QString &fault = QString())
    {
        if (!sim.command(u"next "_s + next).startsWith(u"OK"_s) ||
            (!fault.isEmpty() && sim.command(fault) != u"OK"_s) || sim.command(u"plug"_s) != u"OK"_s)
            return false;
        return waitRows(journal, rows);
    }
    // The selector is pulled, and the station waits for the next (its waits, counted from its start).
    static bool pull(RxsimProcess &sim, CliProcess &station, int waits)
    {
        return sim.command(u"pull"_s) == u"OK"_s && station.waitSaid(u"waiting for a selector"_s, waits);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(copyDataFiles(m_dir.path(), {u"rx30.ini"_s, u"io.ini"_s, u"template.xml"_s}));
        // The file comes from a selector as the program saves it; the technician names its type.
        auto sim = startSim(u"source"_s);
        QVERIFY(sim);
        QCOMPARE(sim->command(u"plug"_s), u"OK"_s);
        const QString folder = m_dir.filePath(u"line 1, \"euro\""_s);
        QVERIFY(QDir().mkpath(folder));
        m_file = folder + u"/coins.xml"_s;
        DataDirCli cli(m_dir.path());
        QVERIFY2(cli({u"--port"_s, sim->slavePath, u"upload"_s, u"-o"_s, m_file, u"--sections"_s,
                      u"Coin channels"_s}) == 0,
                 qPrintable(cli.err));
        QByteArray text = fileBytes(m_file);
        QVERIFY(text.contains("format=\"RX20/RX30\""));
        QVERIFY(writeFileBytes(m_file,
                               text.replace("format=\"RX20/RX30\"", "format=\"RX20/RX30\" device=\"RX30\"")));
        for (int channel = 0; channel < 16; ++channel)
            m_image += QString::fromLatin1(
                blockValue(text, "0x06" + QByteArray::number(channel, 16).toUpper() + "0"));
        QCOMPARE(m_image, nvOf(*sim));
        QVERIFY(m_image != kErased);
    }

    // A mistaken command line ends the station before any port is opened.
    void refusesAMistakenCommandLine()
    {
        const QString untyped = m_dir.filePath(u"untyped.xml"_s);
        QVERIFY(writeFileBytes(untyped, fileBytes(m_file).replace(" device=\"RX30\"", "")));
        const struct
        {
            QStringList args;
            int status, message;
        } cases[] = {
            {{u"station"_s}, 2, 433},
            {{u"station"_s, m_file, u"--count"_s, u"0"_s}, 2, 1152},
            {{u"station"_s, m_file, u"--removal-wait"_s, u"50"_s}, 2, 1153},
            {{u"--port"_s, u"A"_s, u"--port"_s, u"A"_s, u"station"_s, m_file}, 2, 1154},
            {{u"station"_s, m_file, u"--bogus"_s}, 2, 453},
            {{u"station"_s, untyped}, 2, 1142},
            {{u"station"_s, m_dir.filePath(u"none.xml"_s)}, 3, 1139},
        };
        DataDirCli cli(m_dir.path());
        for (const auto &c : cases) {
            QCOMPARE(cli(c.args), c.status);
            QVERIFY2(cli.err.startsWith(Msg(c.message).section(u"%1"_s, 0, 0)), qPrintable(cli.err));
            QVERIFY(cli.out.isEmpty());
        }
    }

    // Twenty selectors one after another: the journal's serial numbers and results match what
    // each selector holds; a refused write stops there with nothing committed; a write the
    // selector drops is caught by reading back; another device type and a selector configured
    // before get nothing written.
    void configuresALineOfSelectors()
    {
        const QString target = m_dir.filePath(u"journal.csv"_s);
        auto sim = startSim(u"line"_s);
        QVERIFY(sim);
        struct Plug
        {
            int serial;
            QString type, fault, result;
            QStringList says;
        };
        QList<Plug> line;
        for (int i = 0; i < 20; ++i)
            line << Plug{1001 + i, u"RX30"_s, QString(), u"passed"_s, {}};
        const QString refused = u"fault nak header 255 sub 3 skip 5"_s;
        line[3] = {1004, u"RX30"_s, refused, u"failed"_s, {u"Channel 6 (0x0650)"_s}};
        line[7] = {1008,
                   u"RX30"_s,
                   u"fault dropwrite"_s,
                   u"failed"_s,
                   {Msg(1081).section(u':', 0, 0), u"Channel 1"_s}};
        line[11] = {1012, u"RX20"_s, QString(), u"refused"_s, {u"RX20"_s}};
        line[15] = {1001, u"RX30"_s, QString(), u"skipped"_s, {u"1001"_s}};

        CliProcess station(kCli, stationArgs({sim->slavePath}, target, {u"--count"_s, u"20"_s}));
        QVERIFY2(station.waitSaid(u"waiting for a selector"_s, 1), qPrintable(station.err()));
        QStringList nv;
        QStringList working;
        for (int i = 0; i < line.size(); ++i) {
            const Plug &p = line.at(i);
            QVERIFY2(plugNext(*sim, target, i + 1, u"serial %1 erased type %2"_s.arg(p.serial).arg(p.type),
                              p.fault),
                     qPrintable(u"selector %1: "_s.arg(i + 1) + station.err()));
            nv << nvOf(*sim);
            working << nvOf(*sim, "dump");
            // The count ends the station at its last verdict.
            QVERIFY(pull(*sim, station, i + 2) || i == line.size() - 1);
        }
        QCOMPARE(station.finish(15000), 1);
        QVERIFY2(station.out().contains(Msg(1143).arg(16).arg(2).arg(1).arg(1)),
                 qPrintable(station.out().right(400)));

        const auto rows = journalRows(target);
        QCOMPARE(rows.size(), line.size());
        for (int i = 0; i < line.size(); ++i) {
            const auto &row = rows.at(i);
            const QString where = u"selector %1: "_s.arg(i + 1) + QStringList(row.values()).join(u" | "_s);
            QVERIFY2(!row.contains(u"broken"_s), qPrintable(where));
            QCOMPARE(row.value(u"serial_number"_s), QString::number(line[i].serial));
            QCOMPARE(row.value(u"result"_s), line[i].result);
            QCOMPARE(row.value(u"file"_s), m_file);
            QVERIFY2((row.value(u"result"_s) == u"passed"_s) == (nv[i] == m_image), qPrintable(where));
            QCOMPARE(row.value(u"verified"_s), line[i].result == u"passed"_s ? u"yes"_s : u"no"_s);
            for (const QString &text : line[i].says)
                QVERIFY2(row.value(u"message"_s).contains(text), qPrintable(where));
        }
        // Nothing reached the permanent memory past a refused write, nor any memory of a selector
        // of another type or one configured before.
        QCOMPARE(nv[3], kErased);
        QCOMPARE(rows[3].value(u"blocks_written"_s), u"5"_s);
        for (int i : {11, 15}) {
            QCOMPARE(nv[i], kErased);
            QCOMPARE(working[i], kErased);
        }
    }

    // A station killed mid-download leaves whole lines; started again on its journal it finishes
    // the selector still plugged, skips one the journal has passed, and Ctrl-C ends it after the
    // selector in work.
    void killedStationLeavesWholeLinesAndResumes()
    {
        const QString target = m_dir.filePath(u"killed.csv"_s);
        auto sim = startSim(u"killed"_s);
        QVERIFY(sim);
        {
            CliProcess station(kCli, stationArgs({sim->slavePath}, target, {}));
            QVERIFY(station.waitSaid(u"waiting for a selector"_s, 1));
            for (int i = 0; i < 2; ++i) {
                QVERIFY2(plugNext(*sim, target, i + 1, u"serial %1 erased"_s.arg(5001 + i)),
                         qPrintable(station.err()));
                QVERIFY(pull(*sim, station, i + 2));
            }
            QVERIFY(sim->command(u"next serial 5003 erased"_s).startsWith(u"OK"_s));
            QCOMPARE(sim->command(u"plug"_s), u"OK"_s);
            QVERIFY(station.waitSaid(u"working on serial number 5003"_s, 1));
            QTest::qWait(200);
            station.signal(SIGKILL);
            QCOMPARE(station.finish(3000), -1);
        }
        const QByteArray killed = fileBytes(target);
        QVERIFY(killed.endsWith('\n'));
        auto rows = journalRows(target);
        QCOMPARE(rows.size(), 2);
        for (const auto &row : rows)
            QVERIFY2(!row.contains(u"broken"_s) && row.value(u"result"_s) == u"passed"_s,
                     qPrintable(QStringList(row.values()).join(u'|')));

        CliProcess again(kCli, stationArgs({sim->slavePath}, target, {}));
        QVERIFY2(waitRows(target, 3), qPrintable(again.err()));
        QCOMPARE(nvOf(*sim), m_image);
        QVERIFY(pull(*sim, again, 2));
        QVERIFY(plugNext(*sim, target, 4, u"serial 5001 erased"_s));
        QVERIFY(pull(*sim, again, 3));
        QVERIFY(sim->command(u"next serial 5004 erased"_s).startsWith(u"OK"_s));
        QCOMPARE(sim->command(u"plug"_s), u"OK"_s);
        QVERIFY(again.waitSaid(u"working on serial number 5004"_s, 1));
        again.signal(SIGINT);
        QCOMPARE(again.finish(15000), 0);
        QVERIFY2(again.out().contains(Msg(1143).arg(2).arg(0).arg(0).arg(1)), qPrintable(again.out()));
        rows = journalRows(target);
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[3].value(u"result"_s), u"skipped"_s);
        QCOMPARE(rows[4].value(u"serial_number"_s), u"5004"_s);
        QCOMPARE(rows[4].value(u"result"_s), u"passed"_s);
        QCOMPARE(nvOf(*sim), m_image);
        QCOMPARE(fileBytes(target).count("time,port,"), 1);
    }

    // Two ports at once, each at its own pace, into one journal of whole lines.
    void twoStationsShareOneJournal()
    {
        const QString target = m_dir.filePath(u"two.jsonl"_s);
        auto a = startSim(u"a"_s);
        auto b = startSim(u"b"_s);
        QVERIFY(a && b);
        CliProcess station(
            kCli, stationArgs({a->slavePath, b->slavePath}, target, {u"--json"_s, u"--count"_s, u"6"_s}));
        QSet<QString> expected;
        for (int k = 0; k < 3; ++k) {
            for (auto *sim : {a.get(), b.get()}) {
                const QString serial = QString::number((sim == a.get() ? 2001 : 3001) + k);
                QVERIFY(station.waitSaid(sim->slavePath + u": waiting for a selector"_s, k + 1));
                QVERIFY(sim->command(u"next erased serial "_s + serial).startsWith(u"OK"_s));
                QCOMPARE(sim->command(u"plug"_s), u"OK"_s);
                expected << sim->slavePath + u' ' + serial;
            }
            QVERIFY2(waitRows(target, 2 * (k + 1)), qPrintable(station.err()));
            QCOMPARE(nvOf(*a), m_image);
            QCOMPARE(nvOf(*b), m_image);
            QCOMPARE(a->command(u"pull"_s), u"OK"_s);
            QCOMPARE(b->command(u"pull"_s), u"OK"_s);
        }
        QVERIFY2(station.finish(15000) == 0, qPrintable(station.err()));
        QSet<QString> seen;
        const auto rows = journalRows(target);
        QCOMPARE(rows.size(), 6);
        for (const auto &row : rows) {
            QVERIFY2(!row.contains(u"broken"_s), qPrintable(row.value(u"broken"_s)));
            QCOMPARE(row.value(u"result"_s), u"passed"_s);
            seen << row.value(u"port"_s) + u' ' + row.value(u"serial_number"_s);
        }
        QCOMPARE(seen, expected);
    }
};

QTEST_GUILESS_MAIN(TestStationE2e)
#include "test_station_e2e.moc"
