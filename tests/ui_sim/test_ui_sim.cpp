// The demo's simulated-selector window as a user plays the selector's side of the bench:
// coins fed from it are programmed and then sorted, what it changes shows in the test window,
// and what the test window drives reaches the selector.
#include "DemoDesktop.h"
#include "app/Messages.h"
#include "coinprog/CoinProgModel.h"
#include "coinprog/TCprgFrm.h"
#include "controls/DipSwitch.h"
#include "controls/LedLamp.h"
#include "controls/NumEdit.h"
#include "diag/DeviceTest.h"
#include "diag/TCheckFrm.h"
#include "link/CcTalkLink.h"
#include "sim/SimBench.h"
#include "sim/SimPanel.h"
#include "upgrade/TDwnlFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using Answer = Prompts::Answer;

class TestUiSim : public QObject
{
    Q_OBJECT
private:
    DemoDesktop m_desk;
    SimPanel *m_panel = nullptr;

    SelectorSim *sim() const { return m_desk.sim(); }

    // "Test" on the toolbar; `inside` runs once the window polls.
    bool withTestWindow(const std::function<void()> &inside)
    {
        TCheckFrm *w = m_desk.win->checkFrm();
        return DemoDesktop::whileOpen(
            w, [&] { m_desk.win->toolButton(TMainFrm::Test)->click(); }, inside,
            [&] { return w->model().pollTimer().isActive(); });
    }

