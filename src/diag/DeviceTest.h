#pragma once

#include "diag/AnalogTrace.h"
#include "diag/DiagReadings.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <array>
#include <optional>

class DeviceSession;

// The rules of the test window: what it sends at opening and at each poll tick, and what
// each lamp, switch picture and readout shows. The window binds its controls to this state
// and forwards clicks; it decides nothing. Failed or short replies leave their part of the
// display as it was; nothing here shows a message.
class DeviceTest : public QObject
{
    Q_OBJECT
public:
    static constexpr int Outputs = 7;
    enum Solenoid { M = 0, S1, S2, S3, Solenoids };
    static constexpr int PollMs = 200;
    static constexpr int PulseMs = 100;

    explicit DeviceTest(DeviceSession &session, QObject *parent = nullptr);

    // --- the window's life
    void open();  // each time the window is shown; starts polling
    void close(); // stops both timers
    bool polling() const { return m_running; }

    // One poll tick, as the poll timer runs it.
    void tick();
    // The pulse timer's tick: every output lamp goes dark.
    void pulseTick();

    // --- buttons and choices
    void clickOutput(int line); // 1..7: toggles its lamp
    void clickSolenoid(Solenoid s);
    void clickLoop();
    void setLatch(bool latch); // "Latch" (true) or "Impuls" (false)
    void setInsertionTest(bool on);
    void clearList();

    // --- what the window shows
    bool outputVisible(int line) const { return m_outputInUse[size_t(line - 1)]; }
    bool outputLamp(int line) const { return m_outputLamp[size_t(line - 1)]; }
    bool solenoidVisible(Solenoid s) const { return m_solenoidInUse[size_t(s)]; }
    bool solenoidLamp(Solenoid s) const { return m_solenoidLamp[size_t(s)]; }
    bool latch() const { return m_latch; }
    bool insertionTest() const { return m_insertion; }
    QStringList events() const { return m_events; }
    // DIP banks (bits 0-5) and input lamps as last drawn; nothing before the first good poll.
    std::optional<quint8> sw1() const { return m_lastSw1; }
    std::optional<quint8> sw2() const { return m_lastSw2; }
    bool sw2BankVisible() const { return m_sw2Visible; }
    std::optional<DiagReadings::Analog> analog() const { return m_analog; }
    bool optoLamp(int k) const { return (m_optoLamps >> (k - 1)) & 1; } // 1..5
    quint8 loopBit() const { return m_loopBit; }
    const AnalogTrace &trace() const { return m_trace; }

    QTimer &pollTimer() { return m_poll; }
    QTimer &pulseTimer() { return m_pulse; }

signals:
    // Something shown changed (after a tick, a click, a pulse end).
    void changed();
    // A DIP bank and its input lamp were redrawn (bank 1 or 2): only when its byte changed.
    void dipRedrawn(int bank);
    // Lines appended to the event list.
    void eventsAdded(const QStringList &lines);

private:
    void readOutputBlocks();
    void insertionTick();
    void loopTick();
    void normalTick();
    void startInsertionTest();
    void finishExchange();
    quint8 readEventCounter();

    DeviceSession &m_session;
    QTimer m_poll;
    QTimer m_pulse;
    bool m_running = false;
    bool m_inTick = false;
    bool m_insertionStartPending = false;

    std::array<bool, Outputs> m_outputInUse{};
    std::array<bool, Outputs> m_outputLamp{};
    std::array<bool, Solenoids> m_solenoidInUse{};
    std::array<bool, Solenoids> m_solenoidLamp{};
    bool m_latch = true;
    bool m_insertion = false;
    QStringList m_events;
    quint8 m_lastCounter = 0;
    std::optional<quint8> m_lastSw1;
    std::optional<quint8> m_lastSw2;
    bool m_sw2Visible = false;
    std::optional<DiagReadings::Analog> m_analog;
    quint8 m_optoLamps = 0;
    quint8 m_loopBit = 0;
    AnalogTrace m_trace;
};
