#include "sim/SimCoinKinds.h"

#include "sim/SelectorSim.h"
#include "sim/SimBus.h"

#include <cmath>

namespace {
SimCoinKinds::Kind make(std::array<double, 6> mean, double spread)
{
    SimCoinKinds::Kind k;
    k.mean = mean;
    k.spread.fill(spread);
    return k;
}

bool number(const QString &text, double min, double max, double &out)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || v < min || v > max)
        return false;
    out = v;
    return true;
}

QString outcomeText(const SelectorSim::CoinOutcome &o)
{
    switch (o.result) {
    case SelectorSim::CoinResult::Accepted:
        return QStringLiteral("OK accepted %1").arg(o.channel);
    case SelectorSim::CoinResult::Inhibited:
        return QStringLiteral("OK inhibited");
    case SelectorSim::CoinResult::Returned:
        return QStringLiteral("OK returned");
    case SelectorSim::CoinResult::Rejected:
        break;
    }
    return QStringLiteral("OK rejected");
}
} // namespace

SimCoinKinds::SimCoinKinds()
{
    define(QStringLiteral("c10"), make({120, 80, 140, 60, 100, 90}, 1.5));
    define(QStringLiteral("c20"), make({135, 85, 150, 66, 110, 110}, 1.5));
    define(QStringLiteral("c50"), make({160, 95, 170, 72, 118, 140}, 1.5));
    define(QStringLiteral("c100"), make({180, 60, 120, 100, 140, 155}, 1.8));
    define(QStringLiteral("c200"), make({200, 70, 130, 110, 150, 175}, 1.8));
    define(QStringLiteral("washer"), make({70, 170, 50, 190, 30, 120}, 3.0));
}

double SimCoinKinds::normal()
{
    // Box-Muller: two uniform draws give one standard normal value.
    double u = 0;
    while (u <= 0)
        u = m_random.generateDouble();
    const double v = m_random.generateDouble();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * M_PI * v);
}

QByteArray SimCoinKinds::draw(const QString &name)
{
    if (!has(name))
        return {};
    const Kind k = kind(name);
    QByteArray six;
    for (int i = 0; i < ParameterCount; ++i) {
        const double x = k.mean[size_t(i)] + k.spread[size_t(i)] * normal();
        six.append(char(qBound(0, int(std::lround(x)), 255)));
    }
    return six;
}

QString SimCoinKinds::grammar()
{
    return QStringLiteral(
        "  kind NAME M1..M6 S1..S6      define a coin kind: six means, six spreads (0..255)\n"
        "  kinds                        -> OK the names of the coin kinds (built in: c10 c20 c50 c100\n"
        "                               c200 washer)\n"
        "  coin NAME                    insert one coin of a kind (measured with its noise)\n"
        "  burst NAME COUNT MS          insert COUNT coins of a kind, one every MS ms\n"
        "  burst stop | burst           stop the burst / -> OK inserted=K of N running=0|1\n"
        "  seed N                       restart the coin noise from seed N\n"
        "  database N                   the database version the selector reports (0..255)\n");
}

bool SimCoinKinds::control(SimBus *bus, SelectorSim &sim, const QStringList &w, QString &reply)
{
    const QString cmd = w.value(0).toLower();
    const int argc = int(w.size()) - 1;
    SimCoinKinds &kinds = sim.coinKinds();
    if (cmd == QLatin1String("coin") && argc == 1 && !w[1].isEmpty() && w[1].at(0).isLetter()) {
        if (!kinds.has(w[1])) {
            reply = QStringLiteral("ERR unknown coin kind %1").arg(w[1]);
            return true;
        }
        reply = outcomeText(sim.insertKind(w[1]));
        return true;
    }
    if (cmd == QLatin1String("kind")) {
        Kind k;
        bool good = argc == 13 && w[1].at(0).isLetter();
        for (int i = 0; i < 12 && good; ++i)
            good = number(w[2 + i], 0, 255, i < 6 ? k.mean[size_t(i)] : k.spread[size_t(i - 6)]);
        reply = good ? QStringLiteral("OK") : QStringLiteral("ERR usage: kind NAME M1..M6 S1..S6 (0..255)");
        if (good)
            kinds.define(w[1], k);
        return true;
    }
    if (cmd == QLatin1String("kinds") && argc == 0) {
        reply = QStringLiteral("OK ") + kinds.names().join(QLatin1Char(' '));
        return true;
    }
    if (cmd == QLatin1String("seed") && argc == 1) {
        bool ok = false;
        const uint seed = w[1].toUInt(&ok);
        reply = ok ? QStringLiteral("OK") : QStringLiteral("ERR seed is a whole number");
        if (ok)
            kinds.seed(seed);
        return true;
    }
    if (cmd == QLatin1String("database") && argc == 1) {
        bool ok = false;
        const int v = w[1].toInt(&ok);
        ok = ok && v >= 0 && v <= 255;
        reply = ok ? QStringLiteral("OK") : QStringLiteral("ERR database version is 0..255");
        if (ok)
            sim.identity().databaseVersion = quint8(v);
        return true;
    }
    if (cmd == QLatin1String("burst")) {
        SimCoinBurst *burst = SimCoinBurst::of(bus);
        if (argc == 0) {
            reply = QStringLiteral("OK inserted=%1 of %2 running=%3")
                        .arg(burst ? burst->inserted() : 0)
                        .arg(burst ? burst->count() : 0)
                        .arg(burst && burst->running() ? 1 : 0);
            return true;
        }
        if (argc == 1 && w[1] == QLatin1String("stop")) {
            if (burst)
                burst->stop();
            reply = QStringLiteral("OK");
            return true;
        }
        bool okCount = false;
        bool okMs = false;
        const int count = argc == 3 ? w[2].toInt(&okCount) : 0;
        const int ms = argc == 3 ? w[3].toInt(&okMs) : 0;
        if (!bus || argc != 3 || !kinds.has(w[1]) || !okCount || !okMs || count < 1 || count > 100000 ||
            ms < 1 || ms > 600000) {
            reply = QStringLiteral("ERR usage: burst NAME COUNT MS (a known kind, COUNT 1.., MS 1..600000)");
            return true;
        }
        if (!burst)
            burst = new SimCoinBurst(bus);
        burst->start(w[1], count, ms);
        reply = QStringLiteral("OK");
        return true;
    }
    return false;
}

SimCoinBurst::SimCoinBurst(SimBus *bus) : QObject(bus), m_bus(bus)
{
    setObjectName(QStringLiteral("coinBurst"));
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SimCoinBurst::insertOne);
}

SimCoinBurst *SimCoinBurst::of(SimBus *bus)
{
    return bus ? bus->findChild<SimCoinBurst *>(QStringLiteral("coinBurst"), Qt::FindDirectChildrenOnly)
               : nullptr;
}

bool SimCoinBurst::start(const QString &kind, int count, int intervalMs)
{
    m_kind = kind;
    m_count = count;
    m_inserted = 0;
    m_timer.start(intervalMs);
    return true;
}

void SimCoinBurst::stop()
{
    m_timer.stop();
}

void SimCoinBurst::insertOne()
{
    SelectorSim *sim = m_bus->selector(0);
    if (!sim || m_inserted >= m_count) {
        m_timer.stop();
        return;
    }
    sim->insertKind(m_kind);
    if (++m_inserted >= m_count)
        m_timer.stop();
}
