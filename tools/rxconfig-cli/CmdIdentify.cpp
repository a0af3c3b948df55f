// identify: the toolbar's "Search", then the device information panel.
#include "CliCommand.h"
#include "CliContext.h"
#include "app/Messages.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "link/SerialPort.h"

#include <QTextStream>

namespace {
void printLine(QTextStream &out, const QString &caption, const QString &value)
{
    out << caption.trimmed();
    if (!value.isEmpty())
        out << ' ' << value;
    out << '\n';
}

int runIdentify(CliContext &ctx)
{
    // The current port first, as the toolbar's search does; one that will not open is skipped
    // by the search, and its reason is shown only when the user can fix it.
    ctx.link.setPortName(ctx.currentPort());
    QString currentProblem;
    if (!ctx.link.openPort() && ctx.link.port()) {
        const SerialPort::OpenError why = ctx.link.port()->openError();
        if (why == SerialPort::OpenError::PermissionDenied || why == SerialPort::OpenError::Busy)
            currentProblem =
                DeviceSession::openProblemText(why == SerialPort::OpenError::Busy ? 427 : 426,
                                               ctx.currentPort(), ctx.link.port()->errorString());
    }
    const bool found = ctx.session.Search();
    bool listed = false;
    for (const DeviceSession::PortProblem &p : ctx.session.portProblems())
        listed = listed || p.port == ctx.currentPort();
    if (!currentProblem.isEmpty() && !listed)
        ctx.err << currentProblem << Qt::endl;
    ctx.printPortProblems();
    // A selector waiting in its boot monitor answers nothing but the upgrade.
    if (!found && !ctx.session.monitorPort().isEmpty())
        ctx.err << Msg(986).arg(ctx.session.monitorPort()) << Qt::endl;
    if (!found)
        return CliExitCodes::DeviceFailure;
    for (const auto &line : ctx.session.identity.panelLines())
        printLine(ctx.out, line.first, line.second);
    printLine(ctx.out, Msg(436), ctx.link.portName());
    printLine(ctx.out, Msg(437), QString::number(ctx.link.DeviceAddress));
    return 0;
}

const bool registered = CliCommandRegistry::add(
    {QStringLiteral("identify"), QString(), 441, CliCommand::Device::None, 0, 0, &runIdentify});
} // namespace
