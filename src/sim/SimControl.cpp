#include "sim/SimControl.h"

#include "sim/SelectorSim.h"
#include "sim/SimCoinKinds.h"
#include "sim/SimBus.h"
#include "sim/SimLine.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

QString ok(const QString &text = QString())
{
    return text.isEmpty() ? QStringLiteral("OK") : QStringLiteral("OK ") + text;
}

QString err(const QString &text)
{
    return QStringLiteral("ERR ") + text;
}

// A number in decimal, or hexadecimal with a 0x prefix.
bool number(const QString &text, int min, int max, int &out)
{
    bool good = false;
    const int v = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toInt(&good, 16)
                                                                            : text.toInt(&good, 10);
    if (!good || v < min || v > max)
        return false;
    out = v;
    return true;
}

bool hexBytes(const QString &text, QByteArray &out)
{
    static const QRegularExpression re(QStringLiteral("^([0-9A-Fa-f]{2})+$"));
    if (!re.match(text).hasMatch())
        return false;
    out = QByteArray::fromHex(text.toLatin1());
    return true;
}

QString coinText(const SelectorSim::CoinOutcome &o)
{
    switch (o.result) {
    case SelectorSim::CoinResult::Accepted:
        return ok(QStringLiteral("accepted %1").arg(o.channel));
    case SelectorSim::CoinResult::Inhibited:
        return ok(QStringLiteral("inhibited"));
    case SelectorSim::CoinResult::Returned:
        return ok(QStringLiteral("returned"));
    case SelectorSim::CoinResult::Rejected:
        break;
    }
    return ok(QStringLiteral("rejected"));
}

QString maskText(int value)
{
    return value < 0 ? QStringLiteral("--")
                     : QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

bool faultKind(const QString &name, SelectorSim::FaultKind &kind)
{
    using K = SelectorSim::FaultKind;
    static const struct
    {
        const char *name;
        K kind;
    } kinds[] = {{"checksum", K::CorruptChecksum}, {"noreply", K::NoReply},     {"late", K::LateReply},
                 {"extra", K::ExtraBytes},         {"noecho", K::NoEcho},       {"nak", K::Nak},
                 {"status", K::MonitorStatus},     {"unplugged", K::Unplugged}, {"short", K::ShortReply},
                 {"dropwrite", K::DropWrite}};
    for (const auto &k : kinds) {
        if (name == QLatin1String(k.name)) {
            kind = k.kind;
            return true;
        }
    }
    return false;
}

} // namespace

SelectorSim *SimControl::selector() const
{
    return m_bus ? m_bus->selector(0) : nullptr;
}

QString SimControl::grammar()
{
    return QStringLiteral(
        "Control commands (one per line; each reply is one line beginning OK or ERR):\n"
        "  coin CH                      insert a coin measuring like channel CH (1..16)\n"
        "  coin AM1 PH1 AM2 PH2 PI3 DIM insert a coin with six measurements (0..255)\n"
        "                               -> OK accepted CH | OK rejected | OK inhibited\n"
        "  return AM1 PH1 AM2 PH2 PI3 DIM  a coin measured and then returned\n") +
           SimCoinKinds::grammar() + QStringLiteral(
        "  dip 1|2 HEX                  DIP switch bank 1 or 2, low six bits\n"
        "  input 1|2 0|1                input line 1 or 2\n"
        "  inputs HEX                   the whole reply of read input lines\n"
        "  opto HEX                     opto states byte\n"
        "  analog HEX                   all eleven analog bytes (22 hex digits)\n"
        "  analog N VALUE               analog byte N (0..10) := VALUE\n"
        "  output K shorted|ok          wiring fault: latched output K (1..7) shows on input 1\n"
        "  outputs                      -> OK solenoid=XX latch=XX pulse=XX counts=S,L,P (-- = none yet)\n"
        "  fault KIND [count N|always] [header H] [sub S] [skip N] [status D] [delay MS]\n"
        "                               KIND: checksum noreply late extra noecho nak status unplugged short\n"
        "                               dropwrite (count N: the next N memory writes are acknowledged\n"
        "                               but not stored)\n"
        "                               (sub: only header 255 frames with sub-code S)\n"
        "                               (skip: the first N matching frames are answered normally)\n"
        "                               (count 1, any header, status 3, late by 1500 ms unless given)\n"
        "                               (status: the monitor answers D and ignores the record)\n"
        "  clear-faults                 remove every injected fault\n"
        "  unplug | plug                selector silent to everything / back on the bus\n") +
           SimLine::grammar() + QStringLiteral(
        "  monitor                      enter the boot monitor\n"
        "  leave-monitor                back to the program at 9600 baud, firmware unchanged\n"
        "  echo on|off                  the wire's echo of host bytes\n"
        "  dump ADDR COUNT              working memory as hex (ADDR hex, COUNT decimal)\n"
        "  dump-nv ADDR COUNT           non-volatile memory as hex\n"
        "  status                       address, monitor state, baud, counters, revision\n"
        "  state                        -> OK inhibit=0|1 unplugged=0|1 inputs=HEX opto=HEX analog=HEX22\n"
        "                               shorted=HEX (bit K-1: output K shorted)\n"
        "  quit                         reply OK and end rxsim\n");
}

