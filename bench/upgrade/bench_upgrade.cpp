// Times the transfer of a 64 KiB firmware image through the boot monitor of the in-process
// simulated selector with wire pacing, at 9600 and at 38400 baud, and prints the floor the
// transfer cannot beat: every record frame and its status byte cross the wire (10 bit times a
// byte, the echo of the frame arriving with it), and each exchange then waits for the next
// 10 ms poll. The image is made by binutils objcopy (-O srec) with 32 data bytes a record.
//
// Usage: bench_upgrade [KIB] [RECORD_BYTES]
#include "app/AutoPrompts.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/FirmwareUpgrade.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <cstdio>

namespace {

QString makeFirmware(const QString &dir, const QByteArray &identity, int size, int recordBytes)
{
    QByteArray image;
    for (int i = 0; i < size; ++i)
        image.append(char((i * 73 + 19) & 0xFF));
    QFile bin(QDir(dir).filePath(QStringLiteral("image.bin")));
    if (!bin.open(QIODevice::WriteOnly))
        return QString();
    bin.write(image);
    bin.close();
    QProcess objcopy;
    objcopy.setWorkingDirectory(dir);
    objcopy.start(QStringLiteral("objcopy"),
                  {QStringLiteral("-I"), QStringLiteral("binary"), QStringLiteral("-O"),
                   QStringLiteral("srec"), QStringLiteral("--srec-len=%1").arg(recordBytes), bin.fileName(),
                   QString::fromLatin1(identity)});
    if (!objcopy.waitForFinished(60000) || objcopy.exitCode() != 0)
        return QString();
    const QString target = QDir(dir).filePath(QString::fromLatin1(identity) + QStringLiteral(".u19"));
    QFile::remove(target);
    return QFile::rename(QDir(dir).filePath(QString::fromLatin1(identity)), target) ? target : QString();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int kib = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 64;
    const int recordBytes = argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 32;
    QTemporaryDir dir;
    for (const char *name : {"rx30.ini", "io.ini", "template.xml"})
        QFile::copy(QStringLiteral(RX_BENCH_DATA_DIR "/") + QLatin1String(name),
                    dir.filePath(QLatin1String(name)));

    for (const int baud : {9600, 38400}) {
        const QString port = QStringLiteral("BENCHUPG%1").arg(baud);
        std::shared_ptr<SimBus> bus = SimulatorPort::registerPort(port);
        bus->setPacing(true);
        SelectorSim *sim = bus->selector(0);
        sim->setMonitorBaud(baud);
        sim->enterMonitor();
        const QString fw = makeFirmware(dir.path(), sim->monitorIdentity(), kib * 1024, recordBytes);
        FirmwareFile file;
        if (fw.isEmpty() || !file.load(fw)) {
            std::fprintf(stderr, "objcopy could not make the image\n");
            return 1;
        }

        CcTalkLink link;
        AutoPrompts prompts;
        DeviceSession session(link, prompts, dir.path());
        FirmwareUpgrade upgrade(link, session, prompts);
        upgrade.setFileName(fw);
        upgrade.setSettleMs(0);
        link.setPortName(port);
        link.openPort();
        if (upgrade.start_monitor() != FirmwareUpgrade::MonitorAnswered) {
            std::fprintf(stderr, "no monitor at %d baud\n", baud);
            return 1;
        }

        // The floor: each frame, its echo and the status byte on the wire, plus the monitor's
        // programming time, rounded up to the next 10 ms poll.
        const double byteMs = 10.0 * 1000.0 / baud;
        const int programmingMs = 4;
        double wire = 0, granular = 0;
        for (int i = 0; i < file.lineCount(); ++i) {
            const QByteArray frame = FirmwareFile::frame(file.lines().at(i), i == 0);
            const double ready = (frame.size() + 1) * byteMs + programmingMs;
            wire += ready;
            granular += 10.0 * std::max(1.0, std::ceil(ready / 10.0));
        }

        QElapsedTimer clock;
        clock.start();
        const FirmwareUpgrade::Outcome outcome = upgrade.download_prgm();
        const double measured = double(upgrade.elapsedMs());
        out << QStringLiteral(
                   "%1 KiB, %2 records of %3 bytes at %4 baud: %5 ms (%6); floor %7 ms with 10 ms polls "
                   "(%8 %), wire and programming alone %9 ms (%10 %)\n")
                   .arg(kib)
                   .arg(file.lineCount())
                   .arg(recordBytes)
                   .arg(baud)
                   .arg(measured, 0, 'f', 0)
                   .arg(outcome == FirmwareUpgrade::Finished ? QStringLiteral("finished")
                                                             : QStringLiteral("FAILED"))
                   .arg(granular, 0, 'f', 0)
                   .arg(100.0 * measured / granular, 0, 'f', 1)
                   .arg(wire, 0, 'f', 0)
                   .arg(100.0 * measured / wire, 0, 'f', 1);
        out.flush();
        link.closePort();
        SimulatorPort::unregisterPort(port);
    }
    return 0;
}
