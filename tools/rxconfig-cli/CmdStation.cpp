// station FILE.xml [--journal TARGET] [--count N] [--changed-only] [--again] [--type T]
// [--removal-wait MS]: a production station on every --port at once, each at its own pace,
// all into one journal. Verdicts go to stdout, one block each; Ctrl-C ends after the selectors
// in work and prints the summary. Exit status 0 when no selector failed, 1 otherwise.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliInterrupt.h"
#include "CliJson.h"
#include "CliSecrets.h"
#include "app/Messages.h"
#include "station/JournalFile.h"
#include "station/StationJournal.h"
#include "station/StationRun.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>
#include <vector>

namespace {
// A line of the station's progress on stderr: plain, or a JSON message line with --json.
void say(CliContext &ctx, const QString &text)
{
    if (ctx.options.json)
        CliJson::write(ctx.err, CliJson::message(text));
    else
        ctx.err << text << Qt::endl;
}

const QString kSynopsis = QStringLiteral(
    "FILE.xml [--journal TARGET] [--count N] [--changed-only] [--again] [--type T] [--removal-wait MS]");


void printVerdict(QTextStream &out, const StationRecord &r, bool json)
{
    if (json) {
        out << QString::fromUtf8(JournalFile::jsonLine(r));
        out.flush();
        return;
    }
    const QString word = Msg(StationRun::verdictMessage(r.result));
    // Large plain words: the operator reads them from across the bench.
    const QString rule(40, QLatin1Char('='));
    out << '\n' << rule << '\n';
    QString spaced;
    for (QChar c : word)
        spaced += c + QStringLiteral(" ");
    out << "    " << spaced.trimmed() << "    " << r.port << "  " << r.serialNumber << '\n';
    if (!r.message.isEmpty())
        out << "    " << r.message << '\n';
    out << rule << '\n';
    if (r.result == QLatin1String("failed"))
        out << '\a';
    out.flush();
}

int runStation(CliContext &ctx)
{
    QString input;
    QString journalTarget;
    QString countText;
    QString typeText;
    QString removalText;
    StationRun::Settings base;
    const QStringList &args = ctx.options.args;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (takeOption(args, i, QStringLiteral("--journal"), &journalTarget) ||
            takeOption(args, i, QStringLiteral("--count"), &countText) ||
            takeOption(args, i, QStringLiteral("--type"), &typeText) ||
            takeOption(args, i, QStringLiteral("--removal-wait"), &removalText))
            continue;
        if (a == QLatin1String("--changed-only")) {
            base.changedOnly = true;
        } else if (a == QLatin1String("--again")) {
            base.again = true;
        } else if (input.isEmpty() && !a.startsWith(QLatin1Char('-'))) {
            input = a;
        } else {
            return ctx.usageError(Msg(453) + a);
        }
    }
    if (input.isEmpty())
        return ctx.usageError(Msg(433) + QStringLiteral("station ") + kSynopsis);
    if (!countText.isEmpty()) {
        bool ok = false;
        const int count = countText.toInt(&ok);
        if (!ok || count < 1)
            return ctx.usageError(Msg(1152) + countText);
        base.budget = std::make_shared<StationRun::Budget>(count);
    }
    if (!removalText.isEmpty()) {
        bool ok = false;
        base.removalSilenceMs = removalText.toInt(&ok);
        if (!ok || base.removalSilenceMs < 100 || base.removalSilenceMs > 60000)
            return ctx.usageError(Msg(1153) + removalText);
    }
    if (!QFileInfo(input).isFile()) {
        ctx.prompts.error(Msg(1139).arg(input));
        return CliExitCodes::FileError;
    }
    base.file = QFileInfo(input).absoluteFilePath();
    base.deviceTypes = typeText.isEmpty() ? StationRun::fileDeviceTypes(input)
                                          : typeText.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (base.deviceTypes.isEmpty())
        return ctx.usageError(Msg(1142));
    QStringList ports = ctx.options.ports;
    if (ports.isEmpty())
        ports << ctx.currentPort();
    for (int i = 0; i < ports.size(); ++i)
        if (ports.indexOf(ports.at(i), i + 1) > 0)
            return ctx.usageError(Msg(1154) + ports.at(i));