QString SimControl::execute(const QString &line)
{
    SelectorSim *sim = selector();
    if (!sim)
        return err(QStringLiteral("no selector"));
    const QStringList w = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (w.isEmpty())
        return err(QStringLiteral("empty command"));
    const QString cmd = w.first().toLower();
    const int argc = w.size() - 1;
    QString kindReply;
    if (SimCoinKinds::control(m_bus, *sim, w, kindReply) || SimLine::control(m_bus, w, kindReply))
        return kindReply;

    if (cmd == QLatin1String("coin") || cmd == QLatin1String("return")) {
        int v = 0;
        if (cmd == QLatin1String("coin") && argc == 1) {
            if (!number(w[1], 1, 16, v))
                return err(QStringLiteral("channel must be 1..16"));
            return coinText(sim->insertCoin(v));
        }
        if (argc != 6)
            return err(QStringLiteral("usage: %1 CH | %1 AM1 PH1 AM2 PH2 PI3 DIM").arg(cmd));
        QByteArray six;
        for (int i = 1; i <= 6; ++i) {
            if (!number(w[i], 0, 255, v))
                return err(QStringLiteral("measurements are 0..255"));
            six.append(char(v));
        }
        return coinText(sim->insertCoin(six, cmd == QLatin1String("return")));
    }
    if (cmd == QLatin1String("dip") || cmd == QLatin1String("input")) {
        int which = 0;
        int v = 0;
        const bool dip = cmd == QLatin1String("dip");
        if (argc != 2 || !number(w[1], 1, 2, which))
            return err(QStringLiteral("usage: dip 1|2 HEX | input 1|2 0|1"));
        QByteArray in = sim->inputs();
        if (in.size() < 2)
            in.append(QByteArray(2 - in.size(), char(0)));
        quint8 b = quint8(in.at(which - 1));
        if (dip) {
            bool good = false;
            v = w[2].toInt(&good, 16);
            if (!good || v < 0 || v > 0x3F)
                return err(QStringLiteral("DIP bank value is 00..3F"));
            b = quint8((b & 0xC0) | v);
        } else {
            if (!number(w[2], 0, 1, v))
                return err(QStringLiteral("input state is 0 or 1"));
            b = quint8(v ? (b | 0x80) : (b & 0x7F));
        }
        in[which - 1] = char(b);
        sim->setInputs(in);
        return ok();
    }
    if (cmd == QLatin1String("inputs") || cmd == QLatin1String("opto")) {
        QByteArray b;
        if (argc != 1 || !hexBytes(w[1], b) || (cmd == QLatin1String("opto") && b.size() != 1))
            return err(QStringLiteral("usage: %1 HEX").arg(cmd));
        if (cmd == QLatin1String("opto"))
            sim->setOptoStates(quint8(b.at(0)));
        else
            sim->setInputs(b);
        return ok();
    }
    if (cmd == QLatin1String("analog")) {
        QByteArray b;
        int index = 0;
        int v = 0;
        if (argc == 1 && hexBytes(w[1], b) && b.size() == 11) {
            sim->setAnalog(b);
            return ok();
        }
        if (argc == 2 && number(w[1], 0, 10, index) && number(w[2], 0, 255, v)) {
            sim->setAnalogByte(index, quint8(v));
            return ok();
        }
        return err(QStringLiteral("usage: analog HEX22 | analog N VALUE"));
    }
    if (cmd == QLatin1String("output")) {
        int line = 0;
        if (argc != 2 || !number(w[1], 1, 7, line) ||
            (w[2] != QLatin1String("shorted") && w[2] != QLatin1String("ok")))
            return err(QStringLiteral("usage: output 1..7 shorted|ok"));
        sim->setOutputShorted(line, w[2] == QLatin1String("shorted"));
        return ok();
    }
    if (cmd == QLatin1String("outputs")) {
        const auto &o = sim->outputs();
        return ok(QStringLiteral("solenoid=%1 latch=%2 pulse=%3 counts=%4,%5,%6")
                      .arg(maskText(o.solenoidMask), maskText(o.latchedOutputs), maskText(o.pulsedOutputs))
                      .arg(o.solenoidCount)
                      .arg(o.latchCount)
                      .arg(o.pulseCount));
    }
    if (cmd == QLatin1String("fault")) {
        SelectorSim::Fault fault;
        if (argc < 1 || !faultKind(w[1].toLower(), fault.kind))
            return err(QStringLiteral(
                "usage: fault KIND [count N|always] [header H] [sub S] [skip N] [status D] [delay MS]"));
        for (int i = 2; i < w.size(); i += 2) {
            if (i + 1 >= w.size())
                return err(QStringLiteral("%1 needs a value").arg(w[i]));
            const QString key = w[i].toLower();
            int v = 0;
            if (key == QLatin1String("count")) {
                if (w[i + 1] == QLatin1String("always"))
                    fault.count = -1;
                else if (number(w[i + 1], 1, 1000000, v))
                    fault.count = v;
                else
                    return err(QStringLiteral("count is 1.. or always"));
            } else if (key == QLatin1String("header")) {
                if (!number(w[i + 1], 0, 255, v))
                    return err(QStringLiteral("header is 0..255"));
                fault.header = v;
            } else if (key == QLatin1String("skip")) {
                if (!number(w[i + 1], 0, 1000000, v))
                    return err(QStringLiteral("skip is 0.."));
                fault.skip = v;
            } else if (key == QLatin1String("sub")) {
                if (!number(w[i + 1], 0, 255, v))
                    return err(QStringLiteral("sub is 0..255"));
                fault.subCode = v;
            } else if (key == QLatin1String("delay")) {
                if (!number(w[i + 1], 1, 60000, v))
                    return err(QStringLiteral("delay is 1..60000 ms"));
                sim->setLateReplyMs(v);
            } else if (key == QLatin1String("status")) {
                if (w[i + 1].size() != 1)
                    return err(QStringLiteral("status is one character"));
                fault.monitorStatus = w[i + 1].at(0).toLatin1();
            } else {
                return err(QStringLiteral("unknown fault option %1").arg(w[i]));
            }
        }
        sim->injectFault(fault);
        return ok();
    }
    if (argc == 0 && cmd == QLatin1String("clear-faults")) {
        sim->clearFaults();
        return ok();
    }
    if (argc == 0 && (cmd == QLatin1String("unplug") || cmd == QLatin1String("plug"))) {
        sim->setUnplugged(cmd == QLatin1String("unplug"));
        return ok();
    }
    if (argc == 0 && cmd == QLatin1String("monitor")) {
        sim->enterMonitor();
        return ok();
    }
    if (argc == 0 && cmd == QLatin1String("leave-monitor")) {
        sim->leaveMonitor();
        return ok();
    }
    if (cmd == QLatin1String("echo") && argc == 1 &&
        (w[1] == QLatin1String("on") || w[1] == QLatin1String("off"))) {
        m_bus->setEcho(w[1] == QLatin1String("on"));
        return ok();
    }
    if (cmd == QLatin1String("dump") || cmd == QLatin1String("dump-nv")) {
        bool good = false;
        const int address = argc == 2 ? w[1].toInt(&good, 16) : 0;
        int count = 0;
        if (!good || argc != 2 || !number(w[2], 1, SelectorSim::MemorySize, count) ||
            address < SelectorSim::MemoryStart || address + count > SelectorSim::MemoryEnd)
            return err(QStringLiteral("usage: %1 ADDR COUNT within 0600..083F").arg(cmd));
        const QByteArray b =
            cmd == QLatin1String("dump") ? sim->memory(address, count) : sim->nvMemory(address, count);
        return ok(QString::fromLatin1(b.toHex().toUpper()));
    }
    if (argc == 0 && cmd == QLatin1String("status")) {
        return ok(QStringLiteral("address=%1 monitor=%2 baud=%3 insertions=%4 events=%5 revision=%6")
                      .arg(sim->address())
                      .arg(sim->inMonitor() ? 1 : 0)
                      .arg(sim->currentBaud())
                      .arg(sim->insertionCounter())
                      .arg(sim->eventCounter())
                      .arg(QString::fromLatin1(sim->identity().softwareRevision)));
    }
    if (argc == 0 && cmd == QLatin1String("state")) {
        const auto hex = [](const QByteArray &b) { return QString::fromLatin1(b.toHex().toUpper()); };
        return ok(QStringLiteral("inhibit=%1 unplugged=%2 inputs=%3 opto=%4 analog=%5 shorted=%6")
                      .arg(sim->masterInhibit() ? 1 : 0)
                      .arg(sim->unplugged() ? 1 : 0)
                      .arg(hex(sim->inputs()), hex(QByteArray(1, char(sim->optoStates()))), hex(sim->analog()),
                           hex(QByteArray(1, char(sim->shortedOutputs())))));
    }
    if (argc == 0 && cmd == QLatin1String("quit")) {
        m_quit = true;
        return ok();
    }
    return err(QStringLiteral("unknown command %1").arg(w.first()));
}
