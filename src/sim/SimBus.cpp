#include "sim/SimBus.h"

#include "sim/SelectorSim.h"

#include <algorithm>
#include <cmath>

SimBus::SimBus(QObject *parent) : QObject(parent)
{
    m_clock.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SimBus::deliverDue);
}

SimBus::~SimBus() = default;

SelectorSim *SimBus::addSelector(std::unique_ptr<SelectorSim> selector)
{
    if (!selector)
        return nullptr;
    m_selectors.push_back(std::move(selector));
    return m_selectors.back().get();
}

SelectorSim *SimBus::addSelector()
{
    return addSelector(std::make_unique<SelectorSim>());
}

void SimBus::removeSelector(SelectorSim *selector)
{
    m_selectors.erase(std::remove_if(m_selectors.begin(), m_selectors.end(),
                                     [selector](const auto &s) { return s.get() == selector; }),
                      m_selectors.end());
}

void SimBus::replaceSelector(int index, std::unique_ptr<SelectorSim> selector)
{
    if (!selector || index < 0 || index >= selectorCount())
        return;
    const std::function<void()> persist = m_selectors[size_t(index)]->persistHook();
    selector->setPersistHook(persist);
    m_selectors[size_t(index)] = std::move(selector);
    if (persist)
        persist();
}

SelectorSim *SimBus::selector(int index) const
{
    if (index < 0 || index >= selectorCount())
        return nullptr;
    return m_selectors[size_t(index)].get();
}

double SimBus::byteTimeMs(int baud) const
{
    return baud > 0 ? 10000.0 / baud : 0.0;
}

void SimBus::write(const QByteArray &bytes, int baud)
{
    if (bytes.isEmpty())
        return;
    m_hostBytes += bytes;
    // A simulator left running for days must not grow: only recent traffic is of interest.
    if (m_hostBytes.size() > HostBytesKept)
        m_hostBytes.remove(0, m_hostBytes.size() - HostBytesKept);
    const double now = double(m_clock.nsecsElapsed()) / 1e6;
    const double bt = byteTimeMs(baud);
    double start = now;
    double end = now;
    if (m_pacing) {
        start = std::max(now, m_wireFreeMs);
        end = start + bytes.size() * bt;
        m_wireFreeMs = end;
    }

    struct Timed
    {
        double start;
        SelectorSim::Reply reply;
    };
    std::vector<Timed> framed;
    std::vector<Timed> polls;
    bool echo = m_echo;
    for (const auto &sel : m_selectors) {
        const auto replies = sel->feed(bytes, baud, qint64(end));
        for (const auto &r : replies) {
            if (r.suppressEcho)
                echo = false;
            if (r.bytes.isEmpty())
                continue;
            (r.addressPoll ? polls : framed).push_back({end + r.delayMs, r});
        }
    }

    if (echo) {
        if (m_pacing) {
            for (int i = 0; i < bytes.size(); ++i)
                schedule(start + (i + 1) * bt, bytes.mid(i, 1));
        } else {
            schedule(now, bytes);
        }
    }

    auto sendAt = [&](double at, const QByteArray &wire) {
        if (m_pacing) {
            for (int i = 0; i < wire.size(); ++i)
                schedule(at + (i + 1) * bt, wire.mid(i, 1));
        } else {
            schedule(at, wire);
        }
    };

    // Framed replies that overlap on the wire pull the line low together: bitwise AND.
    std::sort(framed.begin(), framed.end(), [](const Timed &a, const Timed &b) { return a.start < b.start; });
    const double slot = bt > 0 ? bt : 1.0;
    for (size_t i = 0; i < framed.size();) {
        const double base = framed[i].start;
        QByteArray wire = framed[i].reply.bytes;
        double wireEnd = base + wire.size() * slot;
        size_t j = i + 1;
        for (; j < framed.size() && framed[j].start < wireEnd; ++j) {
            const int offset = int(std::lround((framed[j].start - base) / slot));
            const QByteArray &other = framed[j].reply.bytes;
            if (wire.size() < offset + other.size())
                wire.append(QByteArray(offset + other.size() - wire.size(), char(0xFF)));
            for (int k = 0; k < other.size(); ++k)
                wire[offset + k] = char(quint8(wire.at(offset + k)) & quint8(other.at(k)));
            wireEnd = std::max(wireEnd, base + wire.size() * slot);
        }
        sendAt(base, wire);
        i = j;
    }

    // Address poll answers: a selector senses the line and waits until it is free, so each
    // answer arrives as its own byte even when two selectors share an address.
    std::sort(polls.begin(), polls.end(), [](const Timed &a, const Timed &b) { return a.start < b.start; });
    double lineFree = 0;
    for (const auto &p : polls) {
        const double at = std::max(p.start, lineFree);
        sendAt(at, p.reply.bytes);
        lineFree = at + slot * p.reply.bytes.size() + slot;
    }
}

void SimBus::flush()
{
    m_pending.clear();
    m_timer.stop();
}

void SimBus::schedule(double dueMs, const QByteArray &bytes)
{
    Pending p;
    p.dueMs = dueMs;
    p.bytes = bytes;
    p.seq = m_seq++;
    const auto pos =
        std::upper_bound(m_pending.begin(), m_pending.end(), p, [](const Pending &a, const Pending &b) {
            return a.dueMs < b.dueMs || (a.dueMs == b.dueMs && a.seq < b.seq);
        });
    m_pending.insert(pos, p);
    armTimer();
}

void SimBus::armTimer()
{
    if (m_pending.isEmpty()) {
        m_timer.stop();
        return;
    }
    const double now = double(m_clock.nsecsElapsed()) / 1e6;
    const int wait = std::max(0, int(std::ceil(m_pending.first().dueMs - now)));
    if (!m_timer.isActive() || m_timer.remainingTime() > wait)
        m_timer.start(wait);
}

void SimBus::deliverDue()
{
    const double now = double(m_clock.nsecsElapsed()) / 1e6;
    QByteArray out;
    while (!m_pending.isEmpty() && m_pending.first().dueMs <= now + 0.5)
        out += m_pending.takeFirst().bytes;
    if (!out.isEmpty())
        emit bytesForHost(out);
    armTimer();
}
