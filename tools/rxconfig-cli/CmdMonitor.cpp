// monitor [--count N] [--events] [--csv]: the test window's normal polling as text, one line
// per 200 ms tick, until --count ticks are done or Ctrl-C (SIGTERM, SIGHUP). --events lists
// coins instead, as the insertion test does, with every coin enabled meanwhile; the selector's
// own inhibits and master inhibit are put back on every way out.
#include "CliCommand.h"
#include "CliContext.h"
#include "CliInterrupt.h"
#include "CliJson.h"
#include "app/Messages.h"
#include "device/DeviceSession.h"
#include "device/ReplyFrame.h"
#include "diag/DeviceTest.h"
#include "diag/DiagReadings.h"
#include "link/CcTalkLink.h"

#include <QElapsedTimer>
#include <QJsonArray>

using namespace DiagReadings;

namespace {
// The data of an acknowledged reply of at least `need` bytes; empty when there is none.
QByteArray ask(CcTalkLink &link, const QByteArray &command, int need)
{
    QByteArray reply;
    if (link.Transact(link.DeviceAddress, command, 15, reply) != CcTalkLink::Ok)
        return QByteArray();
    const QByteArray data = ReplyFrame::data(reply);
    return data.size() >= need ? data : QByteArray();
}

bool acknowledged(CcTalkLink &link, const QByteArray &command)
{
    QByteArray reply;
    return link.Transact(link.DeviceAddress, command, 15, reply) == CcTalkLink::Ok &&
           ReplyFrame::isAck(reply);
}

// Switch 1 first, as the pictures read from left to right.
QString bank(quint8 byte)
{
    QString s;
    for (int i = 0; i < 6; ++i)
        s += QLatin1Char((byte >> i) & 1 ? '1' : '0');
    return s;
}

QString readingsLine(CcTalkLink &link, bool showSw2)
{
    const QString none = QStringLiteral("--");
    QString line;
    Inputs in;
    const bool inputsRead = readInputs(link, in);
    line += QStringLiteral("SW1=") + (inputsRead ? bank(in.sw1) : none);
    if (showSw2)
        line += QStringLiteral(" SW2=") + (inputsRead ? bank(in.sw2) : none);
    line += QStringLiteral(" IN=") +
            (inputsRead ? QStringLiteral("%1%2").arg(in.sw1 >> 7).arg(in.sw2 >> 7) : none);
    quint8 opto = 0;
    QString ft;
    if (readOpto(link, opto))
        for (int k = 0; k < 5; ++k)
            ft += QLatin1Char((opto >> k) & 1 ? '1' : '0');
    line += QStringLiteral(" FT=") + (ft.isEmpty() ? none : ft);
    Analog a;
    if (readAnalog(link, a)) {
        for (int i = 0; i < 5; ++i)
            line +=
                QStringLiteral(" %1=%2mV").arg(QLatin1String(AnalogNames[i])).arg(a.millivolts[size_t(i)]);
        line += QStringLiteral(" Vcc=%1V Reg1=%2 Reg2=%3").arg(a.vcc).arg(a.reg1).arg(a.reg2);
    } else {
        line += QStringLiteral(" analog=--");
    }
    return line;
}

QJsonValue bits(quint8 byte, int count)
{
    QJsonArray array;
    for (int i = 0; i < count; ++i)
        array.append(((byte >> i) & 1) != 0);
    return array;
}

// One tick's readings; a group that could not be read is null.
QJsonObject readingsObject(CcTalkLink &link, bool showSw2, qint64 ms)
{
    QJsonObject o{{QStringLiteral("ms"), ms}};
    Inputs in;
    const bool inputsRead = readInputs(link, in);
    o.insert(QStringLiteral("sw1"), inputsRead ? bits(in.sw1, 6) : QJsonValue());
    if (showSw2)
        o.insert(QStringLiteral("sw2"), inputsRead ? bits(in.sw2, 6) : QJsonValue());
    o.insert(QStringLiteral("inputs"),
             inputsRead ? QJsonArray{(in.sw1 >> 7) != 0, (in.sw2 >> 7) != 0} : QJsonValue());
    quint8 opto = 0;
    o.insert(QStringLiteral("opto"), readOpto(link, opto) ? bits(opto, 5) : QJsonValue());
    Analog a;
    if (readAnalog(link, a)) {
        QJsonObject mv;
        for (int i = 0; i < 5; ++i)
            mv.insert(QLatin1String(AnalogNames[i]), a.millivolts[size_t(i)]);
        o.insert(QStringLiteral("millivolts"), mv);
        o.insert(QStringLiteral("vcc"), a.vcc);
        o.insert(QStringLiteral("reg1"), a.reg1);
        o.insert(QStringLiteral("reg2"), a.reg2);
    } else {
        o.insert(QStringLiteral("millivolts"), QJsonValue());
    }
    return o;
}

QString csvLine(CcTalkLink &link, qint64 ms)
{
    Analog a;
    if (!readAnalog(link, a))
        return QString::number(ms) + QStringLiteral(",,,,,,,,");
    QStringList cells{QString::number(ms)};
    for (int v : a.millivolts)
        cells << QString::number(v);
    cells << QString::number(a.vcc) << QString::number(a.reg1) << QString::number(a.reg2);
    return cells.join(QLatin1Char(','));
}

int runMonitor(CliContext &ctx)
{
    QString countText;
    bool events = false;
    bool csv = false;
    const QStringList &args = ctx.options.args;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--events"))
            events = true;
        else if (a == QLatin1String("--csv"))
            csv = true;
        else if (!takeOption(args, i, QStringLiteral("--count"), &countText))
            return ctx.usageError(Msg(453) + a);
    }
    bool ok = true;
    // Without --count it runs until Ctrl-C; a count of 0 would only mean the same in disguise.
    const int count = countText.isEmpty() ? 0 : countText.toInt(&ok);
    if (!ok || (!countText.isEmpty() && count < 1))
        return ctx.usageError(Msg(782) + countText);

