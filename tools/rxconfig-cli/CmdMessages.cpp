// messages --base N: one language block of the message table, "N<TAB>text" in ascending order,
// texts exactly as stored (leading and trailing blanks included).
#include "CliCommand.h"
#include "CliContext.h"
#include "app/Messages.h"

#include <QTextStream>

namespace {
// "--base N", "--base=N" or a bare "N"; -1 when none of these.
int requestedBase(const QStringList &args)
{
    QString text;
    if (args.size() == 2 && args.at(0) == QLatin1String("--base"))
        text = args.at(1);
    else if (args.size() == 1 && args.at(0).startsWith(QLatin1String("--base=")))
        text = args.at(0).mid(7);
    else if (args.size() == 1)
        text = args.at(0);
    else if (args.isEmpty())
        text = QStringLiteral("1000");
    bool ok = false;
    const int base = text.toInt(&ok, 10);
    return ok && (base == 1000 || base == 2000 || base == 3000) ? base : -1;
}

int runMessages(CliContext &ctx)
{
    const int base = requestedBase(ctx.options.args);
    if (base < 0)
        return ctx.usageError(Msg(472) + ctx.options.args.join(QLatin1Char(' ')));
    for (int n = 0; n <= TResourceLocalizer::MaxNumber; ++n) {
        const QString text = TResourceLocalizer::LoadMessage(base, n);
        if (!text.isEmpty())
            ctx.out << n << '\t' << text << '\n';
    }
    ctx.out.flush();
    return 0;
}

const bool registered = CliCommandRegistry::add({QStringLiteral("messages"), QStringLiteral("--base N"), 471,
                                                 CliCommand::Device::None, 0, 2, &runMessages});
} // namespace
