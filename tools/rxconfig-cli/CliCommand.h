#pragma once

// The command registry of rxconfig-cli.
//
// Each command lives in its own source file in this folder and registers itself at static
// initialisation, so adding a command never touches a central switch:
//
//   namespace {
//   int runStats(CliContext &ctx) { ... return 0; }
//   const bool registered = CliCommandRegistry::add(
//       {"stats", "[FILE]", 460, CliCommand::Device::Identify, 0, 1, &runStats});
//   }
//
// name: the word typed after the options. arguments: the argument synopsis for the usage text.
// summaryMessage: message number of the one-line description. device: what main() prepares
// before the handler runs:
//   None      nothing (no port is opened),
//   Port      the current port opened and DeviceAddress set, no identification,
//   Identify  as Port, then Identify at DeviceAddress, quietly unless it fails; the handler
//             runs only after it succeeded (what every toolbar operation does first).
// minArgs/maxArgs: the count of positional arguments after the name (maxArgs < 0: any).
// run: returns the exit status, 0 on success. When it returns 0 but errors were shown, the
// status follows from those messages (CliExitCodes).
//
// Exit statuses: 0 success, 1 device or communication failure, 2 usage, 3 file error,
// 4 a confirmation declined (nothing changed); diff has its own (1 different, 5 not read). A command
// whose failure messages are new registers their statuses with CliExitCodes::set() the same way.

#include <QList>
#include <QString>
#include <functional>

class CliContext;

struct CliCommand
{
    enum class Device { None, Port, Identify };

    QString name;
    QString arguments;
    int summaryMessage = 0;
    Device device = Device::Identify;
    int minArgs = 0;
    int maxArgs = 0;
    std::function<int(CliContext &)> run;
};

class CliCommandRegistry
{
public:
    // false (and nothing registered) when the name is taken.
    static bool add(const CliCommand &command);
    static const CliCommand *find(const QString &name);
    // In name order.
    static QList<CliCommand> all();
};

// The exit status each failing message stands for.
class CliExitCodes
{
public:
    // Declined: a confirmation was answered No (without --yes); nothing was changed.
    enum Status { Success = 0, DeviceFailure = 1, Usage = 2, FileError = 3, Declined = 4 };

    static bool set(int message, int status);
    // The status of a shown text: the registered message it begins with (the longest such),
    // DeviceFailure for any other text.
    static int forText(const QString &text);
    // The highest status among the texts, Success for none.
    static int forTexts(const QStringList &texts);
};
