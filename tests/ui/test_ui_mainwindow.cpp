// The main window against the in-process simulated selector: start-up, the terminal, the
// log, statistics, parameter edits, the address and PIN windows, busy locking, exit.
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"
#include "config/ConfigPage.h"
#include "controls/NumEdit.h"
#include "controls/SpinEdit.h"
#include "device/CommLog.h"
#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"
#include "link/PortFactory.h"
#include "main/AppStart.h"
#include "main/ConfigPageView.h"
#include "main/DeviceDialogs.h"
#include "main/LogPage.h"
#include "main/StatsPageView.h"
#include "main/TErFrm.h"
#include "main/TMainFrm.h"
#include "main/TextEntryDlg.h"
#include "sim/SelectorSim.h"
#include "sim/SimBus.h"
#include "sim/SimulatorPort.h"
#include "stats/StatisticsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace {
bool copyData(const QString &to)
{
    const QDir from(QStringLiteral(RX_TEST_DATA_DIR));
    for (const QFileInfo &f : from.entryInfoList(QDir::Files))
        if (!QFile::copy(f.absoluteFilePath(), QDir(to).filePath(f.fileName())))
            return false;
    return true;
}
} // namespace

class TestUiMainWindow : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::shared_ptr<SimBus> m_bus;
    ScriptedPrompts m_prompts;
    std::unique_ptr<TMainFrm> m_win;

    SelectorSim *sim() const { return m_bus->selector(0); }
    TMainFrm &win() { return *m_win; }

    int logCount() { return win().commLog().count(); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(copyData(m_dir.path()));
        m_bus = SimulatorPort::registerPort();
        StartOptions o;
        o.dataDir = m_dir.path();
        o.demo = true;
        o.interactive = false;
        m_win = std::make_unique<TMainFrm>(o, &m_prompts);
        m_win->show();
        m_win->startUp();
    }

    void cleanupTestCase()
    {
        m_win.reset();
        SimulatorPort::unregisterPort();
    }

    void startUpFindsTheDemoSelectorAndFillsTheWindow()
    {
        QVERIFY(win().startedUp());
        QCOMPARE(win().windowTitle(), Msg(28) + QStringLiteral(" ver 1.203"));
        QCOMPARE(win().size(), QSize(TMainFrm::ClientWidth, TMainFrm::ClientHeight));
        QCOMPARE(win().notebook()->count(), 6);
        QCOMPARE(win().notebook()->currentIndex(), int(TMainFrm::AboutTab));
        const int pages[6] = {79, 61, 62, 274, 76, 24};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(win().notebook()->tabText(i), Msg(pages[i]));
        // The search found the simulated selector and the panel shows its identity.
        QCOMPARE(win().link().portName(), QStringLiteral("SIMULATOR"));
        QVERIFY(!win().session().identity.productCode.isEmpty());
        QCOMPARE(win().infoValue(0), win().session().identity.productCode);
        QCOMPARE(win().infoValue(1), win().session().identity.serialNumber);
        // The offscreen screen is small, so the advice came first of all messages.
        QVERIFY(!m_prompts.shown().isEmpty());
        QCOMPARE(m_prompts.shown().first().text, Msg(179));
        // The catalogue reached the configuration page.
        QVERIFY(win().configView()->versionList->count() > 0);
        QCOMPARE(win().configView()->versionList->currentIndex(), 0);
        QVERIFY(!win().busy());
        QVERIFY(win().notebook()->isEnabled());
    }

    void laterVersionButtonsAreDisabledWithAHintAndFactoryTestHidden()
    {
        for (TMainFrm::Tool t : {TMainFrm::CoinsProg, TMainFrm::Upgrade, TMainFrm::Test}) {
            QVERIFY(!win().toolButton(t)->isEnabled());
            QCOMPARE(win().toolButton(t)->toolTip(), Msg(550));
        }
        QVERIFY(!win().toolButton(TMainFrm::FactoryTest)->isVisible());
        QVERIFY(win().toolButton(TMainFrm::Search)->isVisible());
        QCOMPARE(win().toolButton(TMainFrm::Exit)->text(), Msg(138));
        // Toolbar order as the technicians know it.
        QVERIFY(win().toolButton(TMainFrm::FileOpen)->x() < win().toolButton(TMainFrm::Upload)->x());
        QVERIFY(win().toolButton(TMainFrm::Erase)->x() < win().toolButton(TMainFrm::Search)->x());
        QVERIFY(win().toolButton(TMainFrm::Search)->x() < win().toolButton(TMainFrm::Exit)->x());
    }

    void terminalSendsOnlyWhenSwitchedOnAndTakesOnlyHex()
    {
        LogPage *page = win().logPage();
        QLineEdit *field = page->commandField();
        QVERIFY(!page->terminalBox()->isChecked());
        QVERIFY(!field->isEnabled());
        QVERIFY(!page->sendButton()->isEnabled());
        const int before = logCount();
        page->sendButton()->click();
        QCOMPARE(logCount(), before);

        page->terminalBox()->setChecked(true);
        QVERIFY(field->isEnabled());
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("zq-fe"));
        QCOMPARE(field->text(), QStringLiteral("FE"));
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_VERIFY(logCount() >= before + 2);
        const QStringList lines = win().commLog().lines();
        QVERIFY(lines.contains(QStringLiteral("-> 020001FEFF")));
        QCOMPARE(lines.last(), QStringLiteral("<- 01000200FD"));
        QCOMPARE(field->text(), QString());
        // The list shows what the log holds, colour by direction.
        QCOMPARE(page->list()->count(), win().commLog().count());
        QCOMPARE(LogPage::lineColor(lines.last()), QColor(Qt::blue));
        QCOMPARE(LogPage::lineColor(QStringLiteral("-> 020001FEFF")), QColor(Qt::red));
        QVERIFY(!win().busy());
        page->terminalBox()->setChecked(false);
    }

    void clearLogAsksFirst()
    {
        LogPage *page = win().logPage();
        QVERIFY(page->list()->count() > 0);
        m_prompts.queueAnswer(Prompts::Answer::Cancel);
        page->clearButton()->click();
        QVERIFY(page->list()->count() > 0);
        m_prompts.queueAnswer(Prompts::Answer::Ok);
        page->clearButton()->click();
        QCOMPARE(page->list()->count(), 0);
        QCOMPARE(win().commLog().count(), 0);
        QVERIFY(m_prompts.texts(ScriptedPrompts::Kind::Confirm).contains(Msg(213)));
    }

    void logToFileMirrorsNewLines()
    {
        LogPage *page = win().logPage();
        page->logToFileBox()->click();
        QVERIFY(win().commLog().logToFile());
        page->terminalBox()->setChecked(true);
        QTest::keyClicks(page->commandField(), QStringLiteral("FE"));
        page->sendButton()->click();
        page->terminalBox()->setChecked(false);
        page->logToFileBox()->click();
        QVERIFY(!win().commLog().logToFile());
        QFile f(win().commLog().filePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.contains("-> 020001FEFF"));
    }

    void statisticsReadShowsTheSelectorsCounters()
    {
        QByteArray counters(60, '\0');
        counters[0] = 0x01;
        counters[1] = 0x02;
        counters[2] = 0x03; // slot 1 = 0x010203
        counters[57] = 0x00;
        counters[58] = 0x00;
        counters[59] = 0x2A; // slot 20 = 42
        sim()->setMemory(0x0800, counters);
        sim()->setMasks(QByteArray(4, char(0xFF)));
        win().SearchClick(); // identification reads the masks: every region open
        m_prompts.clear();
        win().statsView()->readButton->click();
        QCOMPARE(win().statsView()->value[0]->text(), QString::number(0x010203));
        QCOMPARE(win().statsView()->value[19]->text(), QStringLiteral("42"));
        QVERIFY(!m_prompts.allTexts().contains(Msg(220)));
        // Transfers end unlocked with the progress gone.
        QVERIFY(!win().busy());
        QVERIFY(win().notebook()->isEnabled());
        QVERIFY(!win().progressBar()->isVisible());
        // Counters are the selector's: the boxes do not take typing.
        QVERIFY(win().statsView()->value[0]->isReadOnly());
    }

    void uploadEditDownloadSaveAndOpenRoundTrip()
    {
        // A recognisable channel 3 and credit in the selector.
        QByteArray record(16, '\0');
        for (int i = 0; i < 12; ++i)
            record[i] = char(10 + i);
        record[12] = 0x00;
        record[13] = 2;
        record[15] = 50;
        sim()->setMemory(0x0620, record);
        sim()->setMemory(0x07A0, QByteArray(1, char(4)));
        sim()->commit();
        m_prompts.clear();
        QSignalSpy blocks(win().progressBar(), &QProgressBar::valueChanged);
        win().UploadClick();
        // The status bar counted the blocks as they came in.
        QVERIFY(blocks.count() >= 3);
        QCOMPARE(win().progressBar()->maximum(), blocks.last().at(0).toInt());
        QVERIFY2(m_prompts.allTexts().contains(Msg(192)), qPrintable(m_prompts.allTexts().join(" | ")));
        auto *am1 = win().findChild<NumEdit *>(QStringLiteral("par3_0"));
        auto *ph1tol = win().findChild<NumEdit *>(QStringLiteral("tol3_1"));
        auto *val = win().findChild<NumEdit *>(QStringLiteral("val3"));
        QCOMPARE(am1->text(), QStringLiteral("10"));
        QCOMPARE(ph1tol->text(), QStringLiteral("17"));
        QCOMPARE(val->text(), QStringLiteral("50"));
        ConfigPageView *v = win().configView();
        QCOMPARE(v->param[ConfigPageView::Credit]->text(), QStringLiteral("4"));
        QVERIFY(!win().busy());
        QVERIFY(!win().progressBar()->isVisible());

        // Edit in the window, write back, and the selector's permanent memory has it.
        v->param[ConfigPageView::Credit]->setText(QStringLiteral("6"));
        emit v->param[ConfigPageView::Credit]->editingFinished();
        val->setText(QStringLiteral("77"));
        emit val->editingFinished();
        m_prompts.clear();
        win().DownloadClick();
        QVERIFY2(!m_prompts.texts(ScriptedPrompts::Kind::Error).size(),
                 qPrintable(m_prompts.allTexts().join(" | ")));
        QCOMPARE(quint8(sim()->nvMemory(0x07A0, 1).at(0)), quint8(6));
        QCOMPARE(quint8(sim()->nvMemory(0x0620 + 15, 1).at(0)), quint8(77));

        // Save to a file, change the window, open the file again.
        QTemporaryDir files;
        const QString path = files.filePath(QStringLiteral("saved.xml"));
        m_prompts.clear();
        m_prompts.queueFileName(path);
        win().FileSaveClick();
        QVERIFY2(QFile::exists(path), qPrintable(m_prompts.allTexts().join(" | ")));
        val->setText(QStringLiteral("5"));
        emit val->editingFinished();
        QCOMPARE(val->text(), QStringLiteral("5"));
        m_prompts.clear();
        m_prompts.queueFileName(path);
        win().FileOpenClick();
        QVERIFY2(m_prompts.texts(ScriptedPrompts::Kind::Error).isEmpty(),
                 qPrintable(m_prompts.allTexts().join(" | ")));
        QCOMPARE(val->text(), QStringLiteral("77"));
        QCOMPARE(v->param[ConfigPageView::Credit]->text(), QStringLiteral("6"));
    }

    void choosingAStatisticOptionReachesTheModel()
    {
        QComboBox *box = win().statsView()->option[4];
        if (box->count() < 2)
            QSKIP("the catalogue has a single statistic option");
        box->setCurrentIndex(1);
        emit box->activated(1);
        QCOMPARE(win().statistics().selection(5), 1);
        QCOMPARE(box->currentIndex(), 1);
    }

    void parameterEditsGoToTheModelAndEmptyBoxesAreRefused()
    {
        ConfigPageView *v = win().configView();
        NumEdit *credit = v->param[ConfigPageView::Credit];
        credit->setText(QStringLiteral("7"));
        emit credit->editingFinished();
        QCOMPARE(win().model().paramValue(ConfigPage::Credit), 7);
        credit->clear();
        emit credit->editingFinished();
        QCOMPARE(win().model().paramValue(ConfigPage::Credit), 7);
        QCOMPARE(credit->text(), QStringLiteral("7"));
        // Letters never get in.
        credit->clear();
        QTest::keyClicks(credit, QStringLiteral("x9"));
        QCOMPARE(credit->text(), QStringLiteral("9"));
    }

    void editShowsTheFunctionListsInsteadOfTheNotes()
    {
        ConfigPageView *v = win().configView();
        win().notebook()->setCurrentIndex(TMainFrm::ConfigurationTab);
        QVERIFY(!v->io[0].functions->isVisible());
        v->ioEdit->click();
        QVERIFY(win().model().editMode());
        QVERIFY(v->io[0].functions->isVisible());
        QVERIFY(!v->io[0].note->isVisible());
        QVERIFY(v->io[0].functions->count() > 0);
        v->ioEdit->click();
        QVERIFY(!win().model().editMode());
        QVERIFY(v->io[0].note->isVisible());
    }

    void channelBoxesRefuseValuesAboveAByte()
    {
        ChannelPageView *page = win().channelView(0);
        Q_UNUSED(page);
        auto *edit = win().findChild<NumEdit *>(QStringLiteral("par1_0"));
        QVERIFY(edit);
        edit->setText(QStringLiteral("120"));
        emit edit->editingFinished();
        QCOMPARE(win().model().channels().row(1).boxes[0], QStringLiteral("120"));
        edit->setText(QStringLiteral("300"));
        emit edit->editingFinished();
        QCOMPARE(win().model().channels().row(1).boxes[0], QStringLiteral("120"));
        QCOMPARE(edit->text(), QStringLiteral("120"));
    }

    void addressWindowMovesTheSelectorAndEveryLaterCommand()
    {
        TAddrFrm *w = win().addrFrm();
        w->prepare();
        QCOMPARE(w->currentAddress()->text(), QStringLiteral("2"));
        QCOMPARE(w->newAddress()->minimum(), 2);
        QCOMPARE(w->newAddress()->maximum(), 254);
        w->newAddress()->setValue(254);
        w->accept();
        QCOMPARE(int(win().link().DeviceAddress), 254);
        QCOMPARE(int(sim()->address()), 254);
        QVERIFY(m_prompts.texts(ScriptedPrompts::Kind::Information).contains(Msg(52)));
        w->prepare();
        QCOMPARE(w->currentAddress()->text(), QStringLiteral("254"));
        w->newAddress()->setValue(2);
        w->accept();
        QCOMPARE(int(sim()->address()), 2);
    }

    void pinWindowChecksLengthFirstAndSendsNothingOnBadInput()
    {
        TPinFrm *w = win().pinFrm();
        w->prepare();
        QTest::keyClicks(w->field(0), QStringLiteral("1234567"));
        QTest::keyClicks(w->field(1), QStringLiteral("ab"));
        QTest::keyClicks(w->field(2), QStringLiteral("ZZZZZZZZ"));
        QCOMPARE(w->field(1)->text(), QStringLiteral("AB")); // forced upper case
        const int before = logCount();
        m_prompts.clear();
        w->accept();
        QCOMPARE(m_prompts.texts(ScriptedPrompts::Kind::Error), QStringList{Msg(161)});
        QCOMPARE(logCount(), before);
        // The fields are emptied for another try.
        QCOMPARE(w->field(0)->text(), QString());
        QTest::keyClicks(w->field(0), QStringLiteral("00000000"));
        QTest::keyClicks(w->field(1), QStringLiteral("12345678"));
        QTest::keyClicks(w->field(2), QStringLiteral("12345679"));
        m_prompts.clear();
        w->accept();
        QCOMPARE(m_prompts.texts(ScriptedPrompts::Kind::Error), QStringList{Msg(60)});
        QCOMPARE(logCount(), before);
    }

    void passwordDialogStaysOpenUntilTheEntryIsAccepted()
    {
        TextEntryDlg dlg(TextEntryDlg::Kind::Password, &win());
        QStringList complaints;
        dlg.setComplaintSink([&](const QString &t) { complaints << t; });
        const auto validate = [](const QString &t) { return t.size() == 8 ? QString() : Msg(161); };
        QTimer::singleShot(0, &dlg, [&] {
            QTest::keyClicks(dlg.field(), QStringLiteral("abc"));
            dlg.accept();
            QVERIFY(dlg.isVisible());
            QCOMPARE(dlg.field()->text(), QStringLiteral("ABC"));
            dlg.field()->clear();
            QTest::keyClicks(dlg.field(), QStringLiteral("abcdef12"));
            dlg.accept();
        });
        QString result;
        QVERIFY(dlg.ask(Msg(116), QString(), validate, result));
        QCOMPARE(result, QStringLiteral("ABCDEF12"));
        QCOMPARE(complaints, QStringList{Msg(161)});
        QCOMPARE(dlg.field()->echoMode(), QLineEdit::Password);
    }

    void erasingWindowAllBoxTicksItsGroup()
    {
        TErFrm *w = win().erFrm();
        w->allChannels()->click();
        for (int n = 1; n <= 16; ++n)
            QVERIFY(w->channelBox(n)->isChecked());
        QVERIFY(!w->statBox(1)->isChecked());
        w->allChannels()->click();
        QVERIFY(!w->channelBox(16)->isChecked());
        QCOMPARE(w->windowTitle(), Msg(120));
        QCOMPARE(w->eraseButton()->text(), Msg(117));
    }

    void erasingWindowErasesTheTickedChannelInTheSelector()
    {
        QByteArray record(16, char(0x11));
        sim()->setMemory(0x0600 + 16 * 4, record); // channel 5
        sim()->commit();
        TErFrm *w = win().erFrm();
        w->refresh();
        w->channelBox(5)->click();
        m_prompts.clear();
        m_prompts.queueAnswer(Prompts::Answer::Yes);
        w->eraseButton()->click();
        QCOMPARE(m_prompts.texts(ScriptedPrompts::Kind::Confirm).size(), 1);
        QVERIFY2(m_prompts.texts(ScriptedPrompts::Kind::Error).isEmpty(),
                 qPrintable(m_prompts.allTexts().join(" | ")));
        QCOMPARE(sim()->nvMemory(0x0600 + 16 * 4, 16), QByteArray(16, char(0xFF)));
        // The neighbours were left alone.
        QVERIFY(sim()->nvMemory(0x0600 + 16 * 5, 16) != QByteArray(16, char(0xFF)) ||
                sim()->nvMemory(0x0600 + 16 * 5, 16) == SelectorSim::defaultImage().mid(0x0600 + 16 * 5, 16));
        w->channelBox(5)->click();
        QVERIFY(!win().busy());
    }

    void exportWritesASpreadsheetFile()
    {
        QTemporaryDir out;
        const QString chosen = out.filePath(QStringLiteral("counters"));
        m_prompts.clear();
        m_prompts.queueFileName(chosen);
        win().statsView()->exportButton->click();
        QVERIFY(m_prompts.texts(ScriptedPrompts::Kind::Confirm).isEmpty());
        QFile f(chosen + QStringLiteral(".xls"));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(m_prompts.allTexts().join(" | ")));
        const QByteArray bytes = f.readAll();
        // A BIFF2 worksheet starts with its BOF record.
        QVERIFY(bytes.startsWith(QByteArray("\x09\x08", 2)));
        QVERIFY(bytes.size() > 100);
        QVERIFY(!win().busy());
    }

    void busyLocksTheWindowAndAFailedSearchUnlocksIt()
    {
        win().BeginBusy();
        QVERIFY(!win().notebook()->isEnabled());
        QVERIFY(!win().toolButton(TMainFrm::Search)->isEnabled() ||
                !win().toolButton(TMainFrm::Search)->parentWidget()->isEnabled());
        QCOMPARE(QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor,
                 Qt::WaitCursor);
        win().EndBusy();
        QVERIFY(win().notebook()->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        win().EndBusy(); // an extra end is harmless
        QVERIFY(!win().busy());

        // With the selector gone silent the search fails but the window takes input again.
        SelectorSim::Fault silent;
        silent.kind = SelectorSim::FaultKind::NoReply;
        silent.count = -1;
        sim()->injectFault(silent);
        m_prompts.clear();
        win().SearchClick();
        QVERIFY(m_prompts.allTexts().contains(Msg(99)));
        QVERIFY(win().notebook()->isEnabled());
        QVERIFY(win().infoPanel()->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        sim()->clearFaults();
        win().SearchClick();
        QVERIFY(!win().session().identity.productCode.isEmpty());
    }

    void exitAnsweredNoKeepsTheWindow()
    {
        m_prompts.queueAnswer(Prompts::Answer::No);
        win().ExitClick();
        QVERIFY(win().isVisible());
        QVERIFY(m_prompts.texts(ScriptedPrompts::Kind::Confirm).contains(Msg(67)));
    }

    void screenshotsCoverEveryPageAndDialog()
    {
        QTemporaryDir out;
        const QStringList files = win().saveScreenshots(out.path());
        // Six pages, six dialogs, the page in edit mode and three pages after an upload.
        QCOMPARE(files.size(), 16);
        for (const QString &f : files) {
            QImage img(f);
            QVERIFY2(!img.isNull(), qPrintable(f));
            if (!QFileInfo(f).fileName().startsWith(QLatin1String("dialog-")))
                QCOMPARE(img.size(), QSize(TMainFrm::ClientWidth, TMainFrm::ClientHeight));
        }
    }

    void exitAnsweredYesCloses()
    {
        m_prompts.queueAnswer(Prompts::Answer::Yes);
        win().ExitClick();
        QVERIFY(!win().isVisible());
    }

    void commandLineChoosesLanguageAndRefusesUnknownOnes()
    {
        AppStart::Options o;
        QString problem;
        QVERIFY(
            AppStart::parse({QStringLiteral("rxconfig"), QStringLiteral("--language"), QStringLiteral("hr"),
                             QStringLiteral("--demo"), QStringLiteral("--data-dir"), QStringLiteral("/x")},
                            o, problem));
        QCOMPARE(o.language, QStringLiteral("hr"));
        QVERIFY(o.demo);
        QCOMPARE(o.dataDir, QStringLiteral("/x"));
        QVERIFY(!AppStart::parse(
            {QStringLiteral("rxconfig"), QStringLiteral("--language"), QStringLiteral("de")}, o, problem));
        QVERIFY(problem.startsWith(Msg(557)));
        QVERIFY(!AppStart::parse({QStringLiteral("rxconfig"), QStringLiteral("stray")}, o, problem));
        QVERIFY(AppStart::selectLanguage(QStringLiteral("it")));
        QCOMPARE(LanguageBase, 2000);
        QVERIFY(!Msg(28).isEmpty());
        AppStart::selectLanguage(QStringLiteral("en"));
        QCOMPARE(LanguageBase, 1000);
    }
};

QTEST_MAIN(TestUiMainWindow)
#include "test_ui_mainwindow.moc"
