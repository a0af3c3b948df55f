// teach --channel N [--samples K] [--tolerance high|middle|low] [channel options]: the coin
// programming window for scripts and production benches. Master inhibit is held while coins
// are sampled; each sample line goes to stdout as it arrives, progress to stderr. With --yes
// the channel is written and committed. Ctrl-C, SIGTERM or SIGHUP before the write ends with
// master inhibit off and nothing written; once the write has begun it is finished and
// committed. Where master inhibit could not be switched off, the run says so and fails.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliJson.h"
#include "app/Messages.h"
#include "coinprog/CoinProgModel.h"
#include "config/ChannelTable.h"

#include "CliInterrupt.h"

#include <QEventLoop>
#include <QJsonArray>

namespace {

struct TeachOptions
{
    int channel = 0;
    int samples = -1;
    int preset = CoinCalc::Middle;
    // Channel options: -2 = leave as the window sets them.
    int direction = -2, cvf = -2, mint = -2, cc = -2, value = -2;
    int ccTalk = -2, selective = -2, fake = -2, enabled = -2;
};

bool number(const QString &text, int min, int max, int &out)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < min || v > max)
        return false;
    out = v;
    return true;
}

// "" when the arguments are good, else the text of the usage error.
QString parse(const QStringList &args, TeachOptions &o)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        QString v;
        struct Field
        {
            const char *name;
            int *target;
            int min;
            int max;
        } fields[] = {{"--channel", &o.channel, 1, 16},    {"--samples", &o.samples, 1, 10000},
                      {"--dir", &o.direction, 0, 8},       {"--cvf", &o.cvf, 0, 15},
                      {"--mint", &o.mint, 0, 3},           {"--cc", &o.cc, 0, 3},
                      {"--value", &o.value, 0, 255},       {"--cctalk", &o.ccTalk, 0, 1},
                      {"--selective", &o.selective, 0, 1}, {"--fake", &o.fake, 0, 1},
                      {"--enabled", &o.enabled, 0, 1}};
        bool taken = false;
        for (const Field &f : fields) {
            if (!takeOption(args, i, QLatin1String(f.name), &v))
                continue;
            taken = true;
            if (f.target == &o.direction && v.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
                o.direction = -1;
            else if (!number(v, f.min, f.max, *f.target))
                return Msg(611) + QLatin1String(f.name) + QLatin1Char(' ') + v;
            break;
        }
        if (taken)
            continue;
        if (takeOption(args, i, QStringLiteral("--tolerance"), &v)) {
            const QStringList names = {QStringLiteral("high"), QStringLiteral("middle"),
                                       QStringLiteral("low")};
            o.preset = int(names.indexOf(v.toLower()));
            if (o.preset < 0)
                return Msg(611) + QStringLiteral("--tolerance ") + v;
            continue;
        }
        return Msg(453) + a;
    }
    if (o.channel == 0)
        return Msg(433) + QStringLiteral("--channel");
    return QString();
}

void applyOptions(const TeachOptions &o, CoinProgControls &c)
{
    const auto set = [](int option, int &field) {
        if (option != -2)
            field = option;
    };
    const auto flag = [](int option, bool &field) {
        if (option != -2)
            field = option == 1;
    };
    set(o.direction, c.direction);
    set(o.cvf, c.cvf);
    set(o.mint, c.mint);
    set(o.cc, c.cc);
    set(o.value, c.value);
    flag(o.ccTalk, c.ccTalk);
    flag(o.selective, c.selective);
    flag(o.fake, c.fake);
    flag(o.enabled, c.enabled);
}

// Lets the selector go; false (with the message) when master inhibit may still be on.
bool release(CliContext &ctx, CoinProgModel &model)
{
    model.windowClosed();
    if (!model.inhibitMayBeOn())
        return true;
    ctx.prompts.error(Msg(624));
    return false;
}

int interrupted(CliContext &ctx, CoinProgModel &model)
{
    const bool released = release(ctx, model);
    ctx.prompts.error(Msg(released ? 609 : 625));
    return CliExitCodes::DeviceFailure;
}

