// Soak: identify -> upload -> edit -> download, cycle after cycle, against the in-process simulated
// selector without wire pacing, with a random fault in one cycle of ten. Prints what failed, whether
// every failure was reported, whether anything reached non-volatile memory after a failed write, and
// the resident memory at the first, middle and last cycle (it must not grow).
// Usage: bench_soak [CYCLES] [SEED]   (defaults 200 and 1)
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
#include <cstdio>
#include <random>
#include <unistd.h>

namespace {

using Kind = SelectorSim::FaultKind;

struct FaultChoice
{
    const char *name;
    Kind kind;
    bool unplug; // the selector goes silent from that frame to the end of the cycle
};
const FaultChoice faults[] = {
    {"checksum", Kind::CorruptChecksum, false},
    {"noreply", Kind::NoReply, false},
    {"late", Kind::LateReply, false},
    {"extra", Kind::ExtraBytes, false},
    {"noecho", Kind::NoEcho, false},
    {"nak", Kind::Nak, false},
    {"short", Kind::ShortReply, false},
    {"unplugged", Kind::NoReply, true},
};

// Counts the frames of a cycle and arms the fault on the chosen one (the link logs a frame
// before it writes it, so the fault meets that frame's reply).
struct Injector : LogSink
{
    SelectorSim *sim = nullptr;
    int frames = 0;
    int at = 0; // 1-based frame to hit; 0: none
    const FaultChoice *fault = nullptr;
    bool hitCommit = false;
    bool hitWrite = false;
    void LogLine(const QString &line) override
    {
        if (!line.startsWith(QLatin1String("-> ")))
            return;
        ++frames;
        if (frames != at || !fault)
            return;
        const QByteArray f = QByteArray::fromHex(line.mid(3).toLatin1());
        const bool memoryWrite = f.size() >= 6 && quint8(f[3]) == 255 && quint8(f[4]) == 3;
        hitCommit = memoryWrite && f.size() == 6;
        hitWrite = memoryWrite && f.size() > 6;
        if (fault->unplug) {
            sim->setUnplugged(true);
        } else {
            SelectorSim::Fault injected;
            injected.kind = fault->kind;
            sim->injectFault(injected);
        }
    }
};

long residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? qMax(1, atoi(argv[1])) : 200;
    const unsigned seed = argc > 2 ? unsigned(strtoul(argv[2], nullptr, 10)) : 1u;
    std::mt19937 random(seed);

