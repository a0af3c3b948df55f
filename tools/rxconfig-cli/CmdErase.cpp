// erase [--channels LIST] [--stats LIST]: the erasing window's logic, then the statistics
// read that follows it. LIST is "all" or numbers and ranges ("1,3-5").
#include "CliCommand.h"
#include "CliContext.h"
#include "app/Messages.h"
#include "stats/ConfigWorkspace.h"

namespace {
// The numbers of a list within 1..highest; false when the text is not such a list.
bool parseList(const QString &text, int highest, QList<int> &out)
{
    out.clear();
    if (text.trimmed().compare(QStringLiteral("all"), Qt::CaseInsensitive) == 0) {
        for (int n = 1; n <= highest; ++n)
            out << n;
        return true;
    }
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        if (ends.size() > 2)
            return false;
        bool ok1 = false;
        bool ok2 = false;
        const int from = ends.first().trimmed().toInt(&ok1, 10);
        const int to = ends.last().trimmed().toInt(&ok2, 10);
        if (!ok1 || !ok2 || from < 1 || to > highest || from > to)
            return false;
        for (int n = from; n <= to; ++n)
            out << n;
    }
    return true;
}

int runErase(CliContext &ctx)
{
    QString channels;
    QString stats;
    const QStringList &args = ctx.options.args;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!takeOption(args, i, QStringLiteral("--channels"), &channels) &&
            !takeOption(args, i, QStringLiteral("--stats"), &stats))
            return ctx.usageError(Msg(453) + a);
    }
    QList<int> channelList;
    QList<int> statList;
    if (!channels.isEmpty() && !parseList(channels, ErasingModel::ChannelCount, channelList))
        return ctx.usageError(Msg(517) + channels);
    if (!stats.isEmpty() && !parseList(stats, ErasingModel::SlotCount, statList))
        return ctx.usageError(Msg(517) + stats);

    ConfigWorkspace ws(ctx.session, ctx.prompts, ctx.dataDir);
    if (!ws.load())
        return CliExitCodes::FileError;
    ErasingModel &erasing = ws.erasing();
    for (int n : channelList)
        erasing.setChannelChecked(n, true);
    for (int k : statList)
        erasing.setStatChecked(k, true);
    const int errorsBefore = ctx.prompts.errors().size();
    const bool closed = erasing.erase();
    if (!closed && ctx.prompts.errors().size() == errorsBefore) {
        ctx.prompts.error(Msg(643)); // the question was answered No: nothing was sent
        return CliExitCodes::Declined;
    }
    // The toolbar's Erase reads the statistics afterwards, whatever happened.
    ws.statistics().statisticsRead();
    if (!closed)
        return CliExitCodes::DeviceFailure;
    return ctx.prompts.errors().size() > errorsBefore ? CliExitCodes::DeviceFailure : 0;
}

const bool registered =
    CliCommandRegistry::add({QStringLiteral("erase"), QStringLiteral("[--channels LIST] [--stats LIST]"), 515,
                             CliCommand::Device::Identify, 0, 4, &runErase});
} // namespace
