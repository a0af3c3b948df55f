// Coin programming under a steady stream of coins: rxsim on a pseudo-terminal inserts a coin
// every INTERVAL ms, the program polls through the real serial port at 9600 baud. Prints the
// samples taken, the coins missed, the poll period achieved and this process's CPU share.
//
//   bench_coinprog [COINS [INTERVAL_MS]]      (default 60 coins every 300 ms)
#include "app/AutoPrompts.h"
#include "coinprog/CoinProgModel.h"
#include "config/ChannelTable.h"
#include "device/CommLog.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "link/LinkHooks.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Counts the insertion counter requests: one per poll tick.
class TickCounter : public LogSink
{
public:
    void LogLine(const QString &line) override
    {
        if (line.startsWith(QLatin1String("-> ")) && line.mid(3, 8) == QLatin1String("020001E2"))
            ++ticks;
    }
    int ticks = 0;
};
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int coins = argc > 1 ? QByteArray(argv[1]).toInt() : 60;
    const int interval = argc > 2 ? QByteArray(argv[2]).toInt() : 300;
    QTemporaryDir dir;
    QFile::copy(QStringLiteral(RX_DATA_DIR "/rx30.ini"), dir.filePath(QStringLiteral("rx30.ini")));

    QProcess sim;
    const QString socket = dir.filePath(QStringLiteral("control.sock"));
    sim.start(QStringLiteral(RXSIM_PATH),
              {QStringLiteral("--erased"), QStringLiteral("--pace"), QStringLiteral("--control"), socket});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "rxsim did not start\n");
        return 1;
    }
    const QString pty = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QLocalSocket control;
    control.connectToServer(socket);
    if (!control.waitForConnected(3000))
        return 1;

    QTextStream err(stderr);
    AutoPrompts prompts(&err);
    CcTalkLink link;
    TickCounter counter;
    link.setLogSink(&counter);
    link.LoggingEnabled = true;
    link.setPortName(pty);
    if (!link.openPort()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(pty));
        return 1;
    }
    DeviceSession session(link, prompts, dir.path());
    ChannelTable channels;
    CoinProgModel model(session, channels, prompts);
    if (!model.openFromToolbar())
        return 1;
    model.windowOpened();

    control.write(QStringLiteral("burst c20 %1 %2\n").arg(coins).arg(interval).toUtf8());
    control.flush();
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    const int ticks0 = counter.ticks;
    // The burst plus two poll periods for the last coin.
    QTimer::singleShot(coins * interval + 2 * interval + 300, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpu0;
    const double seconds = wall.elapsed() / 1000.0;
    const int ticks = counter.ticks - ticks0;
    const int taken = int(model.samples().size());
    model.windowClosed();

    std::printf("coins inserted       %d (one every %d ms)\n", coins, interval);
    std::printf("samples taken        %d\n", taken);
    std::printf("coins missed         %d\n", coins - taken);
    std::printf("poll ticks           %d in %.2f s: period %.1f ms (nominal %d ms)\n", ticks, seconds,
                ticks ? 1000.0 * seconds / ticks : 0.0, CoinProgModel::PollMs);
    std::printf("CPU of this process  %.3f s = %.2f %% of a core\n", cpu, 100.0 * cpu / seconds);
    control.write("quit\n");
    control.flush();
    sim.waitForFinished(3000);
    return taken == coins ? 0 : 1;
}
