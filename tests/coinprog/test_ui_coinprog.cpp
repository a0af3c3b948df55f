// The coin programming window from the main window's toolbar, against the demo selector:
// the window shows the model's state and forwards clicks. With RX_SCREENSHOT_DIR set, it
// also saves a picture of the window in each language.
#include "DemoDesktop.h"
#include "app/DataDir.h"
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"
#include "coinprog/CoinProgModel.h"
#include "coinprog/TCprgFrm.h"
#include "controls/AcceptancePlot.h"
#include "controls/NumEdit.h"
#include "main/TMainFrm.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using Answer = Prompts::Answer;

class TestUiCoinProg : public QObject
{
    Q_OBJECT
private:
    DemoDesktop m_desk;

    SelectorSim *sim() const { return m_desk.sim(); }

    // The first channel the selector holds as free (status bit 0 set).
    int freeChannel() const
    {
        for (int n = 1; n <= 16; ++n)
            if (quint8(sim()->memory(0x0600 + 16 * (n - 1) + 12, 1)[0]) & 1)
                return n;
        return 0;
    }

    void saveShots(TCprgFrm *w)
    {
        const QString dir = qEnvironmentVariable("RX_SCREENSHOT_DIR");
        if (dir.isEmpty())
            return;
        const struct
        {
            int base;
            const char *name;
        } languages[] = {{1000, "en"}, {2000, "it"}, {3000, "hr"}};
        for (const auto &l : languages) {
            LanguageBase = l.base;
            w->init_language();
            QTest::qWait(50);
            QVERIFY(w->grab().save(dir + u"/coinprog_"_s + QLatin1String(l.name) + u".png"_s));
        }
        LanguageBase = 1000;
        w->init_language();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_desk.start([](SelectorSim *s) { s->coinKinds().seed(3); }));
    }

    void toolbarOpensTheWindow()
    {
        QToolButton *button = m_desk.win->toolButton(TMainFrm::CoinsProg);
        QVERIFY(button->isEnabled());
        const int channel = freeChannel();
        QVERIFY(channel > 1);
        m_desk.prompts.clear();

        TCprgFrm *w = m_desk.win->cprgFrm();
        bool checked = false;
        // The scenario runs once the window polls; a failed check closes the window anyway.
        QTimer trigger;
        trigger.setInterval(20);
        connect(&trigger, &QTimer::timeout, this, [&] {
            if (!w->isVisible() || !w->model().polling())
                return;
            trigger.stop();
            scenario(w, channel, checked);
            if (w->isVisible())
                w->done(QDialog::Rejected);
        });
        trigger.start();
        button->click();
        QVERIFY(checked);
        QVERIFY(!w->isVisible());
        const QByteArray stored = sim()->nvMemory(0x0600 + 16 * (channel - 1), 16);
        QCOMPARE(quint8(stored[15]), quint8(20));
        QCOMPARE(quint8(stored[12]), quint8(0x70));
        QVERIFY(!sim()->masterInhibit());
        QVERIFY(!m_desk.win->busy());
        QVERIFY(m_desk.prompts.texts(ScriptedPrompts::Kind::Error).isEmpty());
    }

private:
    void scenario(TCprgFrm *w, int channel, bool &checked)
    {
        QCOMPARE(w->channelList()->currentIndex(), 0);
        // Channel 1 of the demo selector holds a coin.
        QCOMPARE(m_desk.prompts.texts(ScriptedPrompts::Kind::Information),
                 QStringList{Msg(58) + u"1"_s + Msg(14)});
        // The user picks a free channel from the list.
        w->channelList()->setCurrentIndex(channel - 1);
        emit w->channelList()->activated(channel - 1);
        QCOMPARE(w->channelList()->currentIndex(), channel - 1);
        QVERIFY(w->statusBox(0)->isChecked());
        QCOMPARE(w->optionList(0)->currentIndex(), 1);

        for (int i = 1; i <= 15; ++i) {
            sim()->insertKind(i <= 12 ? u"c20"_s : u"c10"_s);
            QVERIFY(QTest::qWaitFor([&] { return w->sampleList()->count() == i; }));
        }
        const QColor text = w->sampleList()->palette().color(QPalette::Text);
        QCOMPARE(text, QColor(0, 128, 0));
        for (int k = 0; k < 6; ++k) {
            QCOMPARE(w->plot(k)->sampleCount(), 15);
            QCOMPARE(w->plot(k)->centre(), w->paramEdit(k)->value());
            QCOMPARE(w->plot(k)->tolerance(), w->paramEdit(k + 6)->value());
            QVERIFY(w->plot(k)->otherCount() > 0);
        }
        // A value typed above a byte is refused; a good one reaches the record.
        w->valueEdit()->setText(u"300"_s);
        emit w->valueEdit()->editingFinished();
        QCOMPARE(w->valueEdit()->text(), u"1"_s);
        w->valueEdit()->setText(u"20"_s);
        emit w->valueEdit()->editingFinished();
        saveShots(w);

        // A pulled cable is said after the silence bound; the samples stay for when it is back.
        sim()->setUnplugged(true);
        QTRY_COMPARE_WITH_TIMEOUT(w->findChild<QLabel *>(u"statusLine"_s)->text(),
                                  Msg(1250).arg(CoinProgModel::SilenceMs / 1000), CoinProgModel::SilenceMs + 3000);
        sim()->setUnplugged(false);
        QCOMPARE(w->sampleList()->count(), 15);

        // Cancel on "Data not saved!" keeps the window open with its samples, whichever way out.
        const std::function<void()> waysOut[] = {[w] { w->closeButton()->click(); },
                                                 [w] { QTest::keyClick(w, Qt::Key_Escape); },
                                                 [w] { w->close(); }};
        for (const auto &wayOut : waysOut) {
            m_desk.prompts.clear();
            m_desk.prompts.queueAnswer(Answer::Cancel);
            wayOut();
            QCOMPARE(m_desk.prompts.texts(ScriptedPrompts::Kind::Confirm),
                     QStringList{Msg(93) + QString::number(channel) + u" ?"_s});
            QVERIFY(w->isVisible() && w->model().polling() && sim()->masterInhibit());
            QCOMPARE(w->sampleList()->count(), 15);
        }
        m_desk.prompts.queueAnswer(Answer::Ok);
        w->saveButton()->click();
        QCOMPARE(w->channelList()->currentIndex(), channel);
        QCOMPARE(w->sampleList()->count(), 0);
        m_desk.prompts.queueAnswer(Answer::Yes);
        w->closeButton()->click();
        checked = true;
    }
};

QTEST_MAIN(TestUiCoinProg)
#include "test_ui_coinprog.moc"
