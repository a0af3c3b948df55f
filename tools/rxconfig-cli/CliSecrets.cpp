#include "CliSecrets.h"

#include "CliCommand.h"
#include "CliContext.h"
#include "CliPrompts.h"
#include "app/Messages.h"
#include "device/ReplyFrame.h"
#include "link/CcTalkLink.h"

#include <QFile>

namespace {
const int kNoTerminal = 870;
const int kCannotRead = 871;
// A secret is one short line; more is not read.
const qint64 kLineLimit = 4096;

bool readFirstLine(const QString &path, QString &line, QString &problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = Msg(kCannotRead) + path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    QByteArray bytes = file.read(kLineLimit);
    const qsizetype end = bytes.indexOf('\n');
    if (end >= 0)
        bytes.truncate(end);
    line = QString::fromLocal8Bit(bytes).trimmed();
    bytes.fill('\0');
    return true;
}
} // namespace

bool CliSecrets::resolve(const QString &option, const QString &file, const char *variable, Secret &out,
                         QString &problem)
{
    out = Secret();
    if (!option.isEmpty()) {
        out = {true, option};
        return true;
    }
    if (!file.isEmpty()) {
        if (!readFirstLine(file, out.value, problem))
            return false;
        out.given = true;
        return true;
    }
    const QString fromEnvironment = qEnvironmentVariable(variable);
    if (!fromEnvironment.isEmpty())
        out = {true, fromEnvironment.trimmed()};
    return true;
}

int CliSecrets::install(CliContext &ctx, CliPrompts &prompts)
{
    CliExitCodes::set(kNoTerminal, CliExitCodes::DeviceFailure);
    CliExitCodes::set(kCannotRead, CliExitCodes::FileError);
    Secret pin;
    Secret password;
    QString problem;
    if (!resolve(ctx.options.pin, ctx.options.pinFile, "RXCONFIG_PIN", pin, problem) ||
        !resolve(QString(), ctx.options.factoryPasswordFile, "RXCONFIG_FACTORY_PASSWORD", password,
                 problem)) {
        prompts.error(problem);
        return CliExitCodes::FileError;
    }
    if (pin.given)
        prompts.setPin(pin.value);
    if (password.given)
        prompts.setFactoryPassword(password.value);
    CcTalkLink &link = ctx.link;
    prompts.setPinChecker([&link](const QString &typed) {
        QByteArray reply;
        const quint8 result = link.Transact(
            link.DeviceAddress, QByteArray(1, char(218)) + CcTalkLink::HexToBytes(typed), 6, reply);
        if (result != CcTalkLink::Ok)
            return CliPrompts::PinCheck::Unknown;
        return ReplyFrame::isAck(reply) ? CliPrompts::PinCheck::Accepted : CliPrompts::PinCheck::Refused;
    });
    return 0;
}

QString CliSecrets::hidePin(const QString &logLine)
{
    // "-> " destination, length, source, header: the data start at character 11.
    const int dataStart = 11;
    if (!logLine.startsWith(QLatin1String("-> ")) || logLine.size() <= dataStart)
        return logLine;
    const QString header = logLine.mid(9, 2).toUpper();
    if (header != QLatin1String("DA") && header != QLatin1String("DB"))
        return logLine;
    return logLine.left(dataStart) + QString(logLine.size() - dataStart, QLatin1Char('*'));
}
