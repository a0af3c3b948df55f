// upload -o FILE.xml [--sections LIST]: Upload, then File Save of what was read.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliJson.h"
#include "app/Messages.h"
#include "files/BlockValue.h"
#include "files/SectionChoice.h"
#include "files/XMLItem.h"
#include "stats/ConfigWorkspace.h"

#include <QJsonArray>

namespace {
int runUpload(CliContext &ctx)
{
    QString output;
    QString sections = QStringLiteral("all");
    const QStringList &args = ctx.options.args;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!takeOption(args, i, QStringLiteral("-o"), &output) &&
            !takeOption(args, i, QStringLiteral("--output"), &output) &&
            !takeOption(args, i, QStringLiteral("--sections"), &sections))
            return ctx.usageError(Msg(453) + a);
    }
    if (output.isEmpty())
        return ctx.usageError(Msg(433) + QStringLiteral("-o FILE.xml"));

    ConfigWorkspace ws(ctx.session, ctx.prompts, ctx.dataDir);
    if (!ws.load())
        return CliExitCodes::FileError;
    QString unknown;
    if (!SectionChoice::install(ws.tree(), sections, &unknown))
        return ctx.usageError(Msg(516) + unknown);
    if (ws.transfer().Upload() != ConfigTransfer::Done)
        return CliExitCodes::DeviceFailure;
    const ConfigFiles::Result saved = ws.files().FileSave(output);
    if (saved == ConfigFiles::Done && ctx.options.json) {
        // The blocks read, in the order they were read.
        SectionTree &tree = ws.tree();
        QJsonArray blocks;
        for (int i = 0; i < tree.count(); ++i)
            if (tree.state(i) == SectionTree::Checked && BlockValue::length(tree.item(i)) > 0 &&
                !tree.item(i)->Text.isEmpty())
                blocks.append(CliJson::block(tree, i));
        CliJson::write(ctx.out, {{QStringLiteral("file"), SectionTree::xmlFileName(output)},
                                 {QStringLiteral("blocks"), blocks}});
    } else if (saved == ConfigFiles::Done) {
        ctx.out << SectionTree::xmlFileName(output) << '\n';
    }
    return saved == ConfigFiles::Done ? 0 : CliExitCodes::FileError;
}

const bool registered =
    CliCommandRegistry::add({QStringLiteral("upload"), QStringLiteral("-o FILE.xml [--sections LIST]"), 511,
                             CliCommand::Device::Port, 2, 4, &runUpload});
} // namespace
