// Times a full-template Upload and Download against the in-process simulated selector with
// wire pacing at 9600 baud, and prints the floor those transfers cannot beat: each exchange
// waits 10 ms before sending, then polls every 10 ms until the reply is complete, and the
// reply cannot be complete before its bytes and the echo of the command have crossed the
// wire (10 bit times a byte) and the selector's turnaround has passed.
#include "app/AutoPrompts.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "link/LinkHooks.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"
#include "stats/ConfigWorkspace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <cstdio>

namespace {

// Pairs each frame sent with the reply accepted for it.
struct Exchanges : LogSink
{
    QList<int> sent;    // bytes of each command frame
    QList<int> replied; // bytes of its reply, 0 when none came
    void LogLine(const QString &line) override
    {
        if (line.startsWith(QLatin1String("-> "))) {
            sent.append((line.size() - 3) / 2);
            replied.append(0);
        } else if (line.startsWith(QLatin1String("<- ")) && !replied.isEmpty()) {
            replied.last() = (line.size() - 3) / 2;
        }
    }
    void clear()
    {
        sent.clear();
        replied.clear();
    }
    // The time the logged exchanges take with polls of exactly 10 ms (granular), and the
    // bare minimum (wire): start wait, then at least one poll and at least the wire time.
    // A poll that overruns its 10 ms can end an exchange between the two.
    double floorMs(int baud, int turnaroundMs, bool granular) const
    {
        const double byteMs = 10.0 * 1000.0 / baud;
        double total = 0;
        for (int i = 0; i < sent.size(); ++i) {
            const double ready = (sent[i] + replied[i]) * byteMs + turnaroundMs;
            total +=
                10.0 + (granular ? 10.0 * std::max(1.0, std::ceil(ready / 10.0)) : std::max(10.0, ready));
        }
        return total;
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    for (const char *name : {"rx30.ini", "io.ini", "template.xml"}) {
        const QString target = dir.filePath(QLatin1String(name));
        QFile::copy(QStringLiteral(RX_BENCH_DATA_DIR "/") + QLatin1String(name), target);
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    auto bus = SimulatorPort::registerPort(QStringLiteral("BENCHSIM"));
    bus->setPacing(true);
    const int turnaround = bus->selector(0)->turnaroundMs();

    QString sink;
    QTextStream quiet(&sink);
    AutoPrompts prompts(&quiet);
    prompts.setAnswerYes(true);
    CcTalkLink link;
    link.setPortName(QStringLiteral("BENCHSIM"));
    if (!link.openPort() || !link.SetBaud(9600)) {
        std::fprintf(stderr, "cannot open the simulated port\n");
        return 1;
    }
    Exchanges exchanges;
    link.setLogSink(&exchanges);
    link.LoggingEnabled = true;
    DeviceSession session(link, prompts, dir.path());
    ConfigWorkspace ws(session, prompts, dir.path());
    ws.load();

    exchanges.clear();
    QElapsedTimer timer;
    timer.start();
    if (ws.transfer().Upload() != ConfigTransfer::Done) {
        std::fprintf(stderr, "upload failed: %s\n", qPrintable(prompts.errors().join(QLatin1Char(' '))));
        return 1;
    }
    const double upMs = timer.nsecsElapsed() / 1e6;
    const double upFloor = exchanges.floorMs(9600, turnaround, true);
    const double upWire = exchanges.floorMs(9600, turnaround, false);
    const int upExchanges = exchanges.sent.size();

    exchanges.clear();
    timer.restart();
    if (ws.transfer().Download() != ConfigTransfer::Done) {
        std::fprintf(stderr, "download failed: %s\n", qPrintable(prompts.errors().join(QLatin1Char(' '))));
        return 1;
    }
    const double downMs = timer.nsecsElapsed() / 1e6;
    // Download also waits 100 ms before the statistics read-back and the commit.
    const double downFloor = exchanges.floorMs(9600, turnaround, true) + 100.0;
    const double downWire = exchanges.floorMs(9600, turnaround, false) + 100.0;
    const int downExchanges = exchanges.sent.size();

    std::printf("upload:   %4d exchanges  %8.1f ms  poll floor %8.1f ms (%+.1f%%)  wire floor %8.1f ms\n",
                upExchanges, upMs, upFloor, 100.0 * (upMs - upFloor) / upFloor, upWire);
    std::printf("download: %4d exchanges  %8.1f ms  poll floor %8.1f ms (%+.1f%%)  wire floor %8.1f ms\n",
                downExchanges, downMs, downFloor, 100.0 * (downMs - downFloor) / downFloor, downWire);
    link.closePort();
    SimulatorPort::unregisterPort(QStringLiteral("BENCHSIM"));
    return 0;
}
