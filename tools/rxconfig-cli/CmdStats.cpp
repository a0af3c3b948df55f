// stats [--xls FILE.xls]: reads the statistics and prints "k<TAB>option<TAB>value" for the
// twenty slots; --xls also exports them.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliJson.h"
#include "app/Messages.h"
#include "stats/ConfigWorkspace.h"
#include "stats/StatisticsExport.h"

#include <QJsonArray>

namespace {
int runStats(CliContext &ctx)
{
    QString xls;
    const QStringList &args = ctx.options.args;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!takeOption(args, i, QStringLiteral("--xls"), &xls))
            return ctx.usageError(Msg(453) + a);
    }
    ConfigWorkspace ws(ctx.session, ctx.prompts, ctx.dataDir);
    if (!ws.load())
        return CliExitCodes::FileError;
    StatisticsPage &page = ws.statistics();
    if (!page.statisticsRead())
        return CliExitCodes::DeviceFailure;
    const QString options = page.optionsText();
    QJsonArray rows;
    for (int k = 1; k <= StatisticsPage::SlotCount; ++k) {
        // A code the catalogue lacks is shown as the code itself.
        const QString code = options.mid(2 * (k - 1), 2);
        const QString name = page.selection(k) >= 0 ? page.selectedName(k) : code;
        if (ctx.options.json)
            rows.append(QJsonObject{{QStringLiteral("slot"), k},
                                    {QStringLiteral("option"), code},
                                    {QStringLiteral("name"), name},
                                    {QStringLiteral("value"), QJsonValue(qint64(page.value(k)))}});
        else
            ctx.out << k << '\t' << name << '\t' << page.value(k) << '\n';
    }
    if (ctx.options.json)
        CliJson::write(ctx.out, {{QStringLiteral("slots"), rows}});
    ctx.out.flush();
    if (!xls.isEmpty() && !StatisticsExport::run(ctx.link, page, ctx.prompts, xls))
        return CliExitCodes::FileError;
    return 0;
}

const bool registered = CliCommandRegistry::add({QStringLiteral("stats"), QStringLiteral("[--xls FILE.xls]"),
                                                 514, CliCommand::Device::Identify, 0, 2, &runStats});
} // namespace
