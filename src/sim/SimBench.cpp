#include "sim/SimBench.h"

#include <QRegularExpression>

#include <algorithm>

namespace {
QString hexByte(int v)
{
    return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

// "OK a=1 b=x" -> the value of key, empty when missing.
QString field(const QString &reply, const QString &key)
{
    const QRegularExpression re(QStringLiteral("(?:^| )%1=(\\S*)").arg(QRegularExpression::escape(key)));
    const auto m = re.match(reply);
    return m.hasMatch() ? m.captured(1) : QString();
}
} // namespace

const QStringList &SimBench::faultKinds()
{
    static const QStringList kinds = {QStringLiteral("checksum"), QStringLiteral("noreply"),
                                      QStringLiteral("late"),     QStringLiteral("extra"),
                                      QStringLiteral("noecho"),   QStringLiteral("nak"),
                                      QStringLiteral("short")};
    return kinds;
}

SimBench::SimBench(SimBus *bus, QObject *parent) : QObject(parent), m_control(bus)
{
    const QString kinds = m_control.execute(QStringLiteral("kinds"));
    if (kinds.startsWith(QLatin1String("OK ")))
        m_kinds = kinds.mid(3).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // Coins in the order of their numbers (c10 before c100), the washer last.
    std::sort(m_kinds.begin(), m_kinds.end(), [](const QString &a, const QString &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    if (m_kinds.removeAll(QStringLiteral("washer")) > 0)
        m_kinds << QStringLiteral("washer");
    m_refresh.setInterval(RefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &SimBench::refresh);
    connect(&m_burstTimer, &QTimer::timeout, this, &SimBench::burstTick);
    refresh();
}

QString SimBench::command(const QString &line)
{
    const QString reply = m_control.execute(line);
    refresh();
    return reply;
}

void SimBench::takeVerdict(const QString &reply)
{
    const QStringList w = reply.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (w.value(0) != QLatin1String("OK") || w.size() < 2)
        return;
    m_channel = 0;
    if (w[1] == QLatin1String("accepted")) {
        m_verdict = Verdict::Accepted;
        m_channel = w.value(2).toInt();
    } else if (w[1] == QLatin1String("inhibited")) {
        m_verdict = Verdict::Inhibited;
    } else if (w[1] == QLatin1String("returned")) {
        m_verdict = Verdict::Returned;
    } else {
        m_verdict = Verdict::Rejected;
    }
}

void SimBench::insertCoin(const QString &kind)
{
    takeVerdict(m_control.execute(QStringLiteral("coin ") + kind));
    refresh();
}

bool SimBench::startBurst(const QString &kind, int count, int intervalMs)
{
    if (!m_kinds.contains(kind) || count < 1 || intervalMs < 1)
        return false;
    m_burstKind = kind;
    m_burstCount = count;
    m_burstDone = 0;
    m_burstTimer.start(intervalMs);
    emit changed();
    return true;
}

void SimBench::stopBurst()
{
    m_burstTimer.stop();
    emit changed();
}

void SimBench::burstTick()
{
    if (m_burstDone >= m_burstCount) {
        m_burstTimer.stop();
        return;
    }
    ++m_burstDone;
    if (m_burstDone >= m_burstCount)
        m_burstTimer.stop();
    insertCoin(m_burstKind);
}

void SimBench::setDip(int bank, int value)
{
    command(QStringLiteral("dip %1 %2").arg(bank).arg(hexByte(value & 0x3F)));
}

void SimBench::setInput(int line, bool on)
{
    command(QStringLiteral("input %1 %2").arg(line).arg(on ? 1 : 0));
}

void SimBench::setOptoBlocked(int sensor, bool blocked)
{
    const int bit = 1 << (sensor - 1);
    const int opto = blocked ? (m_state.opto | bit) : (m_state.opto & ~bit);
    command(QStringLiteral("opto ") + hexByte(opto));
}

void SimBench::setAnalog(int index, int value)
{
    command(QStringLiteral("analog %1 %2").arg(index).arg(value));
}

void SimBench::setRegulator(int which, int raw)
{
    const int at = 2 * (which - 1);
    m_control.execute(QStringLiteral("analog %1 %2").arg(at).arg((raw >> 8) & 0xFF));
    setAnalog(at + 1, raw & 0xFF);
}

void SimBench::setOutputShorted(int line, bool shorted)
{
    command(QStringLiteral("output %1 %2").arg(line).arg(shorted ? QLatin1String("shorted") : QLatin1String("ok")));
}

void SimBench::setPlugged(bool plugged)
{
    command(plugged ? QStringLiteral("plug") : QStringLiteral("unplug"));
}

void SimBench::failNext(const QString &kind, bool always)
{
    command(QStringLiteral("fault ") + kind + (always ? QStringLiteral(" count always") : QString()));
}

void SimBench::clearFaults()
{
    command(QStringLiteral("clear-faults"));
}

int SimBench::dip(int bank) const
{
    return bank >= 1 && bank <= m_state.inputs.size() ? quint8(m_state.inputs.at(bank - 1)) & 0x3F : 0;
}

bool SimBench::input(int line) const
{
    return line >= 1 && line <= m_state.inputs.size() && (quint8(m_state.inputs.at(line - 1)) & 0x80);
}

int SimBench::regulator(int which) const
{
    const int at = 2 * (which - 1);
    if (at < 0 || at + 1 >= m_state.analog.size())
        return 0;
    return quint8(m_state.analog.at(at)) * 256 + quint8(m_state.analog.at(at + 1));
}

void SimBench::refresh()
{
    const QString status = m_control.execute(QStringLiteral("status"));
    const QString state = m_control.execute(QStringLiteral("state"));
    State s;
    s.valid = status.startsWith(QLatin1String("OK")) && state.startsWith(QLatin1String("OK"));
    if (s.valid) {
        s.address = field(status, QStringLiteral("address")).toInt();
        s.baud = field(status, QStringLiteral("baud")).toInt();
        s.monitor = field(status, QStringLiteral("monitor")) == QLatin1String("1");
        s.revision = field(status, QStringLiteral("revision"));
        s.insertions = field(status, QStringLiteral("insertions")).toUInt();
        s.events = field(status, QStringLiteral("events")).toInt();
        s.inhibited = field(state, QStringLiteral("inhibit")) == QLatin1String("1");
        s.unplugged = field(state, QStringLiteral("unplugged")) == QLatin1String("1");
        s.inputs = QByteArray::fromHex(field(state, QStringLiteral("inputs")).toLatin1());
        s.opto = quint8(field(state, QStringLiteral("opto")).toUInt(nullptr, 16));
        s.analog = QByteArray::fromHex(field(state, QStringLiteral("analog")).toLatin1());
        s.shorted = quint8(field(state, QStringLiteral("shorted")).toUInt(nullptr, 16));
    }
    m_state = s;
    emit changed();
}

void SimBench::setWatching(bool on)
{
    if (on) {
        refresh();
        m_refresh.start();
    } else {
        m_refresh.stop();
    }
}
