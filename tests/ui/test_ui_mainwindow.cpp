// The main window's wiring against the in-process simulated selector, in the order a technician
// works: start-up, the pages bound to the configuration, transfers, statistics, the
// terminal, the device windows, a lost selector, exit.
#include "DemoDesktop.h"
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"
#include "config/ConfigPage.h"
#include "controls/NumEdit.h"
#include "controls/SpinEdit.h"
#include "device/CommLog.h"
#include "device/DeviceSession.h"
#include "files/SectionTree.h"
#include "main/ChannelPageView.h"
#include "main/CompareView.h"
#include "main/ConfigPageView.h"
#include "main/DeviceDialogs.h"
#include "main/LogPage.h"
#include "main/ScreenTour.h"
#include "main/StatsPageView.h"
#include "main/TErFrm.h"
#include "main/TMainFrm.h"
#include "main/TParsFrm.h"
#include "sim/SelectorSim.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {
// Picks an entry the way a user does: the list moves, then reports the activation.
void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void type(NumEdit *edit, const QString &text)
{
    edit->setText(text);
    emit edit->editingFinished();
}
} // namespace

class TestUiMainWindow : public QObject
{
    Q_OBJECT
private:
    DemoDesktop m_desk;

    SelectorSim *sim() const { return m_desk.sim(); }
    TMainFrm &win() { return *m_desk.win; }
    ConfigPage &model() { return m_desk.win->model(); }
    ConfigPageView &view() { return *m_desk.win->configView(); }
    QString shown() { return m_desk.prompts.allTexts().join(QStringLiteral(" | ")); }
    bool errorShown() { return !m_desk.prompts.texts(ScriptedPrompts::Kind::Error).isEmpty(); }

    // After every operation the window takes input again and the progress is gone.
    void unlocked()
    {
        QVERIFY(!win().busy());
        QVERIFY(win().notebook()->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!win().progressBar()->isVisible());
    }

private slots:
    void initTestCase() { QVERIFY(m_desk.start()); }

    void startUpFindsTheDemoSelectorAndFillsTheWindow()
    {
        QVERIFY(win().startedUp());
        QVERIFY(!win().session().identity.productCode.isEmpty());
        QCOMPARE(win().infoValue(0), win().session().identity.productCode);
        unlocked();
    }

    // Start-up shows the first standard configuration, but nothing was read, opened or typed.
    void saveAndDownloadRightAfterStartUpHaveNothingToSend()
    {
        const QByteArray before = sim()->nvMemory(0x0600, 0x240);
        m_desk.prompts.clear();
        win().FileSaveClick();
        win().DownloadClick();
        QCOMPARE(m_desk.prompts.texts(ScriptedPrompts::Kind::Error), QStringList(2, Msg(29)));
        QCOMPARE(sim()->nvMemory(0x0600, 0x240), before);
        unlocked();
    }

    void pageControlsReachTheModel()
    {
        const QList<QPair<NumEdit *, int>> edits = {
            {view().param[ConfigPageView::RestTime], ConfigPage::RestTime},
            {view().fraudTime, ConfigPage::InhibitTime},
            {view().inputMultiplier, ConfigPage::MultVal}};
        int value = 11;
        for (const auto &e : edits) {
            type(e.first, QString::number(value));
            QCOMPARE(model().paramValue(e.second), value++);
        }
        // An emptied box takes back what the model holds.
        NumEdit *credit = view().param[ConfigPageView::Credit];
        type(credit, QStringLiteral("7"));
        type(credit, QString());
        QCOMPARE(model().paramValue(ConfigPage::Credit), 7);
        QCOMPARE(credit->text(), QStringLiteral("7"));
        choose(view().multiplierUnit, 1);
        QVERIFY(!model().multiplierMinutes());

        view().ioEdit->click();
        QVERIFY(model().editMode());
        IoRowView &row = view().io[4]; // Output 5
        int chosen = -1;
        for (int i = 1; i < row.functions->count() && chosen < 0; ++i) {
            m_desk.prompts.clear();
            choose(row.functions, i);
            chosen = errorShown() ? -1 : i;
        }
        QVERIFY(chosen > 0);
        QCOMPARE(model().line(5).functionIndex, chosen);
        view().ioEdit->click();
        QVERIFY(!model().editMode());

        const int croatia = model().countryNames().indexOf(QStringLiteral("Croatia"));
        choose(view().countryCode[0], croatia);
        view().countryAccept->click();
        QCOMPARE(win().channelView(1)->row(7).country->itemText(0), QStringLiteral("HR"));
    }

