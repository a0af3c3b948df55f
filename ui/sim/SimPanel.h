#pragma once

#include <QDialog>
#include <QMap>
#include <array>
#include <memory>

class DipSwitch;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class SerialPort;
class SimBench;
class TMainFrm;

// "Simulated selector": the selector's side of the bench in the demo, a tool window beside
// the main window and its feature windows. Every control forwards to SimBench, which runs
// the control grammar; the window only shows what SimBench reads back.
class SimPanel : public QDialog
{
    Q_OBJECT
public:
    static constexpr int AnalogCount = 8; // AM1, PH1, AM2, PH2, PI3, Vcc, regulator 1 and 2

    // With the simulated selector as a port: the panel and its toolbar button, and the
    // feature windows made modal to the main window only, so the panel stays usable beside
    // them. Returns the panel, nullptr without a simulated selector.
    static SimPanel *attach(TMainFrm &main);
    static SimPanel *of(const TMainFrm &main);

    ~SimPanel() override;
    void init_language();
    SimBench &bench() const { return *m_bench; }

    // Parts the tests and the screenshot run look at.
    QPushButton *coinButton(const QString &kind) const { return m_coin.value(kind); }
    QPushButton *burstButton() const { return m_burstStart; }
    QComboBox *burstKind() const { return m_burstKind; }
    QSpinBox *burstCount() const { return m_burstCount; }
    QSpinBox *burstInterval() const { return m_burstInterval; }
    QProgressBar *burstProgress() const { return m_burstBar; }
    QLabel *verdictLabel() const { return m_verdict; }
    DipSwitch *dip(int bank) const { return m_dip[size_t(bank - 1)]; }
    QCheckBox *inputBox(int line) const { return m_input[size_t(line - 1)]; }
    QCheckBox *optoBox(int sensor) const { return m_opto[size_t(sensor - 1)]; }
    QSlider *analogSlider(int i) const { return m_slider[size_t(i)]; }
    QLabel *analogValue(int i) const { return m_value[size_t(i)]; }
    QCheckBox *shortedBox(int line) const { return m_shorted[size_t(line - 1)]; }
    QPushButton *plugButton() const { return m_plug; }
    QComboBox *faultKind() const { return m_faultKind; }
    QComboBox *faultRepeat() const { return m_faultRepeat; }
    QPushButton *faultButton() const { return m_fault; }
    QPushButton *clearFaultsButton() const { return m_clearFaults; }
    QLabel *stateLabel() const { return m_state; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    SimPanel(std::unique_ptr<SerialPort> port, SimBench *bench);
    QWidget *buildCoins();
    QWidget *buildSwitches();
    QWidget *buildAnalog();
    QWidget *buildWire();
    void refresh();

    std::unique_ptr<SerialPort> m_port; // keeps the simulated wire alive
    SimBench *m_bench;
    std::array<QGroupBox *, 8> m_group{};
    QMap<QString, QPushButton *> m_coin;
    QLabel *m_burstLabel = nullptr;
    QComboBox *m_burstKind = nullptr;
    QLabel *m_countLabel = nullptr;
    QSpinBox *m_burstCount = nullptr;
    QLabel *m_intervalLabel = nullptr;
    QSpinBox *m_burstInterval = nullptr;
    QPushButton *m_burstStart = nullptr;
    QProgressBar *m_burstBar = nullptr;
    QLabel *m_verdict = nullptr;
    std::array<DipSwitch *, 2> m_dip{};
    std::array<QCheckBox *, 2> m_input{};
    std::array<QCheckBox *, 5> m_opto{};
    std::array<QLabel *, AnalogCount> m_name{};
    std::array<QSlider *, AnalogCount> m_slider{};
    std::array<QLabel *, AnalogCount> m_value{};
    QLabel *m_shortedLabel = nullptr;
    std::array<QCheckBox *, 7> m_shorted{};
    QPushButton *m_plug = nullptr;
    QLabel *m_faultLabel = nullptr;
    QComboBox *m_faultKind = nullptr;
    QComboBox *m_faultRepeat = nullptr;
    QPushButton *m_fault = nullptr;
    QPushButton *m_clearFaults = nullptr;
    QPushButton *m_next = nullptr;
    QLabel *m_state = nullptr;
    QPushButton *m_close = nullptr;
};
