#pragma once

#include <QElapsedTimer>
#include <QVector>
#include <array>

// The last minute of the five analog values (mV) and Vcc (V), one sample per good reading,
// so a drifting sensor can be drawn as a line.
class AnalogTrace
{
public:
    static constexpr int Series = 6; // AM1, PH1, AM2, PH2, PI3, Vcc
    static constexpr qint64 SpanMs = 60000;

    struct Sample
    {
        qint64 ms = 0;
        std::array<int, Series> values{};
    };

    AnalogTrace();
    void clear();
    // Adds a sample taken now (or at atMs when given) and drops what is older than the span.
    void add(const std::array<int, Series> &values, qint64 atMs = -1);
    const QVector<Sample> &samples() const { return m_samples; }
    qint64 nowMs() const { return m_clock.elapsed(); }

private:
    QElapsedTimer m_clock;
    QVector<Sample> m_samples;
};
