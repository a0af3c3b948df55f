// Times Transact for a simple poll answered at once by the loopback port.
// The floor is the 10 ms start wait plus one 10 ms poll.
// With --log every exchange also goes through the communication log: decoded, kept in the
// 2001-line list and mirrored to log.txt in a temporary folder.
#include "device/CommLog.h"
#include "link/CcTalkLink.h"
#include "link/LoopbackPort.h"
#include "link/PortFactory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int runs = 200;
    bool withLog = false;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--log")
            withLog = true;
        else
            runs = std::max(10, atoi(argv[i]));
    }
    PortFactory::registerVirtual(QStringLiteral("LOOP"), [] {
        auto port = std::make_unique<LoopbackPort>(QStringLiteral("LOOP"));
        port->setResponder([](const QByteArray &) { return QByteArray("\x01\x00\x02\x00\xFD", 5); });
        return port;
    });
    CcTalkLink link;
    link.setPortName(QStringLiteral("LOOP"));
    link.openPort();
    QTemporaryDir dir;
    CommLog log(dir.path(), nullptr);
    if (withLog) {
        link.setLogSink(&log);
        link.LoggingEnabled = true;
        log.setLogToFile(true);
    }

    std::vector<double> wall;
    wall.reserve(runs);
    const std::clock_t cpu0 = std::clock();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        QByteArray reply;
        if (link.Transact(2, QByteArray(1, char(254)), 5, reply) != CcTalkLink::Ok) {
            std::fprintf(stderr, "transaction %d failed\n", i);
            return 1;
        }
        wall.push_back(t.nsecsElapsed() / 1e6);
    }
    const double cpuMs = 1000.0 * double(std::clock() - cpu0) / CLOCKS_PER_SEC / runs;
    std::sort(wall.begin(), wall.end());
    const double median = wall[wall.size() / 2];
    const double p95 = wall[std::min(wall.size() - 1, wall.size() * 95 / 100)];
    std::printf("simple poll via loopback, %d transactions%s\n", runs,
                withLog ? ", logged, decoded and mirrored to log.txt" : "");
    std::printf("wall median %.2f ms, p95 %.2f ms (floor 20.00 ms: %.1f%% over)\n", median, p95,
                100.0 * (median - 20.0) / 20.0);
    std::printf("cpu per transaction %.3f ms\n", cpuMs);
    return 0;
}
