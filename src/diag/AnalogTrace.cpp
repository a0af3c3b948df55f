#include "diag/AnalogTrace.h"

AnalogTrace::AnalogTrace()
{
    m_clock.start();
}

void AnalogTrace::clear()
{
    m_samples.clear();
}

void AnalogTrace::add(const std::array<int, Series> &values, qint64 atMs)
{
    const qint64 now = atMs >= 0 ? atMs : m_clock.elapsed();
    m_samples.append({now, values});
    int drop = 0;
    while (drop < m_samples.size() && m_samples.at(drop).ms < now - SpanMs)
        ++drop;
    m_samples.remove(0, drop);
}
