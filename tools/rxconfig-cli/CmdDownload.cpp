// download FILE.xml [--sections LIST] [--changed-only] [--verify]: File Open of the chosen
// sections, then Download; --verify reads the written blocks back once they are committed.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliJson.h"
#include "app/Messages.h"
#include "files/BlockCompare.h"
#include "files/SectionChoice.h"
#include "stats/ConfigWorkspace.h"

#include <QJsonArray>

namespace {
int runDownload(CliContext &ctx)
{
    QString input;
    QString sections = QStringLiteral("all");
    bool changedOnly = false;
    bool verify = false;
    const QStringList &args = ctx.options.args;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (takeOption(args, i, QStringLiteral("--sections"), &sections))
            continue;
        if (a == QLatin1String("--changed-only")) {
            changedOnly = true;
            continue;
        }
        if (a == QLatin1String("--verify")) {
            verify = true;
            continue;
        }
        if (input.isEmpty() && !a.startsWith(QLatin1Char('-')))
            input = a;
        else
            return ctx.usageError(Msg(453) + a);
    }
    if (input.isEmpty())
        return ctx.usageError(Msg(433) + QStringLiteral("FILE.xml"));

    ConfigWorkspace ws(ctx.session, ctx.prompts, ctx.dataDir);
    if (!ws.load())
        return CliExitCodes::FileError;
    QString unknown;
    if (!SectionChoice::install(ws.tree(), sections, &unknown))
        return ctx.usageError(Msg(516) + unknown);
    // No window was looked at: exactly the blocks the file holds are written, nothing of the
    // start-up configuration, and a file cut short is refused before anything is sent.
    ws.files().setRequireWholeFile(true);
    if (ws.files().FileOpen(input) != ConfigFiles::Done)
        return CliExitCodes::FileError;
    // The sections chosen for the file are the ones downloaded.
    ws.tree().showHook = [](SectionTree &) { return true; };
    QSet<int> unchanged;
    if (changedOnly) {
        // Read the chosen blocks first; those the selector already holds are not written.
        ws.tree().showHook = [&ctx, &unchanged](SectionTree &tree) {
            unchanged = BlockCompare::unchangedNodes(BlockCompare::againstSelector(tree, ctx.session));
            return true;
        };
        ws.transfer().writeFilter = [&unchanged](int node) { return !unchanged.contains(node); };
    }
    ws.transfer().verifyWrites = [verify] { return verify; };
    // Every block the walk came to, and whether it was written.
    QList<QPair<int, bool>> walked;
    if (ctx.options.json) {
        const std::function<bool(int)> filter = ws.transfer().writeFilter;
        ws.transfer().writeFilter = [filter, &walked](int node) {
            walked.append({node, !filter || filter(node)});
            return walked.last().second;
        };
    }
    switch (ws.transfer().Download(ConfigTransfer::Source::Document)) {
    case ConfigTransfer::Done:
        if (ctx.options.json) {
            QJsonArray blocks;
            int written = 0;
            for (const auto &w : std::as_const(walked)) {
                QJsonObject block = CliJson::block(ws.tree(), w.first);
                block.insert(QStringLiteral("written"), w.second);
                blocks.append(block);
                written += w.second ? 1 : 0;
            }
            CliJson::write(ctx.out, {{QStringLiteral("file"), input},
                                     {QStringLiteral("written"), written},
                                     {QStringLiteral("unchanged"), int(walked.size()) - written},
                                     {QStringLiteral("verified"), verify},
                                     {QStringLiteral("blocks"), blocks}});
        }
        return 0;
    case ConfigTransfer::NothingToSend:
        return CliExitCodes::FileError;
    default:
        return CliExitCodes::DeviceFailure;
    }
}

// Messages of the configuration files that stand for a file error.
const bool fileStatuses = [] {
    for (int message : {29, 91, 640, 500, 501, 502, 503, 505, 506, 508})
        CliExitCodes::set(message, CliExitCodes::FileError);
    for (int message : {516, 517})
        CliExitCodes::set(message, CliExitCodes::Usage);
    return true;
}();

const bool registered = CliCommandRegistry::add(
    {QStringLiteral("download"), QStringLiteral("FILE.xml [--sections LIST] [--changed-only] [--verify]"),
     512, CliCommand::Device::Port, 1, 4, &runDownload});
} // namespace