    const CliInterrupt::Guard guard;
    CcTalkLink &link = ctx.link;
    const bool showSw2 = ctx.session.DeviceType == QLatin1String("RX30");
    CreditEvents ev;
    quint8 lastCounter = 0;
    // What --events changes, as the selector held it: inhibit bytes, then master inhibit.
    QByteArray inhibits;
    QByteArray master;
    if (events) {
        inhibits = ask(link, QByteArray(1, char(230)), 2).left(2);
        master = ask(link, QByteArray(1, char(227)), 1).left(1);
        if (inhibits.isEmpty() || master.isEmpty())
            ctx.note(Msg(627));
        lastCounter = readCreditEvents(link, ev) ? ev.counter : 0;
    }
    if (csv && !events && !ctx.options.json)
        ctx.out << "ms,AM1,PH1,AM2,PH2,PI3,Vcc,Reg1,Reg2\n";
    ctx.out.flush();

    QElapsedTimer clock;
    clock.start();
    for (int tick = 0; !CliInterrupt::requested() && (count == 0 || tick < count); ++tick) {
        const qint64 started = clock.elapsed();
        if (events) {
            send(link, QByteArray::fromHex("E7FFFF"), 15);
            send(link, QByteArray::fromHex("E401"), 15);
            if (readCreditEvents(link, ev) && ev.counter != lastCounter) {
                const int n = newEventCount(lastCounter, ev.counter);
                lastCounter = ev.counter;
                if (ctx.options.json) {
                    // Oldest first, as the lines are; a credit of 0 is a rejected coin.
                    for (int k = n; k >= 1 && k <= 5; --k) {
                        const int credit = ev.pairs[size_t(2 * (k - 1))];
                        CliJson::write(ctx.out,
                                       {{QStringLiteral("ms"), started},
                                        {QStringLiteral("coin"), credit ? QJsonValue(credit) : QJsonValue()},
                                        {QStringLiteral("rejected"), credit == 0}});
                    }
                } else {
                    for (const QString &line : eventLines(ev, n))
                        ctx.out << line << '\n';
                }
            }
        } else if (ctx.options.json) {
            CliJson::write(ctx.out, readingsObject(link, showSw2, started));
        } else {
            ctx.out << (csv ? csvLine(link, started) : readingsLine(link, showSw2)) << '\n';
        }
        ctx.out.flush();
        const qint64 spent = clock.elapsed() - started;
        if (!CliInterrupt::requested() && (count == 0 || tick + 1 < count) && spent < DeviceTest::PollMs)
            CcTalkLink::PumpDelay(unsigned(DeviceTest::PollMs - spent));
    }
    if (events && !inhibits.isEmpty() && !master.isEmpty() &&
        !(acknowledged(link, char(231) + inhibits) && acknowledged(link, char(228) + master))) {
        ctx.prompts.error(Msg(622));
        return CliExitCodes::DeviceFailure;
    }
    return 0;
}

const bool registered =
    CliCommandRegistry::add({QStringLiteral("monitor"), QStringLiteral("[--count N] [--events] [--csv]"), 781,
                             CliCommand::Device::Identify, 0, 4, &runMonitor});
} // namespace
