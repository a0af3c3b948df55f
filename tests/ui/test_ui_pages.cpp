// The pages and dialogs bound to their models without the main window: what the
// configuration model holds is what the controls show, and every control action reaches
// the model.
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"
#include "config/ConfigPage.h"
#include "controls/NumEdit.h"
#include "controls/SpinEdit.h"
#include "controls/WrapButton.h"
#include "device/CommLog.h"
#include "files/SectionTree.h"
#include "main/ChannelPageView.h"
#include "main/ConfigBinder.h"
#include "main/ConfigPageView.h"
#include "main/LogPage.h"
#include "main/QtPrompts.h"
#include "main/StatsPageView.h"
#include "main/TParsFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
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

void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// Clicks a button of the next modal box once it is up.
void answerNextBox(QMessageBox::StandardButton button, QString *seenText = nullptr)
{
    QTimer::singleShot(0, [button, seenText] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        if (seenText)
            *seenText = box->text();
        if (button == QMessageBox::Escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(button)->click();
    });
}
} // namespace

class TestUiPages : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    ScriptedPrompts m_prompts;
    std::unique_ptr<ConfigPage> m_model;
    std::unique_ptr<ConfigPageView> m_view;
    std::unique_ptr<ChannelPageView> m_ch1;
    std::unique_ptr<ChannelPageView> m_ch9;
    std::unique_ptr<StatsPageView> m_stats;
    std::unique_ptr<ConfigBinder> m_binder;

    ConfigPage &model() { return *m_model; }
    ConfigPageView &view() { return *m_view; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(copyData(m_dir.path()));
        m_model = std::make_unique<ConfigPage>(m_prompts);
        QVERIFY(m_model->loadCatalogues(m_dir.path()));
        m_view = std::make_unique<ConfigPageView>();
        m_ch1 = std::make_unique<ChannelPageView>(1);
        m_ch9 = std::make_unique<ChannelPageView>(9);
        m_stats = std::make_unique<StatsPageView>();
        m_binder = std::make_unique<ConfigBinder>(
            *m_model, *m_view, std::array<ChannelPageView *, 2>{m_ch1.get(), m_ch9.get()}, *m_stats);
        m_binder->refreshAll();
    }

    void parameterBoxesShowTheModelForEveryVersion()
    {
        const int versions = model().versionEntries().size();
        QVERIFY(versions >= 2);
        QCOMPARE(view().versionList->count(), versions);
        for (int v = 0; v < versions; ++v) {
            choose(view().versionList, v);
            QCOMPARE(model().versionIndex(), v);
            QCOMPARE(view().versionList->currentIndex(), v);
            // Each box by its caption against the parameter of that name.
            const QList<QPair<int, int>> boxes = {
                {90, ConfigPage::Credit},         {39, ConfigPage::Bonus1Level},
                {40, ConfigPage::Bonus1Value},    {41, ConfigPage::Bonus2Level},
                {42, ConfigPage::Bonus2Value},    {43, ConfigPage::BonusTime},
                {226, ConfigPage::RestTime},      {298, ConfigPage::TimeOutWarning},
                {293, ConfigPage::TimeMultiplier}};
            for (const auto &b : boxes) {
                int i = 0;
                while (i < ConfigPageView::ParamCount && view().paramLabel[i]->text() != Msg(b.first))
                    ++i;
                QVERIFY2(i < ConfigPageView::ParamCount, qPrintable(Msg(b.first)));
                QCOMPARE(view().param[i]->text(), QString::number(model().paramValue(b.second)));
                QCOMPARE(view().param[i]->isHidden(), !model().paramVisible(b.second));
            }
            QCOMPARE(view().fraudTime->text(), QString::number(model().paramValue(ConfigPage::InhibitTime)));
            QCOMPARE(view().stopTime->text(), QString::number(model().paramValue(ConfigPage::StopTime)));
            QCOMPARE(view().inputMultiplier->text(),
                     QString::number(model().paramValue(ConfigPage::MultVal)));
            QCOMPARE(view().stopMode->text(), model().stopModeText());
            QCOMPARE(view().autoprogMode->text(), model().autoprogText());
            for (IoRowView &r : view().io) {
                const LineRow &l = model().line(r.line);
                QCOMPARE(r.timeOn->isHidden(), !l.timeOnVisible);
                QCOMPARE(r.level->isHidden(), !l.levelVisible);
                if (r.warning)
                    QCOMPARE(r.warning->isHidden(), !l.warningVisible);
                if (r.channel[0])
                    QCOMPARE(r.channel[0]->isHidden(), !l.channelsVisible);
            }
        }
        choose(view().versionList, 0);
    }

    void typedParametersReachTheParameterOfTheirCaption()
    {
        choose(view().versionList, 0);
        const QList<QPair<NumEdit *, int>> edits = {
            {view().param[ConfigPageView::RestTime], ConfigPage::RestTime},
            {view().param[ConfigPageView::TimeoutWarning], ConfigPage::TimeOutWarning},
            {view().param[ConfigPageView::Bonus2Value], ConfigPage::Bonus2Value},
            {view().fraudTime, ConfigPage::InhibitTime},
            {view().inputMultiplier, ConfigPage::MultVal}};
        int value = 11;
        for (const auto &e : edits) {
            e.first->setText(QString::number(value));
            emit e.first->editingFinished();
            QCOMPARE(model().paramValue(e.second), value);
            ++value;
        }
        // Out-of-range numbers come back as the nearest value the parameter takes.
        NumEdit *credit = view().param[ConfigPageView::Credit];
        credit->setText(QStringLiteral("999"));
        emit credit->editingFinished();
        QCOMPARE(credit->text(), QString::number(model().paramValue(ConfigPage::Credit)));
        QVERIFY(model().paramValue(ConfigPage::Credit) <= 255);
        credit->setText(QStringLiteral("0"));
        emit credit->editingFinished();
        QCOMPARE(model().paramValue(ConfigPage::Credit), 1);
        QCOMPARE(credit->text(), QStringLiteral("1"));
        QCOMPARE(view().paramLabel[ConfigPageView::RestTime]->text(), Msg(226));
        QCOMPARE(view().paramLabel[ConfigPageView::TimeoutWarning]->text(), Msg(298));
    }

    void timeMultiplierUnitAndTimesReachTheModel()
    {
        choose(view().multiplierUnit, 0);
        QVERIFY(model().multiplierMinutes());
        choose(view().multiplierUnit, 1);
        QVERIFY(!model().multiplierMinutes());
        for (IoRowView &r : view().io) {
            if (!model().line(r.line).timeOnVisible)
                continue;
            const int step = model().line(r.line).timeOnStep;
            r.timeOn->setValue(step * 7);
            emit r.timeOn->editingFinished();
            QCOMPARE(model().line(r.line).timeOn, step * 7);
            QCOMPARE(r.timeOn->value(), step * 7);
            return;
        }
        QSKIP("no line with a time in the first configuration");
    }

    void editModeShowsFunctionListsAndAChoiceFillsTheRow()
    {
        view().ioEdit->click();
        QVERIFY(model().editMode());
        QVERIFY(!view().setStandard->isHidden());
        IoRowView &row = view().io[4]; // Output 5
        QVERIFY(!row.functions->isHidden());
        QVERIFY(row.note->isHidden());
        QCOMPARE(row.functions->count(), model().line(5).functions.size());
        int chosen = -1;
        for (int i = 1; i < row.functions->count() && chosen < 0; ++i) {
            m_prompts.clear();
            choose(row.functions, i);
            if (m_prompts.texts(ScriptedPrompts::Kind::Error).isEmpty())
                chosen = i;
        }
        QVERIFY(chosen > 0);
        QCOMPARE(model().line(5).functionIndex, chosen);
        QCOMPARE(row.functions->currentIndex(), chosen);
        QCOMPARE(row.note->toolTip(), model().line(5).note);
        QCOMPARE(row.timeOn->isHidden(), !model().line(5).timeOnVisible);
        view().ioEdit->click();
        QVERIFY(!model().editMode());
        QVERIFY(view().setStandard->isHidden());
        QVERIFY(row.functions->isHidden());
        choose(view().versionList, 0);
    }

    void levelButtonTogglesThePictureTheModelNames()
    {
        for (IoRowView &r : view().io) {
            const LineRow &l = model().line(r.line);
            if (!l.levelVisible)
                continue;
            const QString before = r.level->property("pictureName").toString();
            QCOMPARE(before, l.levelPicture);
            r.level->click();
            const QString after = r.level->property("pictureName").toString();
            QCOMPARE(after, model().line(r.line).levelPicture);
            QVERIFY(after != before);
            r.level->click();
            QCOMPARE(r.level->property("pictureName").toString(), before);
            return;
        }
        QFAIL("no line shows a level button");
    }

    void displayTypeShowsItsViewOptionsOrIsRefused()
    {
        QVERIFY(view().displayType->count() >= 2);
        m_prompts.clear();
        choose(view().displayType, 1);
        QCOMPARE(view().displayType->currentIndex(), model().displayTypeIndex());
        QCOMPARE(view().displayView->isHidden(), !model().viewVisible());
        QCOMPARE(view().displayView->count(), model().viewOptions().size());
        if (model().displayTypeIndex() == 0)
            QVERIFY(m_prompts.allTexts().contains(Msg(170)));
        choose(view().displayType, 0);
        QVERIFY(view().displayView->isHidden());
        QVERIFY(view().decimals->isHidden());
    }

    void acceptedCountryCodesReachEveryChannelList()
    {
        const QStringList names = model().countryNames();
        const int croatia = names.indexOf(QStringLiteral("Croatia"));
        QVERIFY(croatia >= 0);
        choose(view().countryCode[0], croatia);
        view().countryAccept->click();
        QCOMPARE(model().image().countryCodes().left(2), QStringLiteral("HR"));
        QCOMPARE(m_ch1->row(0).country->itemText(0), QStringLiteral("HR"));
        QCOMPARE(m_ch9->row(7).country->itemText(0), QStringLiteral("HR"));
        QCOMPARE(view().countryCode[0]->currentIndex(), croatia);
    }

    void channelRowsShowTheDecodedRecordAndSendEditsBack()
    {
        QByteArray record;
        for (int i = 0; i < 12; ++i)
            record.append(char(200 + i));
        record.append(char(0x5A)); // ccTalk off, Sel. off, En. on, Fake on, hidden 0x50
        record.append(char(4));
        record.append(char(0x00));
        record.append(char(99));
        model().channelsForEdit().StringToChannel(11, record);
        m_binder->refreshChannel(11);
        ChannelRowView &r = m_ch9->row(2);
        QCOMPARE(r.channel, 11);
        QCOMPARE(r.parameter[0]->text(), QStringLiteral("200"));
        QCOMPARE(r.tolerance[0]->text(), QStringLiteral("206"));
        QCOMPARE(r.parameter[5]->text(), QStringLiteral("205"));
        QVERIFY(!r.ccTalk->isChecked());
        QVERIFY(!r.selective->isChecked());
        QVERIFY(r.enabled->isChecked());
        QVERIFY(r.fake->isChecked());
        QCOMPARE(r.direction->currentIndex(), 4);
        QCOMPARE(r.valueCode->currentText(), QStringLiteral("001"));
        QCOMPARE(r.value->text(), QStringLiteral("99"));

        r.ccTalk->click();
        r.fake->click();
        choose(r.mint, 2);
        r.value->setText(QStringLiteral("12"));
        emit r.value->editingFinished();
        const QByteArray back = model().channels().ChannelToString(11);
        QCOMPARE(quint8(back.at(12)), quint8(0x50)); // hidden bits kept, ccTalk on, not fake, enabled
        QCOMPARE(quint8(back.at(14)), quint8(0x20));
        QCOMPARE(quint8(back.at(15)), quint8(12));
        // The status boxes carry their hints.
        QCOMPARE(r.enabled->toolTip(), Msg(564));
    }

    void logPageKeepsTheNewestLinesOfTheLog()
    {
        CommLog log(m_dir.path(), &m_prompts);
        LogPage page(log);
        for (int i = 0; i < 2500; ++i)
            log.LogLine(QStringLiteral("-> %1").arg(i));
        QCOMPARE(page.list()->count(), CommLog::MaxLines);
        QCOMPARE(page.lineAt(0), log.lines().first());
        QCOMPARE(page.lineAt(page.lineCount() - 1), QStringLiteral("-> 2499"));
        QCOMPARE(page.list()->currentRow(), page.list()->count() - 1);
        // A page opened later shows what the log already holds.
        LogPage late(log);
        QCOMPARE(late.lineCount(), log.count());
    }

    void sectionWindowDrawsTheTreeAndItsStatePictures()
    {
        SectionTree tree;
        QVERIFY(tree.LoadFile(QDir(m_dir.path()).filePath(QStringLiteral("template.xml"))));
        TParsFrm w(tree);
        tree.prepareShow();
        w.rebuild();
        int items = 0;
        for (QTreeWidgetItemIterator it(w.treeWidget()); *it; ++it)
            ++items;
        QCOMPARE(items, tree.count());
        QCOMPARE(w.nodeOf(w.itemOf(0)), 0);
        QVERIFY(w.itemOf(0)->isExpanded());
        const QImage unchecked = TParsFrm::statePicture(SectionTree::Unchecked).toImage();
        const QImage checked = TParsFrm::statePicture(SectionTree::Checked).toImage();
        const QImage empty = TParsFrm::statePicture(SectionTree::Empty).toImage();
        QVERIFY(unchecked != checked && checked != empty && unchecked != empty);
        const int before = tree.state(0);
        w.clickState(0);
        QVERIFY(tree.state(0) != before || before == SectionTree::Empty);
        QCOMPARE(w.itemOf(0)->icon(0).pixmap(16, 16).toImage(),
                 TParsFrm::statePicture(tree.state(0)).toImage());
        w.clickState(-1);
        w.clickState(tree.count());
        QCOMPARE(w.nodeOf(nullptr), -1);
    }

    void qtPromptsMapTheButtonsPressedAndHideTheWaitCursor()
    {
        QWidget host;
        QtPrompts prompts(&host);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        bool cursorDuringBox = true;
        QTimer::singleShot(0, [&] { cursorDuringBox = QApplication::overrideCursor() != nullptr; });
        QString seen;
        answerNextBox(QMessageBox::Yes, &seen);
        QCOMPARE(prompts.confirm(Msg(67), Prompts::Buttons::YesNo), Prompts::Answer::Yes);
        QCOMPARE(seen, Msg(67));
        QVERIFY(!cursorDuringBox);
        QVERIFY(QApplication::overrideCursor());
        QApplication::restoreOverrideCursor();
        QVERIFY(!QApplication::overrideCursor());

        answerNextBox(QMessageBox::No);
        QCOMPARE(prompts.confirm(Msg(67), Prompts::Buttons::YesNo), Prompts::Answer::No);
        answerNextBox(QMessageBox::Cancel);
        QCOMPARE(prompts.confirm(Msg(213), Prompts::Buttons::OkCancel), Prompts::Answer::Cancel);
        answerNextBox(QMessageBox::Ok);
        QCOMPARE(prompts.confirm(Msg(213), Prompts::Buttons::OkCancel), Prompts::Answer::Ok);
        answerNextBox(QMessageBox::Cancel);
        QCOMPARE(prompts.confirm(Msg(118), Prompts::Buttons::YesNoCancel), Prompts::Answer::Cancel);
        answerNextBox(QMessageBox::Escape);
        QCOMPARE(prompts.confirm(Msg(67), Prompts::Buttons::YesNo), Prompts::Answer::No);
        answerNextBox(QMessageBox::Ok, &seen);
        prompts.error(Msg(78));
        QCOMPARE(seen, Msg(78));
    }
};

QTEST_MAIN(TestUiPages)
#include "test_ui_pages.moc"
