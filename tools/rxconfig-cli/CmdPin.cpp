// pin OLD NEW: the "PIN" window; the new PIN is its own confirmation.
#include "CliCommand.h"
#include "CliContext.h"
#include "app/AutoPrompts.h"
#include "device/PinChange.h"

namespace {
int runPin(CliContext &ctx)
{
    PinChange change(ctx.link, ctx.prompts);
    const QString newPin = ctx.options.args.at(1);
    return change.Apply(ctx.options.args.at(0), newPin, newPin) ? 0 : CliExitCodes::DeviceFailure;
}

const bool registered = CliCommandRegistry::add(
    {QStringLiteral("pin"), QStringLiteral("OLD NEW"), 444, CliCommand::Device::Port, 2, 2, &runPin});
} // namespace
