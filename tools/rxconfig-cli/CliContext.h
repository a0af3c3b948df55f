#pragma once

#include "app/AutoPrompts.h"
#include "device/CommLog.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// The global options of rxconfig-cli, parsed before the command runs.
struct CliOptions
{
    QStringList ports; // --port, in order; the first is the current port
    int address = -1;  // --address, -1 when not given
    QString pin;       // --pin
    QString dataDir;   // --data-dir
    QString logFile;   // --log: every exchange, decoded, one per line
    bool yes = false;  // --yes
    bool demo = false; // --demo
    bool help = false; // --help
    bool json = false; // --json: reports as JSON on stdout, errors as JSON on stderr
    QString language;  // --language en|it|hr: the messages' language
    QString command;   // the command word
    QStringList args;  // its arguments

    // Secrets kept off the command line, where other users see them.
    QString pinFile;             // --pin-file
    QString factoryPasswordFile; // --factory-password-file

    // The message block of a language code (en 1000, it 2000, hr 3000), 0 for another.
    static int languageBase(const QString &code);
    // "" on success, else the usage message to show.
    static QString parse(const QStringList &arguments, CliOptions &out);
};

// What a command handler works with. Messages go to stderr through the prompts, results to out.
class CliContext
{
public:
    CliContext(const CliOptions &options, QTextStream &out, QTextStream &err, AutoPrompts &prompts,
               CcTalkLink &link, DeviceSession &session, CommLog &log, const QString &dataDir)
        : options(options), out(out), err(err), prompts(prompts), link(link), session(session), log(log),
          dataDir(dataDir)
    {
    }

    // The current port: the first --port, else rx30.ini's "ComPort".
    QString currentPort() const { return m_currentPort; }
    void setCurrentPort(const QString &port) { m_currentPort = port; }

    // Identify at DeviceAddress without a word unless it fails; then the reason is shown
    // (also when the selector simply does not answer). True when identified.
    bool identifyQuietly();
    // Opens the current port; a port that will not open is explained. True when open.
    bool openCurrentPort();
    // Shows the usage text and returns the usage status.
    int usageError(const QString &text);
    // Prints why ports were skipped by the last search, once each.
    void printPortProblems();
    // A progress or information text on stderr (a JSON line with --json).
    void note(const QString &text) { prompts.information(text); }
    // The exit status for a handler's result and the messages shown meanwhile.
    int exitStatus(int handlerResult) const;

    const CliOptions &options;
    QTextStream &out;
    QTextStream &err;
    AutoPrompts &prompts;
    CcTalkLink &link;
    DeviceSession &session;
    CommLog &log;
    const QString dataDir;

private:
    QString m_currentPort;
};

// The usage text: synopsis, options and every registered command.
QString cliUsageText();

// The first option of a command's synopsis that takes a value ("[--count N]", "-o FILE") but is
// given without one in args (last, empty after '=', or followed by another of its options);
// empty when every such option has its value.
QString optionWithoutValue(const QString &synopsis, const QStringList &args);

// A command's own option, as "--name VALUE" or "--name=VALUE" at args[i]; advances i past the
// value it took. false when args[i] is not that option.
bool takeOption(const QStringList &args, int &i, const QString &name, QString *value);
