// Selectors per hour of rxconfig-cli station on paced rxsim pseudo-terminals (9600 baud, 10 bit
// times a byte), an operator played through rxsim's control channel who pulls a selector as soon
// as its verdict is in the journal and plugs the next as soon as the station waits for it.
// Printed against the wire floor of one download plus its read-back (the bytes of the writes, the
// commit and the reads, both ways, at 9600 baud), and as the ratio of N ports to one.
// Usage: bench_station [PORTS [SELECTORS]]   (default 8 ports, 100 selectors in all)
#include "station/JournalFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Sim
{
    QProcess process;
    QLocalSocket control;
    QString tty;
    int waitsAnswered = 0;
    int records = 0;
    bool plugged = false;

    bool start(const QString &socket, const QStringList &extra)
    {
        process.start(QStringLiteral(RXSIM_PATH), QStringList{QStringLiteral("--control"), socket} + extra);
        if (!process.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100 && !process.canReadLine(); ++i)
            process.waitForReadyRead(100);
        tty = QString::fromLocal8Bit(process.readLine()).trimmed();
        control.connectToServer(socket);
        return !tty.isEmpty() && control.waitForConnected(3000);
    }
    QString command(const QString &line)
    {
        control.write(line.toUtf8() + '\n');
        control.flush();
        for (int i = 0; i < 50 && !control.canReadLine(); ++i)
            control.waitForReadyRead(100);
        return QString::fromUtf8(control.readLine()).trimmed();
    }
    ~Sim()
    {
        process.terminate();
        process.waitForFinished(3000);
    }
};

QString cli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(RXCLI_PATH), args);
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardError());
}

// Bytes on the wire of the writes, the commit and the read-back in an exchange log.
int memoryWireBytes(const QString &logPath)
{
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    int bytes = 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() < 4 || parts[0] != "->" || parts[3] != "<-")
            continue;
        const QByteArray cmd = QByteArray::fromHex(parts[1]);
        const QByteArray reply = QByteArray::fromHex(parts[4].split('\t').first());
        const quint8 header = cmd.size() > 3 ? quint8(cmd[3]) : 0;
        const quint8 sub = cmd.size() > 4 ? quint8(cmd[4]) : 0;
        if ((header == 255 && (sub == 2 || sub == 3)) || header == 1)
            bytes += int(cmd.size() + reply.size());
    }
    return bytes;
}

// Runs one station over `ports` simulators until `total` selectors have a record; selectors per hour.
double run(const QString &dir, const QString &file, int ports, int total)
{
    std::vector<std::unique_ptr<Sim>> sims;
    QStringList args{QStringLiteral("--data-dir"), dir};
    for (int i = 0; i < ports; ++i) {
        sims.push_back(std::make_unique<Sim>());
        const QString socket = QStringLiteral("%1/s%2-%3.sock").arg(dir).arg(ports).arg(i);
        if (!sims.back()->start(socket, {QStringLiteral("--pace")}) ||
            sims.back()->command(QStringLiteral("pull")) != "OK")
            return 0;
        args << QStringLiteral("--port") << sims.back()->tty;
    }
    const QString journal = QStringLiteral("%1/journal-%2.csv").arg(dir).arg(ports);
    args << QStringLiteral("station") << file << QStringLiteral("--journal") << journal
         << QStringLiteral("--count") << QString::number(total) << QStringLiteral("--removal-wait")
         << QStringLiteral("300");
    QProcess station;
    station.start(QStringLiteral(RXCLI_PATH), args);
    QString said;
    int plugged = 0;
    int serial = 100000 * ports;
    QElapsedTimer clock;
    int done = 0;
    while (done < total && station.state() != QProcess::NotRunning) {
        station.waitForReadyRead(5);
        said += QString::fromUtf8(station.readAllStandardError());
        QList<QStringList> rows = JournalFile::csvRecords([&] {
            QFile f(journal);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }());
        if (!rows.isEmpty())
            rows.removeFirst();
        done = int(rows.size());
        for (auto &sim : sims) {
            int records = 0;
            for (const QStringList &r : rows)
                records += r.value(1) == sim->tty ? 1 : 0;
            if (sim->plugged && records > sim->records) {
                sim->records = records;
                sim->command(QStringLiteral("pull"));
                sim->plugged = false;
            }
            if (!sim->plugged && plugged < total &&
                said.count(sim->tty + QStringLiteral(": waiting for a selector")) > sim->waitsAnswered) {
                ++sim->waitsAnswered;
                sim->command(QStringLiteral("next erased type RX30 serial %1").arg(++serial));
                sim->command(QStringLiteral("plug"));
                sim->plugged = true;
                if (plugged++ == 0)
                    clock.start();
            }
        }
    }
    const double hours = double(clock.elapsed()) / 3600000.0;
    station.waitForFinished(10000);
    return done == total && hours > 0 ? total / hours : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int ports = argc > 1 ? std::max(1, atoi(argv[1])) : 8;
    const int total = argc > 2 ? std::max(ports, atoi(argv[2])) : 100;
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    for (const char *name : {"rx30.ini", "io.ini", "template.xml"}) {
        const QString target = dir + QLatin1Char('/') + QLatin1String(name);
        QFile::copy(QStringLiteral(RX_BENCH_DATA_DIR "/") + QLatin1String(name), target);
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }

    // A customer's configuration: the coin channels and the configuration of a selector.
    const QString file = dir + QStringLiteral("/customer.xml");
    double floorMs = 0;
    {
        Sim source;
        if (!source.start(dir + QStringLiteral("/source.sock"), {QStringLiteral("--pace")}))
            return 1;
        cli({QStringLiteral("--data-dir"), dir, QStringLiteral("--port"), source.tty,
             QStringLiteral("upload"), QStringLiteral("-o"), file, QStringLiteral("--sections"),
             QStringLiteral("Coin channels,Configuration")});
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return 1;
        QByteArray text = f.readAll();
        f.close();
        text.replace("format=\"RX20/RX30\"", "format=\"RX20/RX30\" device=\"RX30\"");
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
            return 1;
        f.close();
        source.command(QStringLiteral("next erased"));
        const QString log = dir + QStringLiteral("/download.log");
        cli({QStringLiteral("--data-dir"), dir, QStringLiteral("--port"), source.tty, QStringLiteral("--log"),
             log, QStringLiteral("download"), file, QStringLiteral("--verify")});
        floorMs = memoryWireBytes(log) * 10.0 * 1000.0 / 9600.0;
    }
    if (floorMs <= 0)
        return 1;
    const double floorPerHour = 3600000.0 / floorMs;
    const int single = (total + ports - 1) / ports;
    const double many = run(dir, file, ports, total);
    const double one = run(dir, file, 1, single);
    std::printf(
        "station: %d ports %d selectors %.0f /h; 1 port %d selectors %.0f /h; wire floor %.0f ms = %.0f /h "
        "per port; ratio %d:1 %.3f of %dx\n",
        ports, total, many, single, one, floorMs, floorPerHour, ports, one > 0 ? many / one / ports : 0.0,
        ports);
    return many > 0 && one > 0 ? 0 : 1;
}