    QTemporaryDir dir;
    for (const char *name : {"rx30.ini", "io.ini", "template.xml"}) {
        const QString target = dir.filePath(QLatin1String(name));
        QFile::copy(QStringLiteral(RX_BENCH_DATA_DIR "/") + QLatin1String(name), target);
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    const QString port = QStringLiteral("SOAKSIM");
    auto bus = SimulatorPort::registerPort(port);
    SelectorSim *sim = bus->selector(0);
    int commits = 0;
    sim->setPersistHook([&commits] { ++commits; });

    QString sink;
    QTextStream quiet(&sink);
    AutoPrompts prompts(&quiet);
    prompts.setAnswerYes(true);
    CcTalkLink link;
    link.setPortName(port);
    if (!link.openPort()) {
        std::fprintf(stderr, "cannot open the simulated port\n");
        return 1;
    }
    Injector injector;
    injector.sim = sim;
    link.setLogSink(&injector);
    link.LoggingEnabled = true;
    DeviceSession session(link, prompts, dir.path());
    ConfigWorkspace ws(session, prompts, dir.path());
    if (!ws.load()) {
        std::fprintf(stderr, "the workspace does not start\n");
        return 1;
    }

    int faulty = 0, failed = 0, reported = 0, unreported = 0, survived = 0;
    int committedAfterFailure = 0, lostAfterSuccess = 0, cleanFailures = 0;
    int framesPerCycle = 0;
    long rss[3] = {0, 0, 0};
    QElapsedTimer clock;
    clock.start();
    for (int cycle = 0; cycle < cycles; ++cycle) {
        // The first cycle is clean: it measures how many frames a cycle sends.
        const bool withFault = cycle > 0 && random() % 10 == 0;
        injector.frames = 0;
        injector.at = 0;
        injector.fault = nullptr;
        injector.hitCommit = injector.hitWrite = false;
        if (withFault) {
            injector.fault = &faults[random() % (sizeof faults / sizeof faults[0])];
            injector.at = 1 + int(random() % unsigned(qMax(1, framesPerCycle)));
            ++faulty;
        }
        const int errorsBefore = prompts.errors().size();

        bool ok = session.Identify() && ws.transfer().Upload() == ConfigTransfer::Done;
        const QByteArray nvBefore = sim->nvImage();
        const int commitsBefore = commits;
        bool downloaded = false;
        if (ok) {
            // What a user does between reading and writing: change one setting.
            ws.page().setParam(ConfigPage::RestTime, 1 + cycle % 200);
            downloaded = ws.transfer().Download() == ConfigTransfer::Done;
            ok = downloaded;
        }
        if (cycle == 0)
            framesPerCycle = injector.frames;

        if (!ok) {
            const QStringList errors = prompts.errors().mid(errorsBefore);
            std::fprintf(stderr, "cycle %d: %s at frame %d of %d failed: %s\n", cycle,
                         withFault ? injector.fault->name : "no fault", injector.at, injector.frames,
                         errors.isEmpty() ? "(nothing shown)" : qPrintable(errors.join(QLatin1String(" | "))));
            ++failed;
            if (!withFault)
                ++cleanFailures;
            if (prompts.errors().size() > errorsBefore)
                ++reported;
            else
                ++unreported;
            // A failed write must leave the stored configuration alone; a fault on the commit's
            // own reply may come after the selector stored it, which is no fault of the host.
            if (!injector.hitCommit && (commits != commitsBefore || sim->nvImage() != nvBefore))
                ++committedAfterFailure;
        } else {
            if (withFault)
                ++survived;
            const int at = 0x07A0 + ConfigPage::RestTime;
            if (quint8(sim->nvMemory(at, 1).at(0)) != ws.page().image().param(ConfigPage::RestTime))
                ++lostAfterSuccess;
        }
        sim->setUnplugged(false);
        sim->clearFaults();
        // The technician reads the error before trying again; a late reply drains meanwhile.
        if (withFault)
            CcTalkLink::PumpDelay(2000);

        if (cycle == 0)
            rss[0] = residentKiB();
        if (cycle == cycles / 2)
            rss[1] = residentKiB();
        if (cycle == cycles - 1)
            rss[2] = residentKiB();
        if ((cycle + 1) % 20 == 0)
            std::fprintf(stderr, "cycle %d of %d, %.0f s\n", cycle + 1, cycles, clock.elapsed() / 1000.0);
    }

    std::printf("cycles %d (seed %u), %d frames a clean cycle, %.1f s\n", cycles, seed, framesPerCycle,
                clock.elapsed() / 1000.0);
    std::printf("cycles with a fault %d: failed %d, completed regardless %d\n", faulty,
                failed - cleanFailures, survived);
    std::printf("failures %d: reported %d, unreported %d (must be 0), without a fault %d (must be 0)\n",
                failed, reported, unreported, cleanFailures);
    std::printf("stored after a failed write %d (must be 0), setting lost after a success %d (must be 0)\n",
                committedAfterFailure, lostAfterSuccess);
    std::printf("resident memory KiB: first %ld, middle %ld, last %ld\n", rss[0], rss[1], rss[2]);
    link.closePort();
    SimulatorPort::unregisterPort(port);
    const bool sound =
        unreported == 0 && cleanFailures == 0 && committedAfterFailure == 0 && lostAfterSuccess == 0;
    return sound ? 0 : 1;
}
