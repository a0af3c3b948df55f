// The test window as a technician meets it: "Test" on the toolbar identifies the demo
// selector and opens the window, whose controls follow what the selector reports.
#include "DemoDesktop.h"
#include "app/DataDir.h"
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"
#include "controls/BarGauge.h"
#include "controls/DipSwitch.h"
#include "controls/LedLamp.h"
#include "device/DeviceSession.h"
#include "diag/AnalogTraceView.h"
#include "diag/DeviceTest.h"
#include "diag/TCheckFrm.h"
#include "main/TMainFrm.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestUiDiag : public QObject
{
    Q_OBJECT
private:
    DemoDesktop m_desk;

    SelectorSim *sim() const { return m_desk.sim(); }

    // Presses "Test" and runs `inside` once the window is up and has polled `ticks` times.
    void withTestWindow(int ticks, const std::function<void(TCheckFrm &)> &inside)
    {
        TCheckFrm *w = m_desk.win->checkFrm();
        bool ran = false;
        std::function<void()> step;
        step = [&] {
            // The identification runs first and serves events while it waits: wait for the window.
            if (!w->isVisible() || !w->model().pollTimer().isActive()) {
                QTimer::singleShot(20, w, step);
                return;
            }
            // Whatever fails in here, the window closes so that exec() returns.
            struct Closer
            {
                TCheckFrm *w;
                ~Closer() { w->reject(); }
            } closer{w};
            const int before = sim()->outputs().latchCount;
            QTRY_VERIFY_WITH_TIMEOUT(sim()->outputs().latchCount >= before + ticks, 20000);
            inside(*w);
            ran = true;
            w->closeButton()->click();
            QVERIFY(!w->model().polling());
        };
        QTimer::singleShot(0, w, step);
        m_desk.win->toolButton(TMainFrm::Test)->click();
        QVERIFY(ran);
        QVERIFY(!w->isVisible());
        QVERIFY(!w->model().polling());
    }

private slots:
    void initTestCase() { QVERIFY(m_desk.start()); }

    void testButtonOpensTheWindowShowingTheSelectorsState()
    {
        QVERIFY(m_desk.win->toolButton(TMainFrm::Test)->isEnabled());
        sim()->setInputs(QByteArray::fromHex("8501"));
        sim()->setAnalog(QByteArray::fromHex("02E105C2505A48603AA84E"));
        sim()->setOptoStates(0x12);
        m_desk.prompts.clear();
        withTestWindow(2, [&](TCheckFrm &w) {
            QCOMPARE(w.dip(1)->value(), 0x05u);
            QCOMPARE(w.dip(2)->value(), 0x01u);
            QVERIFY(w.inputLamp(1)->isOn() && !w.inputLamp(2)->isOn());
            QVERIFY(w.sw2Bank()->isVisible());
            QCOMPARE(w.analogValue(0)->text(), u"800 mV"_s);
            QCOMPARE(w.analogValue(4)->text(), u"580 mV"_s);
            QCOMPARE(w.analogValue(5)->text(), u"26  V"_s);
            QCOMPARE(w.gauge(1)->value(), 50);
            QCOMPARE(w.gauge(2)->value(), 100);
            QVERIFY(!w.optoLamp(1)->isOn() && w.optoLamp(2)->isOn() && w.optoLamp(5)->isOn());
            // The demo selector's lines 1-4 are outputs; 5 and 6 are unassigned, 7 an input.
            for (int i = 1; i <= 7; ++i)
                QCOMPARE(w.outputButton(i)->isVisible(), i <= 4);
            QVERIFY(w.solenoidButton(DeviceTest::M)->isVisible());
            QVERIFY(!w.solenoidButton(DeviceTest::S1)->isVisible());
            QVERIFY(w.latchChoice()->isChecked());
            QVERIFY(!w.eventList()->isVisible());
            QVERIFY(!w.traceView()->isHidden());

            // A click only lights the lamp; the next tick holds the output.
            w.outputButton(2)->click();
            QVERIFY(w.outputLamp(2)->isOn());
            QTRY_COMPARE_WITH_TIMEOUT(sim()->outputs().latchedOutputs, 0x02, 10000);
            w.outputButton(2)->click();
            QTRY_COMPARE_WITH_TIMEOUT(sim()->outputs().latchedOutputs, 0x00, 10000);
            w.solenoidButton(DeviceTest::M)->click();
            QTRY_COMPARE_WITH_TIMEOUT(sim()->outputs().solenoidCount, 1, 10000);
            QTRY_VERIFY_WITH_TIMEOUT(!w.solenoidLamp(DeviceTest::M)->isOn(), 10000);
        });
        QVERIFY2(m_desk.prompts.shown().isEmpty(), qPrintable(m_desk.prompts.allTexts().join(u" | "_s)));
    }
};

QTEST_MAIN(TestUiDiag)
#include "test_ui_diag.moc"
