// diff FILE.xml: the file against what the selector holds; diff A.xml B.xml: two files.
// Prints the blocks that differ under the template's captions. Exit 0 when equal, 1 when not,
// 2 usage, 3 file error and CouldNotCompare when the selector was not reached or not read, so
// that a script never takes a failure for a difference.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliJson.h"
#include "app/Messages.h"
#include "files/BlockCompare.h"
#include "files/BlockValue.h"
#include "files/SectionChoice.h"
#include "stats/ConfigWorkspace.h"

#include <QJsonArray>
#include <memory>

namespace {
constexpr int CouldNotCompare = 5;

// A workspace holding one configuration file, every section of it ticked.
std::unique_ptr<ConfigWorkspace> openFile(CliContext &ctx, const QString &path)
{
    auto ws = std::make_unique<ConfigWorkspace>(ctx.session, ctx.prompts, ctx.dataDir);
    if (!ws->load())
        return nullptr;
    SectionChoice::install(ws->tree(), QStringLiteral("all"), nullptr);
    ws->page().imageForLoad().loadedSections = 0;
    if (ws->files().FileOpen(path) != ConfigFiles::Done)
        return nullptr;
    return ws;
}

QString shown(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("-") : value;
}

int runDiff(CliContext &ctx)
{
    const QStringList &args = ctx.options.args;
    for (const QString &a : args)
        if (a.startsWith(QLatin1Char('-')))
            return ctx.usageError(Msg(453) + a);
    std::unique_ptr<ConfigWorkspace> a = openFile(ctx, args.at(0));
    if (!a)
        return CliExitCodes::FileError;
    QList<BlockCompare::Block> blocks;
    QString wantedName = args.at(0);
    QString currentName = Msg(935);
    if (args.size() == 2) {
        std::unique_ptr<ConfigWorkspace> b = openFile(ctx, args.at(1));
        if (!b)
            return CliExitCodes::FileError;
        blocks = BlockCompare::againstDocument(a->tree(), b->tree());
        currentName = args.at(1);
    } else {
        if (!ctx.openCurrentPort() || !ctx.identifyQuietly())
            return CouldNotCompare;
        blocks = BlockCompare::againstSelector(a->tree(), ctx.session);
    }
    int same = 0;
    int changed = 0;
    int unknown = 0;
    QJsonArray differing;
    for (const BlockCompare::Block &b : blocks) {
        if (b.status == BlockCompare::Same) {
            ++same;
            continue;
        }
        (b.status == BlockCompare::Changed ? changed : unknown)++;
        if (ctx.options.json) {
            QJsonObject block{{QStringLiteral("caption"), b.caption},
                              {QStringLiteral("length"), b.length},
                              {QStringLiteral("status"), b.status == BlockCompare::Changed
                                                             ? QStringLiteral("changed")
                                                             : QStringLiteral("unknown")},
                              {QStringLiteral("current"),
                               b.status == BlockCompare::Unknown ? QJsonValue() : QJsonValue(b.current)},
                              {QStringLiteral("wanted"), b.wanted}};
            CliJson::putAddress(block, b.address);
            differing.append(block);
            continue;
        }
        ctx.out << (b.status == BlockCompare::Changed ? "* " : "? ") << b.caption << " ("
                << BlockValue::addressText(b.address) << ")\n";
        ctx.out << "    " << currentName << ": "
                << (b.status == BlockCompare::Unknown ? Msg(936) : shown(b.current)) << '\n';
        ctx.out << "    " << wantedName << ": " << shown(b.wanted) << '\n';
    }
    if (ctx.options.json)
        CliJson::write(ctx.out,
                       {{QStringLiteral("file"), wantedName},
                        {QStringLiteral("against"),
                         args.size() == 2 ? QJsonValue(currentName) : QJsonValue(QStringLiteral("selector"))},
                        {QStringLiteral("equal"), changed == 0 && unknown == 0},
                        {QStringLiteral("same"), same},
                        {QStringLiteral("changed"), changed},
                        {QStringLiteral("unknown"), unknown},
                        {QStringLiteral("blocks"), differing}});
    else
        ctx.out << Msg(937) << same << Msg(938) << changed << Msg(939) << unknown << '\n';
    ctx.out.flush();
    // Different is not a failure of the tool: the status says so without a message. A block
    // that could not be read leaves equality open.
    if (changed > 0)
        return 1;
    if (unknown > 0)
        return CouldNotCompare;
    const int shownStatus = ctx.exitStatus(0);
    return shownStatus == CliExitCodes::DeviceFailure ? CouldNotCompare : shownStatus;
}

const bool registered =
    CliCommandRegistry::add({QStringLiteral("diff"), QStringLiteral("FILE.xml [OTHER.xml]"), 934,
                             CliCommand::Device::None, 1, 2, &runDiff});
} // namespace