    CliSecrets::Secret pin;
    QString problem;
    if (!CliSecrets::resolve(ctx.options.pin, ctx.options.pinFile, "RXCONFIG_PIN", pin, problem)) {
        ctx.prompts.error(problem);
        return CliExitCodes::FileError;
    }
    base.pin = pin.value;
    base.dataDir = ctx.dataDir;
    base.address = ctx.link.DeviceAddress;

    const bool json = ctx.options.json;
    if (journalTarget.isEmpty())
        journalTarget =
            json ? QStringLiteral("station-journal.jsonl") : QStringLiteral("station-journal.csv");
    QString error;
    const std::unique_ptr<StationJournal> journal = StationJournal::open(journalTarget, json, &error);
    if (!journal) {
        ctx.prompts.error(error);
        return CliExitCodes::FileError;
    }

    CliInterrupt::Guard guard;
    QEventLoop loop;
    std::vector<std::unique_ptr<StationRun>> runs;
    int running = 0;
    for (const QString &port : ports) {
        StationRun::Settings s = base;
        s.port = port;
        runs.push_back(std::make_unique<StationRun>(s, *journal));
        StationRun *run = runs.back().get();
        QObject::connect(run, &StationRun::recorded, &loop,
                         [&ctx, json](const StationRecord &r) { printVerdict(ctx.out, r, json); });
        QObject::connect(run, &StationRun::stateChanged, &loop,
                         [&ctx, port](StationRun::State state, const QString &detail) {
                             if (state == StationRun::State::Waiting)
                                 say(ctx, Msg(1146).arg(port));
                             else if (state == StationRun::State::Working && !detail.isEmpty())
                                 say(ctx, Msg(1147).arg(port, detail));
                             else if (state == StationRun::State::WaitingForRemoval)
                                 say(ctx, Msg(1148).arg(port));
                         });
        // A station that ends on its own says so at once: the others go on.
        QObject::connect(run, &StationRun::finished, &loop, [&loop, &running, &ctx, run] {
            if (!run->endReason().isEmpty())
                ctx.prompts.error(Msg(1150).arg(run->settings().port, run->endReason()));
            if (--running == 0)
                loop.quit();
        });
        ++running;
    }
    QObject::connect(CliInterrupt::notifier(), &CliInterruptNotifier::stopRequested, &loop, [&] {
        say(ctx, Msg(1151));
        for (auto &run : runs)
            run->stop();
    });
    for (auto &run : runs)
        run->start();
    if (running > 0)
        loop.exec();

    StationRun::Counters total;
    bool ended = false;
    for (auto &run : runs) {
        run->wait();
        const StationRun::Counters c = run->counters();
        total.passed += c.passed;
        total.failed += c.failed;
        total.refused += c.refused;
        total.skipped += c.skipped;
        for (auto it = c.reasons.cbegin(); it != c.reasons.cend(); ++it)
            total.reasons[it.key()] += it.value();
        ended = ended || !run->endReason().isEmpty();
    }
    if (json) {
        QJsonObject reasons;
        for (auto it = total.reasons.cbegin(); it != total.reasons.cend(); ++it)
            reasons.insert(it.key(), it.value());
        const QJsonObject summary{{QStringLiteral("passed"), total.passed},
                                  {QStringLiteral("failed"), total.failed},
                                  {QStringLiteral("refused"), total.refused},
                                  {QStringLiteral("skipped"), total.skipped},
                                  {QStringLiteral("reasons"), reasons}};
        CliJson::write(ctx.out, QJsonObject{{QStringLiteral("summary"), summary}});
    } else {
        ctx.out << '\n'
                << Msg(1143).arg(total.passed).arg(total.failed).arg(total.refused).arg(total.skipped)
                << '\n';
        for (auto it = total.reasons.cbegin(); it != total.reasons.cend(); ++it)
            ctx.out << Msg(1144).arg(it.value()).arg(it.key()) << '\n';
    }
    ctx.out.flush();
    return total.failed > 0 || ended ? CliExitCodes::DeviceFailure : CliExitCodes::Success;
}

const bool statuses = [] {
    for (int message : {1139, 1140, 1141})
        CliExitCodes::set(message, CliExitCodes::FileError);
    for (int message : {1142, 1152, 1153, 1154})
        CliExitCodes::set(message, CliExitCodes::Usage);
    return true;
}();

const bool registered = CliCommandRegistry::add(
    {QStringLiteral("station"), kSynopsis, 1145, CliCommand::Device::None, 1, 11, &runStation});
} // namespace
