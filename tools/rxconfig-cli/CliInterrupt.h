#pragma once

// Ctrl-C, SIGTERM and SIGHUP as a request to stop, for as long as a Guard lives.
//
// A command that changes the selector's state for its duration (master inhibit, the boot
// monitor, a temporary output setting) holds a Guard: a signal then no longer kills the
// program but sets a flag the command checks between exchanges, so it can restore what it
// changed (or finish a write that must not be cut) and say what it left. Guards nest; the
// outermost installs the handlers and the last one out restores the previous ones.
//
// The PIN prompt (TerminalSecret) honours an active guard: a signal there cancels the
// question instead of killing the program.

#include <QObject>

class CliInterruptNotifier;

class CliInterrupt
{
public:
    class Guard
    {
    public:
        Guard();
        ~Guard();
        Guard(const Guard &) = delete;
        Guard &operator=(const Guard &) = delete;
    };

    // True when a guard is alive.
    static bool active();
    // The signal received since the outermost guard was made, 0 when none.
    static int received();
    static bool requested() { return received() != 0; }
    // Forget a received signal (a command that asked the user to go on anyway).
    static void clear();
    // Called from another signal handler (the PIN prompt's) to record the signal.
    static void note(int sig);
    // Emits stopRequested() from the event loop when a signal arrives under a guard, so a
    // command waiting in a QEventLoop wakes at once. Valid while a guard is alive.
    static CliInterruptNotifier *notifier();
};

class CliInterruptNotifier : public QObject
{
    Q_OBJECT
signals:
    void stopRequested();
};
