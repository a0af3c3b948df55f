// upgrade FILE.u19 [--no-backup] [--backup PATH]: the configuration saved, the firmware sent
// through the boot monitor, then (with --yes) the saved configuration written back where it differs.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliInterrupt.h"
#include "CliJson.h"
#include "app/Messages.h"
#include "upgrade/UpgradeSequence.h"

#include <QElapsedTimer>
#include <cstdio>
#include <unistd.h>

namespace {

// One line per tenth of the file on a log (with --json on stdout), one line rewritten in place on
// a terminal.
class ProgressLine
{
public:
    ProgressLine(QTextStream &err, QTextStream *json)
        : m_err(err), m_json(json), m_tty(!json && isatty(fileno(stderr)) != 0)
    {
        m_clock.start();
    }

    void show(int records, int total)
    {
        if (total <= 0 || records <= 0)
            return;
        const int percent = int(qint64(records) * 100 / total);
        if (!m_tty && percent / 10 == m_lastTenth && records != total)
            return;
        m_lastTenth = percent / 10;
        if (m_json) {
            CliJson::write(*m_json, {{QStringLiteral("records"), records},
                                     {QStringLiteral("total"), total},
                                     {QStringLiteral("percent"), percent},
                                     {QStringLiteral("ms"), m_clock.elapsed()}});
            return;
        }
        m_err << (m_tty ? "\r" : "") << Msg(963) << records << Msg(554) << total << " (" << percent << " %), "
              << m_clock.elapsed() << " ms" << (m_tty ? "" : "\n");
        m_err.flush();
        m_open = m_tty;
    }
    // The transfer starts: the elapsed time counts from here.
    void restart() { m_clock.restart(); }
    void end()
    {
        if (m_open)
            m_err << '\n';
        m_open = false;
        m_err.flush();
    }

private:
    QTextStream &m_err;
    QTextStream *m_json;
    bool m_tty;
    bool m_open = false;
    int m_lastTenth = -1;
    QElapsedTimer m_clock;
};

int runUpgrade(CliContext &ctx)
{
    QString firmware;
    QString backupPath;
    bool noBackup = false;
    const QStringList &args = ctx.options.args;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--no-backup"))
            noBackup = true;
        else if (takeOption(args, i, QStringLiteral("--backup"), &backupPath))
            continue;
        else if (a.startsWith(QLatin1String("--")) || !firmware.isEmpty())
            return ctx.usageError(Msg(453) + a);
        else
            firmware = a;
    }
    if (firmware.isEmpty())
        return ctx.usageError(Msg(433) + QStringLiteral("FILE.u19"));
    if (noBackup && !backupPath.isEmpty())
        return ctx.usageError(Msg(453) + QStringLiteral("--backup"));

    // A signal before the monitor is entered ends the run with nothing changed; after that the
    // transfer runs to its end, since cutting it would strand the selector in its monitor.
    CliInterrupt::Guard guard;
    UpgradeSequence sequence(ctx.session, ctx.prompts, ctx.dataDir);
    sequence.stopRequested = [] { return CliInterrupt::requested(); };
    sequence.setBackupEnabled(!noBackup);
    sequence.setBackupPath(backupPath);
    sequence.setAskWhenBackupFails(false);
    ProgressLine line(ctx.err, ctx.options.json ? &ctx.out : nullptr);
    FirmwareUpgrade &upgrade = sequence.upgrade();
    upgrade.progress = [&line, &upgrade](int value, int maximum) {
        if (value > 0)
            line.show(upgrade.recordsSent(), maximum);
    };
    // Of the label's texts only the programming time is news: failures come as messages.
    upgrade.status = [&ctx, &line](const QString &text) {
        if (text == Msg(218))
            line.restart();
        if (!text.startsWith(Msg(217)))
            return;
        line.end();
        ctx.note(text);
    };

    const UpgradeSequence::Result result = sequence.run(firmware);
    line.end();
    if (CliInterrupt::requested()) {
        const bool transferred =
            result == UpgradeSequence::Flashed || result == UpgradeSequence::TransferFailed;
        if (transferred || result != UpgradeSequence::MonitorMissing)
            ctx.prompts.error(Msg(transferred ? 984 : 983));
        return CliExitCodes::DeviceFailure;
    }
    switch (result) {
    case UpgradeSequence::Flashed: {
        const bool restored = sequence.offerRestore();
        if (ctx.options.json)
            CliJson::write(ctx.out, {{QStringLiteral("result"), QStringLiteral("flashed")},
                                     {QStringLiteral("revision"), upgrade.newRevision()},
                                     {QStringLiteral("records"), upgrade.recordsSent()},
                                     {QStringLiteral("ms"), upgrade.elapsedMs()},
                                     {QStringLiteral("backup"), sequence.backupFile().isEmpty()
                                                                    ? QJsonValue()
                                                                    : QJsonValue(sequence.backupFile())},
                                     {QStringLiteral("restored"), restored}});
        return 0;
    }
    case UpgradeSequence::NotStarted:
        return sequence.fileRefused() ? CliExitCodes::FileError : CliExitCodes::DeviceFailure;
    default:
        return CliExitCodes::DeviceFailure;
    }
}

const bool registered = CliCommandRegistry::add({QStringLiteral("upgrade"),
                                                 QStringLiteral("FILE.u19 [--no-backup] [--backup PATH]"),
                                                 962, CliCommand::Device::Port, 1, 4, &runUpgrade});
} // namespace
