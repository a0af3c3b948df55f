// The "Firmware upgrade" window over the simulated selector: its controls follow the model
// during a transfer, and it closes or stays open as the ending decides. With
// RX_UPGRADE_SCREENSHOTS set to a folder it saves pictures of the window (in English).
#include "DemoDesktop.h"
#include "UpgradeBench.h"
#include "app/Messages.h"
#include "main/TMainFrm.h"
#include "upgrade/TDwnlFrm.h"
#include "upgrade/UpgradeWindowModel.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

class TestUpgradeWindow : public QObject
{
    Q_OBJECT

private:
    static QString shotDir() { return qEnvironmentVariable("RX_UPGRADE_SCREENSHOTS"); }
    static void shoot(QWidget *w, const QString &name)
    {
        if (!shotDir().isEmpty())
            w->grab().save(QDir(shotDir()).filePath(name + QStringLiteral(".png")));
    }

private slots:
    void windowShowsTheTransferAndClosesWhenItIsDone()
    {
        const QString tag = QStringLiteral("en");
        UpgradeBench b(QStringLiteral("UPGWIN"));
        UpgradeWindowModel model(b.session, b.prompts, b.dir.path());
        model.sequence().upgrade().setSettleMs(20);
        TDwnlFrm window(model);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const QString fw = b.firmware(512);
        b.prompts.queueFileName(fw);
        window.openButton()->click();
        QCOMPARE(window.fileLabel()->text(), QDir::toNativeSeparators(fw));

        // During the transfer the bar moves and the buttons wait.
        int highest = 0;
        bool buttonsWaited = true;
        bool shotDuring = false;
        QObject::connect(window.progressBar(), &QProgressBar::valueChanged, &window, [&](int v) {
            highest = qMax(highest, v);
            buttonsWaited =
                buttonsWaited && !window.startButton()->isEnabled() && !window.closeButton()->isEnabled();
            if (!shotDuring && v >= window.progressBar()->maximum() / 2) {
                shotDuring = true;
                QCOMPARE(window.statusLabel()->text(), Msg(218));
                shoot(&window, QStringLiteral("upgrade-during-") + tag);
            }
        });
        QString finalStatus;
        QObject::connect(&model, &UpgradeWindowModel::changed, &window, [&] {
            if (model.statusText().startsWith(Msg(217)) && finalStatus.isEmpty()) {
                finalStatus = model.statusText();
                window.repaint();
                shoot(&window, QStringLiteral("upgrade-finished-") + tag);
            }
        });
        b.prompts.queueAnswer(Prompts::Answer::No); // the saved configuration stays on disk
        window.startButton()->click();
        QVERIFY(shotDuring);
        QVERIFY(buttonsWaited);
        QCOMPARE(highest, window.progressBar()->maximum());
        QVERIFY(finalStatus.startsWith(Msg(217)));
        QVERIFY(!window.isVisible());
        QCOMPARE(b.sim->identity().softwareRevision, QByteArray("1.21"));
        QVERIFY(QFile::exists(model.sequence().backupFile()));

        // A failed transfer keeps the window open with its controls usable again.
        window.show();
        QVERIFY(!model.fileChosen());
        b.prompts.queueFileName(fw);
        window.openButton()->click();
        b.sim->injectFault({SelectorSim::FaultKind::MonitorStatus, 1, -1, '0'});
        b.sim->injectFault({SelectorSim::FaultKind::MonitorStatus, 3, -1, '3'});
        b.sequence.setBackupEnabled(false);
        model.sequence().setBackupEnabled(false);
        b.prompts.clear();
        window.startButton()->click();
        QVERIFY(window.isVisible());
        QVERIFY(window.startButton()->isEnabled());
        QCOMPARE(window.progressBar()->value(), 0);
        shoot(&window, QStringLiteral("upgrade-failed-") + tag);
        QCOMPARE(b.errors(), QStringList{Msg(64) + Msg(978)});
        QCOMPARE(window.statusLabel()->text(), Msg(64));
        window.closeButton()->click();
        QVERIFY(!window.isVisible());
        QVERIFY(window.fileLabel()->text().isEmpty());
        QCOMPARE(b.link.baudRate(), 9600);
    }

    void toolbarButtonAndTheSearchOfferOpenTheWindow()
    {
        DemoDesktop d;
        QVERIFY(d.start());
        auto &win = d.win;
        ScriptedPrompts &prompts = d.prompts;
        QCOMPARE(win->link().MonitorAddress, win->link().DeviceAddress);
        QCOMPARE(win->toolButton(TMainFrm::Upgrade)->toolTip(), QString());

        // Each opening is answered by closing the window once it is up.
        int opened = 0;
        QTimer closer;
        closer.setInterval(20);
        QObject::connect(&closer, &QTimer::timeout, win.get(), [&] {
            if (win->dwnlFrm()->isVisible()) {
                ++opened;
                closer.stop();
                win->dwnlFrm()->closeButton()->click();
            }
        });
        const auto closeWhenShown = [&] { closer.start(); };
        closeWhenShown();
        win->toolButton(TMainFrm::Upgrade)->click();
        QCOMPARE(opened, 1);

        // A selector waiting in its monitor: the search offers the upgrade and opens the window.
        d.sim()->enterMonitor();
        prompts.clear();
        prompts.queueAnswer(Prompts::Answer::Yes);
        closeWhenShown();
        win->SearchClick();
        QCOMPARE(opened, 2);
        QVERIFY(prompts.texts(ScriptedPrompts::Kind::Confirm).contains(Msg(98)));
        QVERIFY(!prompts.allTexts().contains(Msg(420)));
        QCOMPARE(win->link().baudRate(), 9600);
    }
};

QTEST_MAIN(TestUpgradeWindow)
#include "test_upgrade_window.moc"
