// identify: the toolbar's "Search", then the device information panel.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliJson.h"
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
        ctx.note(currentProblem);
    ctx.printPortProblems();
    // A selector waiting in its boot monitor answers nothing but the upgrade.
    if (!found && !ctx.session.monitorPort().isEmpty())
        ctx.note(Msg(986).arg(ctx.session.monitorPort()));
    if (!found)
        return CliExitCodes::DeviceFailure;
    if (ctx.options.json) {
        const DeviceIdentity &id = ctx.session.identity;
        bool numeric = false;
        const qint64 serial = id.serialNumber.toLongLong(&numeric);
        // A field whose request failed is null.
        const auto text = [](const QString &value) {
            return value.isEmpty() ? QJsonValue() : QJsonValue(value);
        };
        CliJson::write(ctx.out, {{QStringLiteral("product"), text(id.productCode)},
                                 {QStringLiteral("serial"), numeric ? QJsonValue(serial) : QJsonValue()},
                                 {QStringLiteral("build"), text(id.buildCode)},
                                 {QStringLiteral("revision"), text(id.softwareRevision)},
                                 {QStringLiteral("productionDate"), text(id.productionDate)},
                                 {QStringLiteral("modificationDate"), text(id.modificationDate)},
                                 {QStringLiteral("port"), ctx.link.portName()},
                                 {QStringLiteral("address"), int(ctx.link.DeviceAddress)}});
        return 0;
    }
    for (const auto &line : ctx.session.identity.panelLines())
        printLine(ctx.out, line.first, line.second);
    printLine(ctx.out, Msg(436), ctx.link.portName());
    printLine(ctx.out, Msg(437), QString::number(ctx.link.DeviceAddress));
    return 0;
}

const bool registered = CliCommandRegistry::add(
    {QStringLiteral("identify"), QString(), 441, CliCommand::Device::None, 0, 0, &runIdentify});
} // namespace
