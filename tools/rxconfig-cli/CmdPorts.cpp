// ports: the port list a search walks, one name a line.
#include "CliCommand.h"
#include "CliContext.h"
#include "link/PortFactory.h"

#include <QTextStream>

namespace {
int runPorts(CliContext &ctx)
{
    for (const QString &name : PortList::ports(ctx.options.ports))
        ctx.out << name << '\n';
    return 0;
}

const bool registered = CliCommandRegistry::add(
    {QStringLiteral("ports"), QString(), 440, CliCommand::Device::None, 0, 0, &runPorts});
} // namespace
