#pragma once

#include "sim/SimControl.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class SimBus;

// The selector's side of the bench, for a window that plays it: every action is a line of
// the control grammar run through SimControl, and what is shown is read back through the
// same grammar ("status", "state"), so the simulator's rules live in one place.
class SimBench : public QObject
{
    Q_OBJECT
public:
    static constexpr int RefreshMs = 200;
    // A burst's pace a host polling a few times a second counts coin by coin.
    static constexpr int BurstIntervalMs = 500;

    // The fault kinds a user can make the next exchange fail with, as the grammar names them.
    static const QStringList &faultKinds();

    explicit SimBench(SimBus *bus, QObject *parent = nullptr);

    // One control line; the reply as the control channel gives it. The state is read again.
    QString command(const QString &line);

    // ---- coins
    enum class Verdict { None, Accepted, Rejected, Inhibited, Returned };
    QStringList coinKinds() const { return m_kinds; }
    void insertCoin(const QString &kind);
    // COUNT coins of a kind, one every intervalMs; a new burst replaces a running one.
    bool startBurst(const QString &kind, int count, int intervalMs);
    void stopBurst();
    bool burstRunning() const { return m_burstTimer.isActive(); }
    int burstDone() const { return m_burstDone; }
    int burstCount() const { return m_burstCount; }
    Verdict lastVerdict() const { return m_verdict; }
    int lastChannel() const { return m_channel; }

    // ---- switches, sensors, wiring, the wire
    void setDip(int bank, int value);      // low six bits
    void setInput(int line, bool on);      // input line 1 or 2
    void setOptoBlocked(int sensor, bool blocked); // sensor 1..5 is bit sensor-1
    void setAnalog(int index, int value);  // byte 0..10
    void setRegulator(int which, int raw); // 16-bit duty of regulator 1 or 2
    void setOutputShorted(int line, bool shorted);
    void setPlugged(bool plugged);
    void failNext(const QString &kind, bool always);
    void clearFaults();

    // ---- what the selector shows, as last read
    struct State
    {
        bool valid = false;
        int address = 0;
        int baud = 0;
        bool monitor = false;
        QString revision;
        quint32 insertions = 0;
        int events = 0;
        bool inhibited = false;
        bool unplugged = false;
        QByteArray inputs; // DIP bank 1 and 2 (low six bits), input lines in bit 7
        quint8 opto = 0;   // bit set: blocked
        QByteArray analog; // eleven bytes
        quint8 shorted = 0;
    };
    const State &state() const { return m_state; }
    int dip(int bank) const;
    bool input(int line) const;
    int regulator(int which) const;

    // Reads the state now, and every RefreshMs while on (a window that is shown).
    void refresh();
    void setWatching(bool on);

signals:
    void changed();

private:
    void burstTick();
    void takeVerdict(const QString &reply);

    SimControl m_control;
    QStringList m_kinds;
    State m_state;
    QTimer m_refresh;
    QTimer m_burstTimer;
    QString m_burstKind;
    int m_burstCount = 0;
    int m_burstDone = 0;
    Verdict m_verdict = Verdict::None;
    int m_channel = 0;
};
