// address NEW: the "ccTalk address" window.
#include "CliCommand.h"
#include "CliContext.h"
#include "app/AutoPrompts.h"
#include "app/Messages.h"
#include "config/IniFile.h"
#include "device/AddressChange.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"

namespace {
int runAddress(CliContext &ctx)
{
    bool ok = false;
    const int address = ctx.options.args.at(0).toInt(&ok, 10);
    if (!ok || !AddressChange::isHeld(address))
        return ctx.usageError(Msg(430) + ctx.options.args.at(0));
    AddressChange change(ctx.link, ctx.prompts);
    if (!change.Apply(address))
        return CliExitCodes::DeviceFailure;
    // The window's program would use the new address until it ends; a later run of this tool
    // starts from rx30.ini, so the address is remembered there at once.
    IniFile ini(ctx.session.iniPath());
    if (!ini.writeValue(QStringLiteral("SETTINGS"), QStringLiteral("ccTalkAddr"),
                        QStringLiteral("%1").arg(address, 2, 16, QLatin1Char('0')).toUpper())) {
        ctx.prompts.error(Msg(425) + ini.path() + QStringLiteral(": ") + ini.errorString());
        return CliExitCodes::FileError;
    }
    return 0;
}

const bool registered = CliCommandRegistry::add(
    {QStringLiteral("address"), QStringLiteral("NEW"), 443, CliCommand::Device::Port, 1, 1, &runAddress});
} // namespace
