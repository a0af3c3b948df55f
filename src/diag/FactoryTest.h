#pragma once

#include "diag/ProductionIni.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <array>

class DeviceSession;

// The rules of the factory test station: one selector after the other is identified,
// checked against the limits of its type in Production.ini, calibrated from inserted coins,
// shown as passed or failed, and watched in an insertion test until it is unplugged. The
// window shows this state and forwards Close; every error box goes through the session's
// prompts.
class FactoryTest : public QObject
{
    Q_OBJECT
public:
    enum class Panel { Idle, Waiting, Testing, Passed, Failed };
    enum class ListColour { Normal, Red, Green };
    enum Step { NoStep = 0, ProductCode, DipSwitches, Optics, Outputs, Analog, Calibration };
    static constexpr int CycleMs = 350;

    FactoryTest(DeviceSession &session, const QString &iniPath, QObject *parent = nullptr);

    // The window was activated: section names read, the station runs.
    void activate();
    // Close: the station stops at the next check of the running flag.
    void close();
    bool running() const { return m_running; }
    // One station cycle, as the timer runs it.
    void cycle();

    Panel panel() const { return m_panel; }
    // In the language in use, also after a switch of language.
    QString status() const;
    QStringList lines() const { return m_lines; }
    ListColour listColour() const { return m_listColour; }
    QString averages() const { return m_averages; }
    QStringList sections() const { return m_sections; }
    const ProductionLimits &limits() const { return m_limits; }
    // The step that failed in the last test (NoStep after a pass).
    Step failedStep() const { return m_failed; }
    QTimer &timer() { return m_timer; }

signals:
    void changed();
    // The calibration waits for a coin; `accepted` coins are counted so far.
    void waitingForCoin(int accepted);
    // One poll of the insertion test after a pass.
    void insertionPolled();

private:
    bool productCodeTest();
    bool dipSwitchTest();
    bool opticTest();
    bool outputTest();
    bool outputLines(QByteArray &kept, bool &replaced);
    bool analogTest();
    bool calibration();
    bool collectCoins(std::array<int, 6> &sums, int &n);
    void insertionTest();
    void unlockFactoryLevel();

    // An acknowledged reply with at least `need` data bytes; the link result in *result.
    bool ask(const QByteArray &command, int polls, int need, QByteArray &data, quint8 *result = nullptr);
    bool fail(int message);
    void setStatus(int message);
    void setAverages(const std::array<int, 6> &sums, int n);
    void wait(int ms);
    void update();

    DeviceSession &m_session;
    QString m_iniPath;
    QTimer m_timer;
    bool m_running = false;
    bool m_inCycle = false;
    bool m_factoryGranted = false;
    Panel m_panel = Panel::Idle;
    int m_statusMessage = 0;
    QStringList m_lines;
    ListColour m_listColour = ListColour::Normal;
    QString m_averages;
    QStringList m_sections;
    ProductionLimits m_limits;
    Step m_failed = NoStep;
};
