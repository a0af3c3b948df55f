// The main window against the in-process simulated selector, in the order a technician
// works: start-up, the pages bound to the configuration, transfers, statistics, the
// terminal and log, the device windows, a lost selector, exit.
#include "CliRun.h"
#include "DemoDesktop.h"
#include "app/DataDir.h"
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"
#include "config/ConfigPage.h"
#include "controls/NumEdit.h"
#include "controls/SpinEdit.h"
#include "controls/WrapButton.h"
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
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"
#include "stats/StatisticsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

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

    // The parameter box a technician finds by the caption beside it.
    NumEdit *boxOfCaption(int message)
    {
        for (int i = 0; i < ConfigPageView::ParamCount; ++i)
            if (view().paramLabel[i]->text() == Msg(message))
                return view().param[i];
        return nullptr;
    }

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
        QCOMPARE(win().notebook()->currentIndex(), int(TMainFrm::AboutTab));
        QVERIFY(!win().session().identity.productCode.isEmpty());
        QCOMPARE(win().infoValue(0), win().session().identity.productCode);
        QCOMPARE(win().infoValue(1), win().session().identity.serialNumber);
        // The offscreen screen is small, so the advice came first of all messages.
        QCOMPARE(m_desk.prompts.shown().value(0).text, Msg(179));
        // Every window's button is on.
        for (TMainFrm::Tool t : {TMainFrm::CoinsProg, TMainFrm::Upgrade, TMainFrm::Test})
            QVERIFY(win().toolButton(t)->isEnabled());
        QVERIFY(!win().toolButton(TMainFrm::FactoryTest)->isVisible());
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

    void typedParametersReachTheParameterOfTheirCaption()
    {
        const QList<QPair<NumEdit *, int>> edits = {{boxOfCaption(226), ConfigPage::RestTime},
                                                    {boxOfCaption(298), ConfigPage::TimeOutWarning},
                                                    {boxOfCaption(42), ConfigPage::Bonus2Value},
                                                    {view().fraudTime, ConfigPage::InhibitTime},
                                                    {view().inputMultiplier, ConfigPage::MultVal}};
        int value = 11;
        for (const auto &e : edits) {
            type(e.first, QString::number(value));
            QCOMPARE(model().paramValue(e.second), value++);
        }
        // An emptied box takes back what the model holds.
        NumEdit *credit = boxOfCaption(90);
        type(credit, QStringLiteral("7"));
        type(credit, QString());
        QCOMPARE(model().paramValue(ConfigPage::Credit), 7);
        QCOMPARE(credit->text(), QStringLiteral("7"));
    }

    void lineTimesLevelsAndTheMultiplierUnitReachTheModel()
    {
        choose(view().multiplierUnit, 0);
        QVERIFY(model().multiplierMinutes());
        choose(view().multiplierUnit, 1);
        QVERIFY(!model().multiplierMinutes());
        IoRowView *timed = nullptr;
        IoRowView *levelled = nullptr;
        for (IoRowView &r : view().io) {
            if (!timed && model().line(r.line).timeOnVisible)
                timed = &r;
            if (!levelled && model().line(r.line).levelVisible)
                levelled = &r;
        }
        QVERIFY(timed && levelled);
        const int step = model().line(timed->line).timeOnStep;
        timed->timeOn->setValue(step * 7);
        emit timed->timeOn->editingFinished();
        QCOMPARE(model().line(timed->line).timeOn, step * 7);
        const LineRow &level = model().line(levelled->line);
        const QString before = levelled->level->property("pictureName").toString();
        QCOMPARE(before, level.levelPicture);
        levelled->level->click();
        QVERIFY(level.levelPicture != before);
        QCOMPARE(levelled->level->property("pictureName").toString(), level.levelPicture);
    }

    void editModeShowsFunctionListsAndAChoiceFillsTheRow()
    {
        view().ioEdit->click();
        QVERIFY(model().editMode());
        QVERIFY(!view().setStandard->isHidden());
        IoRowView &row = view().io[4]; // Output 5
        QVERIFY(row.note->isHidden());
        int chosen = -1;
        for (int i = 1; i < row.functions->count() && chosen < 0; ++i) {
            m_desk.prompts.clear();
            choose(row.functions, i);
            chosen = errorShown() ? -1 : i;
        }
        QVERIFY(chosen > 0);
        QCOMPARE(model().line(5).functionIndex, chosen);
        QCOMPARE(row.note->toolTip(), model().line(5).note);
        QCOMPARE(row.timeOn->isHidden(), !model().line(5).timeOnVisible);
        view().ioEdit->click();
        QVERIFY(!model().editMode());
        QVERIFY(row.functions->isHidden());
    }

    void acceptedCountryCodesReachEveryChannelList()
    {
        const int croatia = model().countryNames().indexOf(QStringLiteral("Croatia"));
        choose(view().countryCode[0], croatia);
        view().countryAccept->click();
        QCOMPARE(model().image().countryCodes().left(2), QStringLiteral("HR"));
        QCOMPARE(win().channelView(0)->row(0).country->itemText(0), QStringLiteral("HR"));
        QCOMPARE(win().channelView(1)->row(7).country->itemText(0), QStringLiteral("HR"));
    }

    void sectionWindowDrawsTheTreeAndItsStatePictures()
    {
        SectionTree tree;
        QVERIFY(tree.LoadFile(QDir(m_desk.dir.path()).filePath(QStringLiteral("template.xml"))));
        TParsFrm w(tree);
        tree.prepareShow();
        w.rebuild();
        int items = 0;
        for (QTreeWidgetItemIterator it(w.treeWidget()); *it; ++it)
            ++items;
        QCOMPARE(items, tree.count());
        QCOMPARE(w.nodeOf(w.itemOf(0)), 0);
        QCOMPARE(w.itemOf(0)->isExpanded(), tree.expanded(0));
        const QImage checked = TParsFrm::statePicture(SectionTree::Checked).toImage();
        QVERIFY(TParsFrm::statePicture(SectionTree::Unchecked).toImage() != checked);
        const int before = tree.state(0);
        w.clickState(0);
        QVERIFY(tree.state(0) != before || before == SectionTree::Empty);
        QCOMPARE(w.itemOf(0)->icon(0).pixmap(16, 16).toImage(),
                 TParsFrm::statePicture(tree.state(0)).toImage());
        QList<int> states;
        for (int n = 0; n < tree.count(); ++n)
            states << tree.state(n);
        w.clickState(-1); // clicks beside the tree change nothing
        w.clickState(tree.count());
        for (int n = 0; n < tree.count(); ++n)
            QCOMPARE(tree.state(n), states.at(n));

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
        QTest::keyClick(view, Qt::Key_Space);
        QCOMPARE(tree.state(0), state);
        w.hide();
    }

    void uploadEditDownloadSaveAndOpenRoundTrip()
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
        QCOMPARE(r.tolerance[1]->text(), QStringLiteral("17"));
        QCOMPARE(r.value->text(), QStringLiteral("50"));
        const QList<bool> ticks = {r.ccTalk->isChecked(), r.selective->isChecked(), r.enabled->isChecked(),
                                   r.fake->isChecked()};
        QCOMPARE(ticks, QList<bool>({false, false, true, true}));
        QCOMPARE(r.direction->currentIndex(), 4);
        QCOMPARE(r.valueCode->currentText(), QStringLiteral("001"));
        QCOMPARE(r.enabled->toolTip(), Msg(564));
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

        // Save to a file, change the window, open the file again.
        QTemporaryDir files;
        const QString path = files.filePath(QStringLiteral("saved.xml"));
        m_desk.prompts.queueFileName(path);
        win().FileSaveClick();
        QVERIFY2(QFile::exists(path), qPrintable(shown()));
        type(r.value, QStringLiteral("5"));
        type(credit, QStringLiteral("9"));
        m_desk.prompts.clear();
        m_desk.prompts.queueFileName(path);
        win().FileOpenClick();
        QVERIFY2(!errorShown(), qPrintable(shown()));
        QCOMPARE(r.value->text(), QStringLiteral("77"));
        QCOMPARE(credit->text(), QStringLiteral("6"));
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

    void statisticsAreReadChosenAndExported()
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
        QVERIFY(v->value[0]->isReadOnly()); // counters are the selector's
        unlocked();
        choose(v->option[4], 1);
        QCOMPARE(win().statistics().selection(5), 1);

        QTemporaryDir out;
        m_desk.prompts.queueFileName(out.filePath(QStringLiteral("counters")));
        v->exportButton->click();
        // A worksheet's first record.
        QVERIFY2(
            fileBytes(out.filePath(QStringLiteral("counters.xls"))).startsWith(QByteArray("\x09\x08", 2)),
            qPrintable(shown()));
        unlocked();
    }

    void terminalSendsOnlyWhenSwitchedOnAndKeepsTheFocus()
    {
        CommLog &log = win().commLog();
        LogPage *page = win().logPage();
        log.LogLine(QStringLiteral("-> 2499"));
        QLineEdit *field = page->commandField();
        QVERIFY(!field->isEnabled());
        page->sendButton()->click();
        QCOMPARE(page->lineAt(page->lineCount() - 1), QStringLiteral("-> 2499"));

        page->terminalBox()->setChecked(true);
        page->logToFileBox()->click();
        QTest::keyClicks(field, QStringLiteral("zq-fe"));
        QCOMPARE(field->text(), QStringLiteral("FE"));
        QTest::keyClick(field, Qt::Key_Return);
        const QStringList lines = log.lines();
        QCOMPARE(lines.mid(lines.size() - 2), QStringList({"-> 020001FEFF", "<- 01000200FD"}));
        QCOMPARE(field->text(), QString());
        QCOMPARE(page->lineAt(page->lineCount() - 1), lines.last());
        QCOMPARE(LogPage::lineColor(lines.last()), QColor(Qt::blue));
        QCOMPARE(LogPage::lineColor(lines.at(lines.size() - 2)), QColor(Qt::red));
        // The field keeps the focus through the exchange, so the next command is typed at once.
        win().notebook()->setCurrentWidget(page);
        win().activateWindow();
        QApplication::setActiveWindow(&win());
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("fe"));
        QTest::keyClick(field, Qt::Key_Enter);
        QCOMPARE(log.lines().last(), QStringLiteral("<- 01000200FD"));
        QCOMPARE(QApplication::focusWidget(), field);
        page->logToFileBox()->click();
        page->terminalBox()->setChecked(false);
        QVERIFY(fileBytes(log.filePath()).contains("-> 020001FEFF"));
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
        QCOMPARE(w->currentAddress()->text(), QStringLiteral("254"));
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
        w->allChannels()->click();
        QVERIFY(w->channelBox(16)->isChecked());
        w->allChannels()->click();
        w->channelBox(5)->click();
        m_desk.prompts.clear();
        m_desk.prompts.queueAnswer(Prompts::Answer::Yes);
        w->eraseButton()->click();
        QVERIFY2(!errorShown(), qPrintable(shown()));
        QCOMPARE(sim()->nvMemory(0x0600 + 16 * 4, 16), QByteArray(16, char(0xFF)));
        QCOMPARE(sim()->nvMemory(0x0600 + 16 * 5, 16), neighbour);
        unlocked();
    }

    void busyLocksTheWindowAndAFailedSearchLeavesItUsable()
    {
        win().BeginBusy();
        QVERIFY(!win().notebook()->isEnabled());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        win().EndBusy();
        win().EndBusy(); // an extra end is harmless
        unlocked();

        SelectorSim::Fault silent;
        silent.kind = SelectorSim::FaultKind::NoReply;
        silent.count = -1;
        sim()->injectFault(silent);
        m_desk.prompts.clear();
        win().SearchClick();
        QVERIFY(m_desk.prompts.allTexts().contains(Msg(99)));
        unlocked();
        QVERIFY(win().infoPanel()->isEnabled());
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
        // The names say what each shows.
        QVERIFY(QFileInfo::exists(out.filePath(QStringLiteral("en-config-2-%1-page-1-configuration-edit.png")
                                                   .arg(ScreenTour::slug(model().versionEntries().at(1))))));
        QVERIFY(QFileInfo::exists(out.filePath(QStringLiteral("en-dialog-address.png"))));
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
        QCOMPARE(QImage(files.first()).size(), win().size()); // a page is pictured in the whole window
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
