#include "TerminalSecret.h"
#include "CliInterrupt.h"

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
// What a signal handler needs to give the terminal its echo back.
struct termios savedMode;
volatile sig_atomic_t modeSaved = 0;
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

volatile sig_atomic_t underGuard = 0;

void restoreAndRaise(int sig)
{
    if (modeSaved)
        tcsetattr(STDIN_FILENO, TCSANOW, &savedMode);
    // A command holding an interruption guard restores the selector first: cancel the question.
    if (underGuard && sig != SIGQUIT) {
        CliInterrupt::note(sig);
        return;
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

// The controlling terminal for the question; stderr when there is none.
int questionFd()
{
    static const int fd = [] {
        const int tty = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
        return tty >= 0 ? tty : STDERR_FILENO;
    }();
    return fd;
}

void writeAll(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(questionFd(), p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        left -= n;
    }
}

// Echo off for as long as the object lives, also when a signal ends the program meanwhile.
class EchoOff
{
public:
    EchoOff()
    {
        if (tcgetattr(STDIN_FILENO, &savedMode) != 0)
            return;
        struct sigaction action = {};
        action.sa_handler = restoreAndRaise;
        sigemptyset(&action.sa_mask);
        underGuard = CliInterrupt::active() ? 1 : 0;
        for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
            sigaction(kSignals[i], &action, &m_previous[i]);
        modeSaved = 1;
        struct termios quiet = savedMode;
        quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHOE | ECHOK | ECHONL));
        // Flushing drops anything typed before the question, which the terminal has echoed.
        m_ok = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (!modeSaved)
            return;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedMode);
        modeSaved = 0;
        for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
            sigaction(kSignals[i], &m_previous[i], nullptr);
    }
    bool ok() const { return m_ok; }

private:
    struct sigaction m_previous[sizeof kSignals / sizeof kSignals[0]] = {};
    bool m_ok = false;
};
} // namespace

bool TerminalSecret::available()
{
    return isatty(STDIN_FILENO) == 1;
}

void TerminalSecret::say(const QString &line)
{
    writeAll(line.toLocal8Bit() + '\n');
}

bool TerminalSecret::read(const QString &question, QString &text)
{
    text.clear();
    if (!available() || CliInterrupt::requested())
        return false;
    QByteArray line;
    bool ended = false;
    {
        EchoOff quiet;
        // Without echo switched off the answer would show: do not ask at all.
        if (!quiet.ok())
            return false;
        writeAll(question.toLocal8Bit());
        for (;;) {
            char c = 0;
            const ssize_t n = ::read(STDIN_FILENO, &c, 1);
            if (n < 0 && errno == EINTR && !CliInterrupt::requested())
                continue;
            if (n <= 0) { // Ctrl-D: ends the line, or cancels on an empty one; a signal cancels
                ended = !line.isEmpty() && !CliInterrupt::requested();
                break;
            }
            if (c == '\n' || c == '\r') {
                ended = true;
                break;
            }
            // A secret is short; a runaway line is not one.
            if (line.size() < 256)
                line.append(c);
        }
    }
    writeAll("\n");
    text = QString::fromLocal8Bit(line).trimmed();
    line.fill('\0');
    return ended && !text.isEmpty();
}
