// pin OLD NEW: the "PIN" window; the new PIN is its own confirmation. A "-" keeps a value off
// the command line: the PIN comes from --pin-file or RXCONFIG_PIN, the new one from
// --new-pin-file or RXCONFIG_NEW_PIN, and either from the terminal when none is given.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliPrompts.h"
#include "CliSecrets.h"
#include "TerminalSecret.h"
#include "app/Messages.h"
#include "device/PasswordRules.h"
#include "device/PinChange.h"

namespace {
const QString kAsk = QStringLiteral("-");

enum class Source { Given, Cancelled, Failed };

// Value "-": the secret given elsewhere, else typed on the terminal (twice for a new PIN).
Source takeValue(CliContext &ctx, const CliSecrets::Secret &elsewhere, int question, int confirmQuestion,
                 const QString &fileOption, const QString &variable, QString &value, QString &confirmation)
{
    if (elsewhere.given) {
        value = confirmation = elsewhere.value;
        return Source::Given;
    }
    if (!TerminalSecret::available()) {
        CliPrompts::noTerminal(ctx.prompts, Msg(question), fileOption, variable);
        return Source::Failed;
    }
    const Prompts::Validator rules = PasswordRules::validator(Msg(116));
    if (!CliPrompts::askOnTerminal(Msg(question), rules, value))
        return Source::Cancelled;
    confirmation = value;
    if (confirmQuestion && !CliPrompts::askOnTerminal(Msg(confirmQuestion), rules, confirmation))
        return Source::Cancelled;
    return Source::Given;
}

int runPin(CliContext &ctx)
{
    QString newPinFile;
    QStringList values;
    const QStringList &args = ctx.options.args;
    for (int i = 0; i < args.size(); ++i)
        if (!takeOption(args, i, QStringLiteral("--new-pin-file"), &newPinFile))
            values << args.at(i);
    if (values.size() < 2)
        return ctx.usageError(Msg(433) + QStringLiteral("pin OLD NEW"));
    if (values.size() > 2)
        return ctx.usageError(Msg(434) + values.mid(2).join(QLatin1Char(' ')));

    QString pin = values.at(0);
    QString newPin = values.at(1);
    QString confirmation = newPin;
    QString ignored;
    QString problem;
    if (pin == kAsk) {
        CliSecrets::Secret current;
        if (!CliSecrets::resolve(ctx.options.pin, ctx.options.pinFile, "RXCONFIG_PIN", current, problem)) {
            ctx.prompts.error(problem);
            return CliExitCodes::FileError;
        }
        const Source s = takeValue(ctx, current, 56, 0, QStringLiteral("--pin-file"),
                                   QStringLiteral("RXCONFIG_PIN"), pin, ignored);
        if (s != Source::Given)
            return CliExitCodes::DeviceFailure;
    }
    if (newPin == kAsk) {
        CliSecrets::Secret wanted;
        if (!CliSecrets::resolve(QString(), newPinFile, "RXCONFIG_NEW_PIN", wanted, problem)) {
            ctx.prompts.error(problem);
            return CliExitCodes::FileError;
        }
        const Source s = takeValue(ctx, wanted, 57, 59, QStringLiteral("--new-pin-file"),
                                   QStringLiteral("RXCONFIG_NEW_PIN"), newPin, confirmation);
        if (s != Source::Given)
            return CliExitCodes::DeviceFailure;
    }
    // A PIN of the wrong shape is an input error, found before the port is touched.
    const QString given[2] = {pin, newPin};
    for (const QString &value : given) {
        const int problem = value.size() != 8 ? 161 : PasswordRules::isHexText(value) ? 0 : 160;
        if (problem) {
            ctx.prompts.error(Msg(problem));
            return CliExitCodes::Usage;
        }
    }
    if (!ctx.openCurrentPort())
        return CliExitCodes::DeviceFailure;
    PinChange change(ctx.link, ctx.prompts);
    if (change.Apply(pin, newPin, confirmation))
        return 0;
    const int status = CliExitCodes::forTexts(ctx.prompts.errors());
    return status == CliExitCodes::Success ? CliExitCodes::DeviceFailure : status;
}

const bool registered =
    CliCommandRegistry::add({QStringLiteral("pin"), QStringLiteral("OLD NEW [--new-pin-file FILE]"), 444,
                             CliCommand::Device::None, 2, 4, &runPin});
} // namespace
