// upload -o FILE.xml [--sections LIST]: Upload, then File Save of what was read.
#include "CliCommand.h"
#include "CliContext.h"
#include "app/Messages.h"
#include "files/SectionChoice.h"
#include "stats/ConfigWorkspace.h"

namespace {
int runUpload(CliContext &ctx)
{
    QString output;
    QString sections = QStringLiteral("all");
    const QStringList &args = ctx.options.args;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if ((a == QLatin1String("-o") || a == QLatin1String("--output")) && i + 1 < args.size())
            output = args[++i];
        else if (a.startsWith(QLatin1String("--output=")))
            output = a.mid(9);
        else if (a == QLatin1String("--sections") && i + 1 < args.size())
            sections = args[++i];
        else if (a.startsWith(QLatin1String("--sections=")))
            sections = a.mid(11);
        else
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
    if (saved == ConfigFiles::Done)
        ctx.out << SectionTree::xmlFileName(output) << '\n';
    return saved == ConfigFiles::Done ? 0 : CliExitCodes::FileError;
}

const bool registered =
    CliCommandRegistry::add({QStringLiteral("upload"), QStringLiteral("-o FILE.xml [--sections LIST]"), 511,
                             CliCommand::Device::Port, 2, 4, &runUpload});
} // namespace