    QString verdict(const QString &text) const { return Msg(1038) + u' ' + text; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_desk.start([](SelectorSim *s) { s->coinKinds().seed(3); }));
        m_panel = SimPanel::of(*m_desk.win);
        QVERIFY(m_panel);
        auto *button = m_desk.win->findChild<QToolButton *>(u"toolSimulator"_s);
        QVERIFY(button && button->isVisible());
        button->click();
        QVERIFY(m_panel->isVisible());
    }

    // A burst from the panel fills the sample list; the saved channel then takes that coin
    // and the washer is turned away, as the panel's verdict says.
    void coinsFromThePanelProgramAChannelThatThenAcceptsThem()
    {
        const int channel = 7; // the first channel the demo selector holds free
        QVERIFY(quint8(sim()->memory(0x0600 + 16 * (channel - 1) + 12, 1)[0]) & 1);
        TCprgFrm *w = m_desk.win->cprgFrm();
        m_desk.prompts.clear();
        bool saved = false;
        QVERIFY(DemoDesktop::whileOpen(
            w, [&] { m_desk.win->toolButton(TMainFrm::CoinsProg)->click(); },
            [&] {
                w->channelList()->setCurrentIndex(channel - 1);
                emit w->channelList()->activated(channel - 1);
                m_panel->burstKind()->setCurrentIndex(m_panel->burstKind()->findData(u"c20"_s));
                m_panel->burstCount()->setValue(15);
                m_panel->burstInterval()->setValue(SimBench::BurstIntervalMs);
                m_panel->burstButton()->click();
                QVERIFY(m_panel->bench().burstRunning());
                QTRY_COMPARE_WITH_TIMEOUT(w->sampleList()->count(), 15, 15000);
                QCOMPARE(m_panel->burstProgress()->value(), 15);
                QVERIFY(!m_panel->bench().burstRunning());
                // Coins are held back while the window programs.
                QCOMPARE(m_panel->verdictLabel()->text(), verdict(Msg(521)));
                // A value above a byte is refused; a good one reaches the record.
                w->valueEdit()->setText(u"300"_s);
                emit w->valueEdit()->editingFinished();
                QCOMPARE(w->valueEdit()->text(), u"1"_s);
                w->valueEdit()->setText(u"20"_s);
                emit w->valueEdit()->editingFinished();

                // A pulled cable is said after the silence bound; the samples stay for when it is back.
                sim()->setUnplugged(true);
                QTRY_COMPARE_WITH_TIMEOUT(w->findChild<QLabel *>(u"statusLine"_s)->text(),
                                          Msg(1250).arg(CoinProgModel::SilenceMs / 1000),
                                          CoinProgModel::SilenceMs + 3000);
                sim()->setUnplugged(false);

                // Cancel on "Data not saved!" keeps the window open with its samples, whichever way out.
                const std::function<void()> waysOut[] = {[w] { w->closeButton()->click(); },
                                                         [w] { QTest::keyClick(w, Qt::Key_Escape); },
                                                         [w] { w->close(); }};
                for (const auto &wayOut : waysOut) {
                    m_desk.prompts.queueAnswer(Answer::Cancel);
                    wayOut();
                    QVERIFY(w->isVisible() && w->model().polling() && sim()->masterInhibit());
                    QCOMPARE(w->sampleList()->count(), 15);
                }
                m_desk.prompts.queueAnswer(Answer::Ok);
                w->saveButton()->click();
                m_desk.prompts.queueAnswer(Answer::Yes);
                w->closeButton()->click();
                saved = true;
            },
            [&] { return w->model().polling(); }));
        QVERIFY(saved);
        const QByteArray stored = sim()->nvMemory(0x0600 + 16 * (channel - 1), 16);
        QCOMPARE(quint8(stored[12]), quint8(0x70));
        QCOMPARE(quint8(stored[15]), quint8(20));
        QVERIFY(!sim()->masterInhibit());
        QVERIFY(m_desk.prompts.texts(ScriptedPrompts::Kind::Error).isEmpty());

        // Tried as a technician tries a taught coin: the test window's insertion test lets
        // coins in, and the panel says where each went.
        TCheckFrm *t = m_desk.win->checkFrm();
        QVERIFY(withTestWindow([&] {
            t->insertionBox()->click();
            QTRY_VERIFY_WITH_TIMEOUT(sim()->inhibitMask() == 0xFFFF && !sim()->masterInhibit(), 5000);
            m_panel->coinButton(u"c20"_s)->click();
            QCOMPARE(m_panel->verdictLabel()->text(), verdict(Msg(1039).arg(channel)));
            m_panel->coinButton(u"washer"_s)->click();
            QCOMPARE(m_panel->verdictLabel()->text(), verdict(Msg(223)));
            QTRY_COMPARE_WITH_TIMEOUT(t->eventList()->count(), 2, 5000);
            QCOMPARE(t->eventList()->item(0)->text(), Msg(73) + QString::number(channel));
            t->insertionBox()->click();
        }));
    }

    // A DIP switch flipped, an opto blocked and an analog value moved in the panel show in
    // the test window within two of its polls; its output and solenoid buttons drive the selector.
    void theTestWindowFollowsThePanelAndDrivesTheSelector()
    {
        TCheckFrm *w = m_desk.win->checkFrm();
        const auto twoTicks = [&] {
            const int before = sim()->outputs().latchCount;
            QTRY_VERIFY_WITH_TIMEOUT(sim()->outputs().latchCount >= before + 2, 3 * DeviceTest::PollMs + 500);
        };
        QVERIFY(withTestWindow([&] {
            twoTicks();
            const quint32 dip = w->dip(1)->value();
            DipSwitch *panelDip = m_panel->dip(1);
            QTest::mouseClick(panelDip, Qt::LeftButton, {}, panelDip->slotRect(2).center().toPoint());
            QCOMPARE(panelDip->value(), dip ^ 4u);
            QVERIFY(!w->optoLamp(4)->isOn());
            m_panel->optoBox(4)->click();
            m_panel->analogSlider(0)->setValue(123); // AM1, 10 mV a step
            QCOMPARE(m_panel->analogValue(0)->text(), u"1230 mV"_s);
            twoTicks();
            QCOMPARE(w->dip(1)->value(), dip ^ 4u);
            QVERIFY(w->optoLamp(4)->isOn());
            QCOMPARE(w->analogValue(0)->text(), u"1230 mV"_s);

            // A click only lights the lamp; the next tick holds the output.
            QCOMPARE(sim()->outputs().latchedOutputs & 0x02, 0x00);
            w->outputButton(2)->click();
            QVERIFY(w->outputLamp(2)->isOn());
            QTRY_COMPARE_WITH_TIMEOUT(sim()->outputs().latchedOutputs & 0x02, 0x02, 10000);
            w->outputButton(2)->click();
            QTRY_COMPARE_WITH_TIMEOUT(sim()->outputs().latchedOutputs & 0x02, 0x00, 10000);
            const int pulses = sim()->outputs().solenoidCount;
            w->solenoidButton(DeviceTest::M)->click();
            QTRY_COMPARE_WITH_TIMEOUT(sim()->outputs().solenoidCount, pulses + 1, 10000);
            QTRY_VERIFY_WITH_TIMEOUT(!w->solenoidLamp(DeviceTest::M)->isOn(), 10000);
        }));
        // Closed, the window polls no more.
        const int polls = sim()->outputs().latchCount;
        QTest::qWait(3 * DeviceTest::PollMs);
        QVERIFY(!w->model().polling() && sim()->outputs().latchCount == polls);
    }

    // The firmware file the build makes for the demo is flashed by the demo's upgrade: the
    // simulated selector comes back one revision up, as the panel shows.
    void theDemoFirmwareFileRaisesTheRevision()
    {
        // A copy in the program folder: the configuration saved before the upgrade lands beside it.
        const QString fw = m_desk.dir.filePath(u"simulated-selector.u19"_s);
        QVERIFY(QFile::exists(fw) ||
                QFile::copy(QStringLiteral(RX_BINARY_DIR "/tools/rxconfig/data/simulated-selector.u19"), fw));
        TDwnlFrm *w = m_desk.win->dwnlFrm();
        m_desk.prompts.clear();
        m_desk.prompts.queueFileName(fw);
        m_desk.prompts.queueAnswer(Answer::No); // the saved configuration stays on disk
        // During the transfer the bar moves and the buttons wait.
        int highest = 0;
        bool buttonsWaited = true;
        const auto watch = connect(w->progressBar(), &QProgressBar::valueChanged, w, [&](int v) {
            highest = qMax(highest, v);
            buttonsWaited = buttonsWaited && !w->startButton()->isEnabled() && !w->closeButton()->isEnabled();
        });
        QVERIFY(DemoDesktop::whileOpen(
            w, [&] { m_desk.win->toolButton(TMainFrm::Upgrade)->click(); },
            [&] {
                w->openButton()->click();
                w->startButton()->click();
            }));
        disconnect(watch);
        QVERIFY2(m_desk.prompts.texts(ScriptedPrompts::Kind::Error).isEmpty(),
                 qPrintable(m_desk.prompts.allTexts().join(u" | "_s)));
        QVERIFY(buttonsWaited);
        QCOMPARE(highest, w->progressBar()->maximum());
        QTRY_VERIFY(m_panel->stateLabel()->text().contains(Msg(1065).arg(2).arg(9600).arg(u"1.21"_s)));
    }

    // A selector that breaks the transfer off: the window stays open and usable, the link back at
    // its speed.
    void aFailedUpgradeKeepsTheWindowOpen()
    {
        TDwnlFrm *w = m_desk.win->dwnlFrm();
        sim()->injectFault({SelectorSim::FaultKind::MonitorStatus, 1, -1, '0'});
        sim()->injectFault({SelectorSim::FaultKind::MonitorStatus, 3, -1, '3'});
        m_desk.prompts.clear();
        m_desk.prompts.queueFileName(m_desk.dir.filePath(u"simulated-selector.u19"_s));
        QVERIFY(DemoDesktop::whileOpen(
            w, [&] { m_desk.win->toolButton(TMainFrm::Upgrade)->click(); },
            [&] {
                w->openButton()->click();
                w->startButton()->click();
                QVERIFY(w->isVisible() && w->startButton()->isEnabled());
                QCOMPARE(w->progressBar()->value(), 0);
                QCOMPARE(m_desk.prompts.texts(ScriptedPrompts::Kind::Error), QStringList{Msg(64) + Msg(978)});
                w->closeButton()->click();
            }));
        sim()->clearFaults();
        QCOMPARE(m_desk.win->link().baudRate(), 9600);
    }

    // A selector waiting in its monitor: the search offers the upgrade and opens the window.
    void theSearchOffersTheUpgradeToASelectorInItsMonitor()
    {
        TDwnlFrm *w = m_desk.win->dwnlFrm();
        sim()->enterMonitor();
        m_desk.prompts.clear();
        m_desk.prompts.queueAnswer(Answer::Yes);
        QVERIFY(DemoDesktop::whileOpen(
            w, [&] { m_desk.win->SearchClick(); }, [&] { w->closeButton()->click(); }));
        QVERIFY(m_desk.prompts.texts(ScriptedPrompts::Kind::Confirm).contains(Msg(98)));
        QVERIFY(!m_desk.prompts.allTexts().contains(Msg(420)));
        QCOMPARE(m_desk.win->link().baudRate(), 9600);
    }
};

QTEST_MAIN(TestUiSim)
#include "test_ui_sim.moc"
