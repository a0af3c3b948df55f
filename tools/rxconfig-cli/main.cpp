// rxconfig-cli: the device core without windows, for scripts and fleet work.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliPrompts.h"
#include "CliSecrets.h"
#include "app/AutoPrompts.h"
#include "app/DataDir.h"
#include "app/Messages.h"
#include "config/IniFile.h"
#include "device/AddressChange.h"
#include "device/CommLog.h"
#include "device/DeviceSession.h"
#include "device/ExchangeLogFile.h"
#include "link/CcTalkLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <cstdio>

#ifdef RX_HAVE_SIMULATOR
#include "sim/SimulatorPort.h"
#endif

namespace {
const QString kSimulator = QStringLiteral("SIMULATOR");

int addressFromIni(const IniFile &ini)
{
    bool ok = false;
    const int address =
        ini.readValue(QStringLiteral("SETTINGS"), QStringLiteral("ccTalkAddr"), QStringLiteral("02"))
            .toInt(&ok, 16);
    return ok && AddressChange::isHeld(address) ? address : 2;
}

int run(const QCoreApplication &app, QTextStream &out, QTextStream &err, CliPrompts &prompts)
{
    CliOptions options;
    const QString problem = CliOptions::parse(app.arguments().mid(1), options);
    // A script that asked for JSON gets it also when the rest of the line is wrong.
    if (options.json || app.arguments().contains(QStringLiteral("--json")))
        prompts.setJson(&err);
    if (!problem.isEmpty()) {
        prompts.error(problem);
        if (!prompts.json())
            err << cliUsageText();
        return CliExitCodes::forText(problem);
    }
    if (!options.language.isEmpty())
        LanguageBase = CliOptions::languageBase(options.language);
    if (!options.help && options.command.isEmpty() && options.json) {
        prompts.error(Msg(1103));
        return CliExitCodes::Usage;
    }
    if (options.help || options.command.isEmpty()) {
        (options.help ? out : err) << cliUsageText();
        return options.help ? CliExitCodes::Success : CliExitCodes::Usage;
    }
    const CliCommand *command = CliCommandRegistry::find(options.command);
    if (!command) {
        prompts.error(Msg(431) + options.command);
        if (!options.json)
            err << cliUsageText();
        return CliExitCodes::Usage;
    }
    const QString withoutValue = optionWithoutValue(command->arguments, options.args);
    if (!withoutValue.isEmpty()) {
        prompts.error(Msg(990) + withoutValue);
        return CliExitCodes::Usage;
    }
    if (options.args.size() < command->minArgs) {
        prompts.error(Msg(433) + command->name + QLatin1Char(' ') + command->arguments);
        return CliExitCodes::Usage;
    }
    if (command->maxArgs >= 0 && options.args.size() > command->maxArgs) {
        prompts.error(Msg(434) + options.args.mid(command->maxArgs).join(QLatin1Char(' ')));
        return CliExitCodes::Usage;
    }

    const DataDir::Resolution dir =
        DataDir::resolve(options.dataDir, DataDir::installedSeedDirs(QCoreApplication::applicationDirPath())
                                              << QStringLiteral(RX_SOURCE_DATA_DIR));
    if (dir.path.isEmpty()) {
        prompts.error(Msg(435) + dir.error);
        return CliExitCodes::FileError;
    }

    const bool wantsSimulator = options.demo || options.ports.contains(kSimulator);
#ifdef RX_HAVE_SIMULATOR
    if (wantsSimulator)
        SimulatorPort::registerDemoPort();
#else
    if (wantsSimulator) {
        prompts.error(Msg(445));
        return CliExitCodes::Usage;
    }
#endif

    prompts.setAnswerYes(options.yes);

    CcTalkLink link;
    CommLog log(dir.path, &prompts);
    link.setLogSink(&log);
    link.LoggingEnabled = true;
    DeviceSession session(link, prompts, dir.path);
    session.setExplicitPorts(options.ports);
    session.setNoticeSink(&log);
    ExchangeLogFile exchangeLog(log);
    CliExitCodes::set(929, CliExitCodes::FileError);
    if (!options.logFile.isEmpty() && !exchangeLog.open(options.logFile)) {
        prompts.error(Msg(929) + options.logFile + QStringLiteral(": ") + exchangeLog.errorString());
        return CliExitCodes::FileError;
    }

    const IniFile ini(session.iniPath());
    QString current = options.ports.value(0);
    if (current.isEmpty())
        current = options.demo ? kSimulator
                               : ini.readValue(QStringLiteral("SETTINGS"), QStringLiteral("ComPort"),
                                               QStringLiteral("COM3"));
    link.DeviceAddress = static_cast<quint8>(options.address > 0 ? options.address : addressFromIni(ini));
    link.MonitorAddress = link.DeviceAddress;

    CliContext ctx(options, out, err, prompts, link, session, log, dir.path);
    ctx.setCurrentPort(current);
    if (const int status = CliSecrets::install(ctx, prompts))
        return status;

    int result = 0;
    if (command->device != CliCommand::Device::None && !ctx.openCurrentPort())
        result = CliExitCodes::DeviceFailure;
    else if (command->device == CliCommand::Device::Identify && !ctx.identifyQuietly())
        result = CliExitCodes::DeviceFailure;
    else
        result = command->run(ctx);
    exchangeLog.close();
    if (!options.logFile.isEmpty() && !exchangeLog.errorString().isEmpty())
        prompts.error(Msg(929) + options.logFile + QStringLiteral(": ") + exchangeLog.errorString());
    out.flush();
    err.flush();
    log.close();
    link.closePort();
    return ctx.exitStatus(result);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rxconfig"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliPrompts prompts(&err);

    // Asked alone, before any parsing, so that packaging tools can read it.
    if (app.arguments().size() == 2 && app.arguments().at(1) == QLatin1String("--version")) {
        out << "rxconfig-cli " RX_VERSION_TEXT << Qt::endl;
        return CliExitCodes::Success;
    }
    const int status = run(app, out, err, prompts);
    prompts.reportFailure(status);
    return status;
}