    void sectionWindowTicksOnlyOnThePicture()
    {
        SectionTree tree;
        QVERIFY(tree.LoadFile(QDir(m_desk.dir.path()).filePath(QStringLiteral("template.xml"))));
        TParsFrm w(tree);
        tree.prepareShow();
        w.rebuild();
        // Only a press on the picture ticks; the caption, clicked or double-clicked, and Enter
        // only select. The window must be where the mouse is.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTreeWidget *view = w.treeWidget();
        QTreeWidgetItem *root = w.itemOf(0);
        const QRect r = view->visualItemRect(root);
        const QPoint picture(r.left() + view->iconSize().width() / 2, r.center().y());
        const QPoint caption(r.left() + view->iconSize().width() + 20, r.center().y());
        const int state = tree.state(0);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, caption);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, caption);
        view->setCurrentItem(root);
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(tree.state(0), state);
        QCOMPARE(view->currentItem(), root);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, picture);
        QVERIFY(tree.state(0) != state);
        QCOMPARE(root->icon(0).pixmap(16, 16).toImage(), TParsFrm::statePicture(tree.state(0)).toImage());
        QTest::keyClick(view, Qt::Key_Space);
        QCOMPARE(tree.state(0), state);
        w.hide();
    }

    void uploadEditDownloadRoundTrip()
    {
        // Channel 3: measurements 10..21; status 0x5A: ccTalk off, Sel. off, En. on, Fake on,
        // hidden bits 0x50; direction 4; value 50. Credit 4.
        sim()->setMemory(0x0620, QByteArray::fromHex("0A0B0C0D0E0F1011121314155A040032"));
        sim()->setMemory(0x07A0, QByteArray(1, char(4)));
        sim()->commit();
        m_desk.prompts.clear();
        QSignalSpy blocks(win().progressBar(), &QProgressBar::valueChanged);
        win().UploadClick();
        QVERIFY(blocks.count() >= 3); // the status bar counted the blocks as they came in
        QVERIFY2(!errorShown(), qPrintable(shown()));
        ChannelRowView &r = win().channelView(0)->row(2);
        QCOMPARE(r.parameter[0]->text(), QStringLiteral("10"));
        QVERIFY(r.enabled->isChecked() && !r.ccTalk->isChecked());
        NumEdit *credit = view().param[ConfigPageView::Credit];
        QCOMPARE(credit->text(), QStringLiteral("4"));
        unlocked();

        // Edit in the window, write back, and the selector's permanent memory has it.
        type(credit, QStringLiteral("6"));
        r.ccTalk->click();
        r.fake->click();
        choose(r.mint, 2);
        type(r.value, QStringLiteral("77"));
        type(r.parameter[0], QStringLiteral("120"));
        type(r.tolerance[0], QStringLiteral("300")); // not a byte: the box shows what the record kept
        QCOMPARE(r.tolerance[0]->text(), QStringLiteral("16"));
        m_desk.prompts.clear();
        win().DownloadClick();
        QVERIFY2(!errorShown(), qPrintable(shown()));
        QCOMPARE(sim()->nvMemory(0x07A0, 1), QByteArray(1, char(6)));
        QCOMPARE(sim()->nvMemory(0x0620, 16).toHex(), QByteArray("780b0c0d0e0f1011121314155004204d"));
    }

    // Tabbing through boxes the user did not change leaves the image as it was loaded.
    void leavingUnchangedBoxesChangesNothing()
    {
        // Output 1 a timer with Time On 0 (shown as one step); Bonus 1 level below Credit.
        sim()->setMemory(0x0700, QByteArray::fromHex("0404000000000000"));
        sim()->setMemory(0x07A0, QByteArray::fromHex("0400"));
        sim()->commit();
        m_desk.prompts.clear();
        win().UploadClick();
        QVERIFY2(!errorShown(), qPrintable(shown()));
        const QString lines = model().image().lineText(0).left(16);
        const QString params = model().image().paramText().left(36);
        IoRowView &row = view().io[0];
        QVERIFY(!row.timeOn->isHidden());
        emit row.timeOn->editingFinished();
        emit view().param[ConfigPageView::Credit]->editingFinished();
        model().windowToImage();
        QCOMPARE(model().image().lineText(0).left(16), lines);
        QCOMPARE(model().image().paramText().left(36), params);
        // A value the user does change still arrives.
        row.timeOn->setValue(3 * row.timeOn->singleStep());
        emit row.timeOn->editingFinished();
        QCOMPARE(model().image().lineByte(0, 6), 3);
    }

    void downloadWritesOnlyWhatChangedOnceChosen()
    {
        // Bonus levels above the credit and no timer line, so that the one edit below
        // changes one block and no rule between parameters follows it.
        sim()->setMemory(0x0700, QByteArray::fromHex("FFFFFFFFFFFFFFFF"));
        sim()->setMemory(0x07A0, QByteArray::fromHex("040A0114"));
        sim()->commit();
        m_desk.prompts.clear();
        win().UploadClick();
        QVERIFY2(!errorShown(), qPrintable(shown()));
        win().DownloadClick(); // the selector holds what the window shows
        QVERIFY(win().compareView());
        QVERIFY(!win().compareView()->onlyChangedBox()->isChecked());
        win().compareView()->onlyChangedBox()->setChecked(true);
        NumEdit *credit = view().param[ConfigPageView::Credit];
        type(credit, QStringLiteral("3"));
        const int before = win().commLog().count();
        m_desk.prompts.clear();
        win().DownloadClick();
        QVERIFY2(!errorShown(), qPrintable(shown()));
        QCOMPARE(sim()->nvMemory(0x07A0, 1), QByteArray(1, char(3)));
        QStringList writes;
        for (int row = before; row < win().commLog().count(); ++row)
            if (win().commLog().entry(row).decoded.startsWith(QStringLiteral("Write memory")))
                writes << win().commLog().entry(row).decoded;
        QCOMPARE(writes, QStringList{QStringLiteral("Write memory: 0x07A0, 1 bytes")});
        win().compareView()->onlyChangedBox()->setChecked(false);
        unlocked();
    }

    void statisticsAreReadIntoThePage()
    {
        QByteArray counters = QByteArray::fromHex("010203").leftJustified(60, '\0'); // slot 1
        counters[59] = 42;                                                           // slot 20
        sim()->setMemory(0x0800, counters);
        sim()->setMasks(QByteArray(4, char(0xFF)));
        win().SearchClick(); // identification reads the masks: every region open
        m_desk.prompts.clear();
        StatsPageView *v = win().statsView();
        v->readButton->click();
        QVERIFY2(!errorShown(), qPrintable(shown()));
        QCOMPARE(v->value[0]->text(), QString::number(0x010203));
        QCOMPARE(v->value[19]->text(), QStringLiteral("42"));
        unlocked();
    }

    void terminalSendsOnlyWhenSwitchedOnAndTheLogClearsOnlyWhenConfirmed()
    {
        CommLog &log = win().commLog();
        LogPage *page = win().logPage();
        QLineEdit *field = page->commandField();
        QVERIFY(!field->isEnabled());
        page->terminalBox()->setChecked(true);
        QTest::keyClicks(field, QStringLiteral("zq-fe"));
        QCOMPARE(field->text(), QStringLiteral("FE"));
        QTest::keyClick(field, Qt::Key_Return);
        const QStringList lines = log.lines();
        QCOMPARE(lines.mid(lines.size() - 2), QStringList({"-> 020001FEFF", "<- 01000200FD"}));
        QCOMPARE(field->text(), QString());
        QCOMPARE(page->lineAt(page->lineCount() - 1), lines.last());
        page->terminalBox()->setChecked(false);
        page->logToFileBox()->click();
        QVERIFY(log.logToFile());
        page->logToFileBox()->click();
        unlocked();

        m_desk.prompts.queueAnswer(Prompts::Answer::Cancel);
        page->clearButton()->click();
        QVERIFY(page->lineCount() > 0);
        m_desk.prompts.queueAnswer(Prompts::Answer::Ok);
        page->clearButton()->click();
        QCOMPARE(page->lineCount(), 0);
    }

    void addressWindowMovesTheSelectorAndEveryLaterCommand()
    {
        TAddrFrm *w = win().addrFrm();
        w->prepare();
        w->newAddress()->setValue(254);
        w->accept();
        QCOMPARE(int(sim()->address()), 254);
        w->prepare();
        w->newAddress()->setValue(2);
        w->accept();
        QCOMPARE(int(sim()->address()), 2);
    }

    void pinWindowForcesUpperCaseAndEmptiesItsFieldsOnBadInput()
    {
        TPinFrm *w = win().pinFrm();
        w->prepare();
        QTest::keyClicks(w->field(0), QStringLiteral("00000000"));
        QTest::keyClicks(w->field(1), QStringLiteral("abcdef12"));
        QTest::keyClicks(w->field(2), QStringLiteral("ABCDEF13"));
        QCOMPARE(w->field(1)->text(), QStringLiteral("ABCDEF12")); // forced upper case
        m_desk.prompts.clear();
        w->accept();
        QCOMPARE(m_desk.prompts.texts(ScriptedPrompts::Kind::Error), QStringList{Msg(60)});
        QCOMPARE(w->field(0)->text(), QString());
    }

    void erasingWindowErasesTheTickedChannelInTheSelector()
    {
        sim()->setMemory(0x0600 + 16 * 4, QByteArray(16, char(0x11))); // channel 5
        sim()->commit();
        const QByteArray neighbour = sim()->nvMemory(0x0600 + 16 * 5, 16);
        TErFrm *w = win().erFrm();
        w->channelBox(5)->click();
        m_desk.prompts.clear();
        m_desk.prompts.queueAnswer(Prompts::Answer::Yes);
        w->eraseButton()->click();
        QVERIFY2(!errorShown(), qPrintable(shown()));
        QCOMPARE(sim()->nvMemory(0x0600 + 16 * 4, 16), QByteArray(16, char(0xFF)));
        QCOMPARE(sim()->nvMemory(0x0600 + 16 * 5, 16), neighbour);
        unlocked();
    }

    void aFailedSearchLeavesTheWindowUsable()
    {
        SelectorSim::Fault silent;
        silent.kind = SelectorSim::FaultKind::NoReply;
        silent.count = -1;
        sim()->injectFault(silent);
        m_desk.prompts.clear();
        win().SearchClick();
        QVERIFY(m_desk.prompts.allTexts().contains(Msg(99)));
        unlocked();
        sim()->clearFaults();
        win().SearchClick();
        QVERIFY(!win().session().identity.productCode.isEmpty());
    }

    void screenshotsCoverEveryPageAndDialog()
    {
        QTemporaryDir out;
        QStringList cut;
        // The standard configurations as the list shows them when it opens ("Custom" leaves it).
        model().openVersionList();
        const int versions = model().versionEntries().size();
        const QStringList files = win().saveScreenshots(out.path(), QStringLiteral("en-"), &cut);
        // Six pages and the configuration page in Edit mode for every standard configuration,
        // every dialog, and three pages after an upload.
        QCOMPARE(files.size(), versions * 7 + ScreenTour::dialogNames().size() + 3);
        for (const QString &f : files)
            QVERIFY2(!QImage(f).isNull(), qPrintable(f));
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }

    void exitClosesOnlyWhenConfirmed()
    {
        m_desk.prompts.queueAnswer(Prompts::Answer::No);
        win().ExitClick();
        QVERIFY(win().isVisible());
        QCOMPARE(m_desk.prompts.shown().last().text, Msg(67));
        m_desk.prompts.queueAnswer(Prompts::Answer::Yes);
        win().ExitClick();
        QVERIFY(!win().isVisible());
    }
};

QTEST_MAIN(TestUiMainWindow)
#include "test_ui_mainwindow.moc"
