#include "CliContext.h"

#include "CliCommand.h"
#include "app/AutoPrompts.h"
#include "app/Messages.h"
#include "device/AddressChange.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "link/SerialPort.h"

#include <QTextStream>

namespace {
// An option value: "--opt value" or "--opt=value". false when the value is missing.
bool takeValue(const QStringList &arguments, int &i, const QString &arg, const QString &name, QString &value)
{
    if (arg.startsWith(name + QLatin1Char('='))) {
        value = arg.mid(name.size() + 1);
        return true;
    }
    if (i + 1 >= arguments.size())
        return false;
    value = arguments.at(++i);
    return true;
}
} // namespace

int CliOptions::languageBase(const QString &code)
{
    const QStringList codes = {QStringLiteral("en"), QStringLiteral("it"), QStringLiteral("hr")};
    const qsizetype index = codes.indexOf(code);
    return index < 0 ? 0 : int(1000 * (index + 1));
}

QString CliOptions::parse(const QStringList &arguments, CliOptions &out)
{
    bool optionsEnded = false;
    QStringList positional;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString arg = arguments.at(i);
        if (optionsEnded || !arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            if (arg == QLatin1String("--") && !optionsEnded)
                optionsEnded = true;
            else
                positional << arg;
            continue;
        }
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        QString value;
        if (name == QLatin1String("--port") || name == QLatin1String("--address") ||
            name == QLatin1String("--pin") || name == QLatin1String("--data-dir") ||
            name == QLatin1String("--log") || name == QLatin1String("--language")) {
            if (!takeValue(arguments, i, arg, name, value) || value.isEmpty())
                return Msg(990) + name;
            if (name == QLatin1String("--port")) {
                out.ports << value;
            } else if (name == QLatin1String("--address")) {
                bool ok = false;
                const int address = value.toInt(&ok, 10);
                if (!ok || !AddressChange::isHeld(address))
                    return Msg(430) + value;
                out.address = address;
            } else if (name == QLatin1String("--pin")) {
                out.pin = value;
            } else if (name == QLatin1String("--log")) {
                out.logFile = value;
            } else if (name == QLatin1String("--language")) {
                if (languageBase(value) == 0)
                    return Msg(1102) + value;
                out.language = value;
            } else {
                out.dataDir = value;
            }
        } else if (name == QLatin1String("--pin-file") || name == QLatin1String("--factory-password-file")) {
            if (!takeValue(arguments, i, arg, name, value) || value.isEmpty())
                return Msg(990) + name;
            (name == QLatin1String("--pin-file") ? out.pinFile : out.factoryPasswordFile) = value;
        } else if (arg == QLatin1String("--yes")) {
            out.yes = true;
        } else if (arg == QLatin1String("--demo")) {
            out.demo = true;
        } else if (arg == QLatin1String("--help")) {
            out.help = true;
        } else if (arg == QLatin1String("--json")) {
            out.json = true;
        } else if (!positional.isEmpty()) {
            positional << arg; // an option of the command itself (messages --base N)
        } else {
            return Msg(453) + arg;
        }
    }
    if (!positional.isEmpty()) {
        out.command = positional.takeFirst();
        out.args = positional;
    }
    return QString();
}

bool CliContext::openCurrentPort()
{
    link.setPortName(m_currentPort);
    if (link.openPort())
        return true;
    prompts.error(DeviceSession::portOpenFailure(link, m_currentPort));
    // A port remembered from a --demo run exists only inside such a run.
    if (m_currentPort == QLatin1String("SIMULATOR") && !options.demo)
        prompts.error(Msg(642));
    return false;
}

bool CliContext::identifyQuietly()
{
    const int shown = static_cast<int>(prompts.errors().size());
    session.ReportFlag = true;
    if (session.Identify())
        return true;
    // A selector that does not answer fails without a message of its own.
    if (prompts.errors().size() == shown)
        prompts.error(Msg(428) + QString::number(link.DeviceAddress) + Msg(429) + link.portName());
    return false;
}

