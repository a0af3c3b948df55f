// rxsim: a simulated coin selector on a pseudo-terminal, for tests and for trying the
// configuration tool without hardware.

#include "ControlServer.h"
#include "PtyBridge.h"
#include "SimOptions.h"

#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimStateFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

int fail(const QString &text, int code)
{
    std::fprintf(stderr, "rxsim: %s\n", qPrintable(text));
    return code;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rxsim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RX_VERSION_TEXT));

    SimOptions options;
    if (!options.parse(QCoreApplication::arguments()))
        return fail(options.message, 2);
    if (options.exitNow) {
        std::fputs(qPrintable(options.message), stdout);
        return 0;
    }

    SimBus bus;
    auto selector = std::make_unique<SelectorSim>(options.erased);
    SelectorSim *sim = selector.get();
    bus.addSelector(std::move(selector));
    bus.setPacing(options.pace);

    QString error;
    if (!options.state.isEmpty() && QFileInfo::exists(options.state) &&
        !SimStateFile::load(options.state, *sim, &error))
        return fail(error, 3);
    if (!options.apply(*sim, &error))
        return fail(error, 2);
    if (!options.state.isEmpty()) {
        const QString path = options.state;
        // The selector on the bus, which the control line "next" may replace.
        sim->setPersistHook([&bus, path] {
            QString why;
            if (!SimStateFile::save(path, *bus.selector(0), &why))
                std::fprintf(stderr, "rxsim: %s\n", qPrintable(why));
        });
        if (!SimStateFile::save(path, *sim, &error))
            return fail(error, 3);
    }

    PtyBridge pty(&bus);
    if (!pty.open(&error))
        return fail(error, 1);

    ControlServer control(&bus);
    if (!options.control.isEmpty() && !control.listen(options.control, &error))
        return fail(error, 1);
    QObject::connect(&control, &ControlServer::quitRequested, &app, &QCoreApplication::quit);

    if (!options.link.isEmpty()) {
        QFile::remove(options.link); // a link left by an earlier run
        if (!QFile::link(pty.slavePath(), options.link))
            return fail(QStringLiteral("cannot create the link %1").arg(options.link), 1);
    }

    // SIGTERM and SIGINT end the event loop, so the link and socket are removed.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(qintptr(signalPipe[0]), QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGINT, onSignal);
    }
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("%s\n", qPrintable(pty.slavePath()));
    std::fflush(stdout);

    const int rc = QCoreApplication::exec();
    if (!options.link.isEmpty())
        QFile::remove(options.link);
    if (!options.control.isEmpty())
        QFile::remove(options.control);
    return rc;
}
