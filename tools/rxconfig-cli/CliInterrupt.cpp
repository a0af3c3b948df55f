#include "CliInterrupt.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

volatile sig_atomic_t g_received = 0;
int g_depth = 0;
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[kSignalCount];
CliInterruptNotifier *g_notifier = nullptr;
QSocketNotifier *g_socket = nullptr;

void onSignal(int sig)
{
    CliInterrupt::note(sig);
}
} // namespace

CliInterrupt::Guard::Guard()
{
    if (g_depth++ > 0)
        return;
    g_received = 0;
    // The wake-up pipe lets an event loop see the signal without polling the flag.
    if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        g_pipe[0] = g_pipe[1] = -1;
    g_notifier = new CliInterruptNotifier;
    if (g_pipe[0] >= 0) {
        g_socket = new QSocketNotifier(qintptr(g_pipe[0]), QSocketNotifier::Read);
        QObject::connect(g_socket, &QSocketNotifier::activated, g_notifier, [] {
            char c = 0;
            [[maybe_unused]] const ssize_t n = ::read(g_pipe[0], &c, 1);
            emit g_notifier->stopRequested();
        });
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking read (the PIN prompt) returns with EINTR and sees the flag.
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &action, &g_previous[i]);
}

CliInterrupt::Guard::~Guard()
{
    if (--g_depth > 0)
        return;
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
    delete g_socket;
    g_socket = nullptr;
    delete g_notifier;
    g_notifier = nullptr;
}

bool CliInterrupt::active()
{
    return g_depth > 0;
}

int CliInterrupt::received()
{
    return g_received;
}

void CliInterrupt::clear()
{
    g_received = 0;
}

void CliInterrupt::note(int sig)
{
    if (g_received == 0)
        g_received = sig;
    if (g_pipe[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &c, 1);
    }
}

CliInterruptNotifier *CliInterrupt::notifier()
{
    return g_notifier;
}