int runTeach(CliContext &ctx)
{
    TeachOptions o;
    const QString problem = parse(ctx.options.args, o);
    if (!problem.isEmpty())
        return ctx.usageError(problem);

    // From here on a signal is a request the run answers, never a kill that strands the selector.
    const CliInterrupt::Guard guard;
    ChannelTable channels;
    CoinProgModel model(ctx.session, channels, ctx.prompts);
    if (!model.openFromToolbar())
        return CliExitCodes::DeviceFailure;
    if (CliInterrupt::requested()) {
        ctx.prompts.error(Msg(620));
        return CliExitCodes::DeviceFailure;
    }
    model.windowOpened();
    if (!model.polling()) {
        release(ctx, model);
        return CliExitCodes::DeviceFailure;
    }
    model.channelListChanged(o.channel - 1);
    applyOptions(o, model.controlsForEdit());
    if (o.preset != model.preset())
        model.presetChanged(o.preset);
    const int wanted = o.samples > 0 ? o.samples : qMax(1, model.minimumSamples());

    ctx.note(Msg(612) + QString::number(o.channel));
    QEventLoop loop;
    bool silent = false;
    QObject::connect(&model, &CoinProgModel::sampleAdded, &loop, [&](const QString &line) {
        const int count = int(model.samples().size());
        CoinCalc::Sample values{};
        if (!ctx.options.json)
            ctx.out << line << Qt::endl;
        else if (CoinCalc::parseLine(line, values))
            CliJson::write(ctx.out,
                           {{QStringLiteral("sample"), count},
                            {QStringLiteral("of"), wanted},
                            {QStringLiteral("values"),
                             QJsonArray{values[0], values[1], values[2], values[3], values[4], values[5]}}});
        ctx.note(Msg(604) + QString::number(count) + Msg(605) + QString::number(wanted));
        if (model.samples().size() >= wanted)
            loop.quit();
    });
    QObject::connect(&model, &CoinProgModel::selectorSilent, &loop, [&] {
        silent = true;
        loop.quit();
    });
    QObject::connect(CliInterrupt::notifier(), &CliInterruptNotifier::stopRequested, &loop,
                     &QEventLoop::quit);
    // A signal during the opening exchanges came before the loop could hear it.
    if (!CliInterrupt::requested())
        loop.exec();
    if (silent) {
        ctx.prompts.error(Msg(623) + QString::number(CoinProgModel::SilenceMs / 1000) + Msg(626));
        release(ctx, model);
        return CliExitCodes::DeviceFailure;
    }
    if (CliInterrupt::requested())
        return interrupted(ctx, model);

    const QByteArray record = model.controls().toRecord();
    // The record taught, and whether it went to the selector.
    const auto report = [&](bool written) {
        if (ctx.options.json)
            CliJson::write(ctx.out, {{QStringLiteral("channel"), o.channel},
                                     {QStringLiteral("samples"), int(model.samples().size())},
                                     {QStringLiteral("record"), CcTalkLink::BytesToHex(record)},
                                     {QStringLiteral("options"), CcTalkLink::BytesToHex(record.mid(12))},
                                     {QStringLiteral("written"), written}});
    };
    if (!ctx.options.json) {
        ctx.out << Msg(606) << CcTalkLink::BytesToHex(record) << Qt::endl;
        ctx.out << Msg(607) << CcTalkLink::BytesToHex(record.mid(12)) << Qt::endl;
    }
    if (!ctx.options.yes) {
        ctx.note(Msg(608));
        report(false);
        return release(ctx, model) ? 0 : CliExitCodes::DeviceFailure;
    }
    if (CliInterrupt::requested())
        return interrupted(ctx, model);
    // The last moment to stop: from here a signal lets the write and the commit finish. A
    // signal at the PIN question still cancels it, and nothing is written.
    model.saveChannelClick();
    if (!(model.savedChannels() & (1u << (o.channel - 1)))) {
        if (CliInterrupt::requested())
            return interrupted(ctx, model);
        release(ctx, model);
        return CliExitCodes::DeviceFailure;
    }
    bool closed = false;
    QObject::connect(&model, &CoinProgModel::closeAccepted, [&closed] { closed = true; });
    model.closeClick();
    if (!closed) {
        // The commit failed (already reported); the selector is let go all the same.
        release(ctx, model);
        return CliExitCodes::DeviceFailure;
    }
    if (CliInterrupt::requested())
        ctx.note(Msg(621));
    ctx.note(Msg(610));
    report(true);
    if (model.inhibitMayBeOn()) {
        ctx.prompts.error(Msg(624));
        return CliExitCodes::DeviceFailure;
    }
    return 0;
}

const bool registered = CliCommandRegistry::add(
    {QStringLiteral("teach"),
     QStringLiteral("--channel N [--samples K] [--tolerance high|middle|low] [--dir 0-8|none] "
                    "[--cvf 0-15] [--mint 0-3] [--cc 0-3] [--value 0-255] [--cctalk 0|1] "
                    "[--selective 0|1] [--fake 0|1] [--enabled 0|1]"),
     603, CliCommand::Device::Identify, 0, -1, &runTeach});
} // namespace
