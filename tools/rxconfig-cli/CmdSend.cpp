// send HEX: the command terminal; prints the log lines of the exchange, PINs hidden.
#include "CliCommand.h"
#include "CliContext.h"
#include "app/Messages.h"
#include "CliSecrets.h"
#include "device/CommLog.h"
#include "device/CommandTerminal.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"

#include <QTextStream>

namespace {
int runSend(CliContext &ctx)
{
    const QString text = ctx.options.args.join(QString());
    // Half a byte would be dropped without a word: the whole command is refused instead.
    if (CommandTerminal::normalise(text).size() % 2 != 0)
        return ctx.usageError(Msg(644) + text);
    const QString problem = CommandTerminal::problem(text);
    if (!problem.isEmpty()) {
        ctx.prompts.error(problem);
        return CliExitCodes::Usage;
    }
    // The access check needs the masks, which only identification reads.
    if (CommandTerminal::needsAccessCheck(text) && !ctx.identifyQuietly())
        return CliExitCodes::DeviceFailure;
    QStringList lines;
    const auto connection =
        QObject::connect(&ctx.log, &CommLog::lineAdded, [&lines](const QString &line) { lines << line; });
    CommandTerminal terminal(ctx.session);
    const int result = terminal.SendCommand(text);
    QObject::disconnect(connection);
    for (const QString &line : std::as_const(lines))
        ctx.out << CliSecrets::hidePin(line) << '\n';
    if (result == CommandTerminal::Rejected)
        return CliExitCodes::Usage;
    if (result == CommandTerminal::NoReply)
        ctx.prompts.error(Msg(645) + QString::number(ctx.link.DeviceAddress));
    else if (result == CommandTerminal::Refused)
        ctx.prompts.error(Msg(646));
    return result == CommandTerminal::Sent ? 0 : CliExitCodes::DeviceFailure;
}

const bool registered = CliCommandRegistry::add(
    {QStringLiteral("send"), QStringLiteral("HEX"), 442, CliCommand::Device::Port, 1, -1, &runSend});
} // namespace
