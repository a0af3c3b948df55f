// ports: the port list a search walks, one name a line.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliJson.h"
#include "link/PortFactory.h"

#include <QJsonArray>
#include <QTextStream>

namespace {
int runPorts(CliContext &ctx)
{
    const QStringList ports = PortList::ports(ctx.options.ports);
    if (ctx.options.json) {
        CliJson::write(ctx.out, {{QStringLiteral("ports"), QJsonArray::fromStringList(ports)}});
        return 0;
    }
    for (const QString &name : ports)
        ctx.out << name << '\n';
    return 0;
}

const bool registered = CliCommandRegistry::add(
    {QStringLiteral("ports"), QString(), 440, CliCommand::Device::None, 0, 0, &runPorts});
} // namespace