int CliContext::usageError(const QString &text)
{
    prompts.error(text);
    // A script reading --json gets the error alone.
    if (!options.json)
        err << cliUsageText();
    err.flush();
    return CliExitCodes::Usage;
}

void CliContext::printPortProblems()
{
    for (const DeviceSession::PortProblem &p : session.portProblems())
        note(DeviceSession::openProblemText(p.message, p.port, p.detail));
}

int CliContext::exitStatus(int handlerResult) const
{
    if (handlerResult != 0)
        return handlerResult;
    return CliExitCodes::forTexts(prompts.errors());
}

QString cliUsageText()
{
    QString text;
    QTextStream s(&text);
    s << Msg(432) << "\n\n" << Msg(446) << '\n';
    const QList<QPair<QString, int>> options = {
        {QStringLiteral("--port P"), 447},      {QStringLiteral("--address N"), 448},
        {QStringLiteral("--pin HEX8"), 449},    {QStringLiteral("--data-dir DIR"), 450},
        {QStringLiteral("--yes"), 451},         {QStringLiteral("--demo"), 452},
        {QStringLiteral("--log FILE"), 928},    {QStringLiteral("--json"), 1101},
        {QStringLiteral("--language L"), 1100},
    };
    const QList<QPair<QString, int>> secretOptions = {
        {QStringLiteral("--pin-file FILE"), 872},
        {QStringLiteral("--factory-password-file FILE"), 873},
    };
    for (const auto &o : options + secretOptions) {
        // A long option gets a line of its own, as a long command does.
        if (o.first.size() >= 18)
            s << "  " << o.first << '\n' << QString(20, QLatin1Char(' ')) << Msg(o.second) << '\n';
        else
            s << "  " << o.first.leftJustified(18) << Msg(o.second) << '\n';
    }
    s << '\n' << Msg(439) << '\n';
    for (const CliCommand &c : CliCommandRegistry::all()) {
        const QString synopsis = c.name + QLatin1Char(' ') + c.arguments;
        // A long synopsis gets a line of its own, the summary below it.
        if (synopsis.size() >= 18)
            s << "  " << synopsis << '\n' << QString(20, QLatin1Char(' '));
        else
            s << "  " << synopsis.leftJustified(18);
        s << Msg(c.summaryMessage) << '\n';
    }
    // The exit statuses, wrapped for a terminal.
    s << '\n';
    int column = 0;
    for (const QString &word : Msg(991).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (column > 0 && column + 1 + word.size() > 100) {
            s << '\n';
            column = 0;
        }
        if (column > 0) {
            s << ' ';
            ++column;
        }
        s << word;
        column += static_cast<int>(word.size());
    }
    s << '\n';
    return text;
}

bool takeOption(const QStringList &args, int &i, const QString &name, QString *value)
{
    const QString &a = args.at(i);
    if (a == name && i + 1 < args.size()) {
        *value = args.at(++i);
        return true;
    }
    if (a.startsWith(name + QLatin1Char('='))) {
        *value = a.mid(name.size() + 1);
        return true;
    }
    return false;
}

QString optionWithoutValue(const QString &synopsis, const QStringList &args)
{
    // Options in the synopsis: a word starting with '-'; it takes a value when the word after it
    // belongs to the same bracket ("[--count N]"), that is when the option's own word is not closed.
    QStringList options;
    QStringList valued;
    const QStringList words = synopsis.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int w = 0; w < words.size(); ++w) {
        QString word = words.at(w);
        while (word.startsWith(QLatin1Char('[')))
            word.remove(0, 1);
        if (!word.startsWith(QLatin1Char('-')))
            continue;
        const bool closed = word.endsWith(QLatin1Char(']'));
        while (word.endsWith(QLatin1Char(']')))
            word.chop(1);
        options << word;
        if (!closed && w + 1 < words.size())
            valued << word;
    }
    for (int i = 0; i < args.size(); ++i) {
        for (const QString &name : valued) {
            if (args.at(i) == name + QLatin1Char('=') ||
                (args.at(i) == name && (i + 1 == args.size() || options.contains(args.at(i + 1)))))
                return name;
        }
    }
    return QString();
}
