#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

// A program run on a pseudo-terminal of its own (its controlling terminal, standard input,
// output and error), as a user at a terminal runs it; the test types and reads at the master.
class PtyProcess
{
public:
    ~PtyProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_master >= 0)
            ::close(m_master);
    }

    // environment: "NAME=value" entries added to this process's own, without the ones named in drop.
    bool start(const QString &program, const QStringList &arguments, const QStringList &environment = {},
               const QStringList &drop = {})
    {
        std::vector<std::string> args{program.toStdString()};
        for (const QString &a : arguments)
            args.push_back(a.toStdString());
        std::vector<std::string> env;
        for (char **e = environ; *e; ++e) {
            const QString entry = QString::fromLocal8Bit(*e);
            if (!drop.contains(entry.section(QLatin1Char('='), 0, 0)))
                env.push_back(*e);
        }
        for (const QString &e : environment)
            env.push_back(e.toStdString());
        std::vector<char *> argv, envp;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto &e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        m_pid = forkpty(&m_master, nullptr, nullptr, nullptr);
        if (m_pid == 0) {
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        return m_pid > 0;
    }

    pid_t pid() const { return m_pid; }

    // Reads until text appears after what earlier waits consumed. false when the program
    // ended or stayed silent for the whole time first.
    bool waitFor(const QString &text, int ms = 60000)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            const bool more = readSome(0);
            const qsizetype at = output().indexOf(text, m_consumed);
            if (at >= 0) {
                m_consumed = at + text.size();
                return true;
            }
            if (!more || clock.elapsed() > ms)
                return false;
            readSome(100);
        }
    }

    void type(const QByteArray &bytes)
    {
        [[maybe_unused]] const ssize_t n = ::write(m_master, bytes.constData(), bytes.size());
    }

    // Reads to the end and returns the exit status; -1 when it did not end normally in time.
    int finish(int ms = 60000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms && readSome(100)) {
        }
        int status = 0;
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (clock.elapsed() > ms) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
                m_pid = -1;
                return -1;
            }
            ::usleep(20000);
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Everything the program wrote to its terminal so far, line ends as "\n".
    QString output() const { return QString::fromLocal8Bit(m_output).remove(QLatin1Char('\r')); }

private:
    // false once the program's side of the terminal is closed.
    bool readSome(int ms)
    {
        pollfd p{m_master, POLLIN, 0};
        const int ready = ::poll(&p, 1, ms);
        if (ready < 0)
            return errno == EINTR;
        if (ready == 0)
            return true;
        char buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            return n < 0 && errno == EINTR;
        m_output.append(buffer, n);
        return true;
    }

    pid_t m_pid = -1;
    int m_master = -1;
    QByteArray m_output;
    qsizetype m_consumed = 0;
};
