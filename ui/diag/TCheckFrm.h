#pragma once

#include <QDialog>
#include <array>
#include <memory>

class AnalogTraceView;
class BarGauge;
class DeviceSession;
class DeviceTest;
class DipSwitch;
class LedLamp;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

// "Test coin selector": DIP switches, analog readouts with their trace, inputs, opto
// sensors, outputs and solenoids, and the insertion test. Every rule is DeviceTest's; this
// window binds its controls to it and forwards clicks.
class TCheckFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TCheckFrm(DeviceSession &session, QWidget *parent = nullptr);
    ~TCheckFrm() override;
    void init_language();

    DeviceTest &model() const { return *m_model; }

    // Parts the tests and the screenshot run look at.
    DipSwitch *dip(int bank) const { return m_dip[size_t(bank - 1)]; }
    QWidget *sw2Bank() const { return m_sw2Bank; }
    QLabel *analogValue(int i) const { return m_analogValue[size_t(i)]; } // 0..4, 5 = Vcc
    BarGauge *gauge(int i) const { return m_gauge[size_t(i - 1)]; }
    LedLamp *inputLamp(int i) const { return m_inputLamp[size_t(i - 1)]; }
    LedLamp *optoLamp(int k) const { return m_optoLamp[size_t(k - 1)]; }
    QPushButton *outputButton(int i) const { return m_outputButton[size_t(i - 1)]; }
    LedLamp *outputLamp(int i) const { return m_outputLamp[size_t(i - 1)]; }
    QPushButton *solenoidButton(int s) const { return m_solenoidButton[size_t(s)]; }
    LedLamp *solenoidLamp(int s) const { return m_solenoidLamp[size_t(s)]; }
    QPushButton *loopButton() const { return m_loop; }
    QRadioButton *latchChoice() const { return m_latch; }
    QRadioButton *impulsChoice() const { return m_impuls; }
    QCheckBox *insertionBox() const { return m_insertion; }
    QListWidget *eventList() const { return m_events; }
    QPushButton *clearButton() const { return m_clear; }
    QPushButton *closeButton() const { return m_close; }
    AnalogTraceView *traceView() const { return m_trace; }

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refresh();
    void redrawDip(int bank);
    void addEvents(const QStringList &lines);
    QWidget *buildDip();
    QWidget *buildAnalog();
    QWidget *buildOutputs();
    QWidget *buildSolenoids();

    std::unique_ptr<DeviceTest> m_model;
    std::array<QGroupBox *, 6> m_group{};
    std::array<DipSwitch *, 2> m_dip{};
    std::array<QLabel *, 2> m_bankLabel{};
    QWidget *m_sw2Bank = nullptr;
    std::array<QLabel *, 6> m_analogValue{};
    std::array<BarGauge *, 2> m_gauge{};
    std::array<LedLamp *, 2> m_inputLamp{};
    std::array<LedLamp *, 5> m_optoLamp{};
    std::array<QPushButton *, 7> m_outputButton{};
    std::array<LedLamp *, 7> m_outputLamp{};
    std::array<QPushButton *, 4> m_solenoidButton{};
    std::array<LedLamp *, 4> m_solenoidLamp{};
    QPushButton *m_loop = nullptr;
    QRadioButton *m_latch = nullptr;
    QRadioButton *m_impuls = nullptr;
    AnalogTraceView *m_trace = nullptr;
    QCheckBox *m_insertion = nullptr;
    QListWidget *m_events = nullptr;
    QPushButton *m_clear = nullptr;
    QPushButton *m_close = nullptr;
};
