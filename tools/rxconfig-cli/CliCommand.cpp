#include "CliCommand.h"

#include "app/Messages.h"

#include <QMap>
#include <QStringList>

namespace {
QMap<QString, CliCommand> &commands()
{
    static QMap<QString, CliCommand> table;
    return table;
}

QMap<int, int> &statuses()
{
    // The device access messages; other commands add theirs. Not remembering the port after
    // an identification is only a warning.
    static QMap<int, int> table = {
        {55, CliExitCodes::DeviceFailure},  {60, CliExitCodes::Usage},
        {78, CliExitCodes::DeviceFailure},  {82, CliExitCodes::DeviceFailure},
        {84, CliExitCodes::DeviceFailure},  {99, CliExitCodes::DeviceFailure},
        {127, CliExitCodes::DeviceFailure}, {136, CliExitCodes::DeviceFailure},
        {160, CliExitCodes::Usage},         {161, CliExitCodes::Usage},
        {292, CliExitCodes::DeviceFailure}, {296, CliExitCodes::DeviceFailure},
        {305, CliExitCodes::DeviceFailure}, {321, CliExitCodes::DeviceFailure},
        {421, CliExitCodes::Usage},         {422, CliExitCodes::Usage},
        {423, CliExitCodes::Usage},         {424, CliExitCodes::FileError},
        {425, CliExitCodes::Success},       {426, CliExitCodes::DeviceFailure},
        {427, CliExitCodes::DeviceFailure}, {428, CliExitCodes::DeviceFailure},
        {430, CliExitCodes::Usage},         {431, CliExitCodes::Usage},
        {433, CliExitCodes::Usage},         {434, CliExitCodes::Usage},
        {435, CliExitCodes::FileError},     {438, CliExitCodes::DeviceFailure},
        {445, CliExitCodes::Usage},         {453, CliExitCodes::Usage},
        {643, CliExitCodes::Declined},      {644, CliExitCodes::Usage},
        {990, CliExitCodes::Usage},         {1102, CliExitCodes::Usage},
        {1103, CliExitCodes::Usage},
    };
    return table;
}
} // namespace

bool CliCommandRegistry::add(const CliCommand &command)
{
    if (command.name.isEmpty() || commands().contains(command.name) || !command.run)
        return false;
    commands().insert(command.name, command);
    return true;
}

const CliCommand *CliCommandRegistry::find(const QString &name)
{
    auto it = commands().constFind(name);
    return it == commands().constEnd() ? nullptr : &it.value();
}

QList<CliCommand> CliCommandRegistry::all()
{
    return commands().values();
}

bool CliExitCodes::set(int message, int status)
{
    if (status < Success || status > Declined)
        return false;
    statuses().insert(message, status);
    return true;
}

int CliExitCodes::forText(const QString &text)
{
    int best = -1;
    int bestLength = -1;
    for (auto it = statuses().constBegin(); it != statuses().constEnd(); ++it) {
        const QString message = Msg(it.key());
        if (message.isEmpty() || !text.startsWith(message) || message.size() <= bestLength)
            continue;
        best = it.value();
        bestLength = static_cast<int>(message.size());
    }
    return best < 0 ? DeviceFailure : best;
}

int CliExitCodes::forTexts(const QStringList &texts)
{
    int status = Success;
    for (const QString &text : texts)
        status = qMax(status, forText(text));
    return status;
}
