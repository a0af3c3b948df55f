#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>

class SelectorSim;
class SimBus;

// Kinds of coin the simulated selector can be fed: each has a mean and a spread for the
// six measured parameters, and every coin of a kind measures a little differently. The
// noise comes from a seedable generator, so a test sees the same coins on every run.
class SimCoinKinds
{
public:
    static constexpr int ParameterCount = 6;
    struct Kind
    {
        std::array<double, ParameterCount> mean{};
        std::array<double, ParameterCount> spread{};
    };

    SimCoinKinds(); // a few common kinds and a washer far from all of them

    void define(const QString &name, const Kind &kind) { m_kinds.insert(name.toLower(), kind); }
    bool has(const QString &name) const { return m_kinds.contains(name.toLower()); }
    Kind kind(const QString &name) const { return m_kinds.value(name.toLower()); }
    QStringList names() const { return m_kinds.keys(); }
    void seed(quint32 seed) { m_random.seed(seed); }

    // One coin's six measurements: normal noise around the mean, rounded, within 0..255.
    // Empty for an unknown kind.
    QByteArray draw(const QString &name);

    // The control commands of coin kinds ("kind", "kinds", "coin NAME", "burst", "seed",
    // "database"); false when the line is not one of them.
    static bool control(SimBus *bus, SelectorSim &sim, const QStringList &words, QString &reply);
    static QString grammar();

private:
    double normal();

    QMap<QString, Kind> m_kinds;
    QRandomGenerator m_random{1};
};

// Inserts coins of one kind at a fixed interval, as an operator feeding a selector does.
// One per bus; a new burst replaces the running one.
class SimCoinBurst : public QObject
{
    Q_OBJECT
public:
    explicit SimCoinBurst(SimBus *bus);
    static SimCoinBurst *of(SimBus *bus);

    bool start(const QString &kind, int count, int intervalMs);
    void stop();
    int inserted() const { return m_inserted; }
    int count() const { return m_count; }
    bool running() const { return m_timer.isActive(); }

private:
    void insertOne();

    SimBus *m_bus;
    QTimer m_timer;
    QString m_kind;
    int m_count = 0;
    int m_inserted = 0;
};
