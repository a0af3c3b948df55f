// The decoded communication log page and the compare view of the Download section window,
// driven through their controls.
#include "../files/FilesBench.h"

#include "app/Messages.h"
#include "device/CommLog.h"
#include "files/DownloadCompare.h"
#include "main/CompareView.h"
#include "main/LogPage.h"
#include "main/TParsFrm.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

class TestUiLogCompare : public QObject
{
    Q_OBJECT

private slots:
    void logPageShowsDecodingFiltersAndCopies()
    {
        FilesBench b;
        CommLog log(b.dir.path(), &b.prompts);
        b.link.setLogSink(&log);
        LogPage page(log);
        page.resize(900, 400);
        QByteArray reply;
        b.session.Identify();
        b.sim->injectFault({SelectorSim::FaultKind::NoReply, 1, 254});
        b.link.Transact(2, QByteArray(1, char(254)), 5, reply);

        QCOMPARE(page.lineCount(), log.count());
        const int last = page.lineCount() - 1;
        // The mark of the failed exchange reached the row after it was added.
        QCOMPARE(page.list()->item(last)->data(Qt::UserRole).toString(), log.entry(last).decoded);
        QVERIFY(log.entry(last).decoded.contains(Msg(910)));
        // Lines and colours as before; the decoding beside them.
        QCOMPARE(page.lineAt(0), log.lines().at(0));
        QCOMPARE(LogPage::lineColor(page.lineAt(1)), QColor(Qt::blue));

        page.filterField()->setText(QStringLiteral("242"));
        QList<int> shown;
        for (int row = 0; row < page.lineCount(); ++row)
            if (page.rowShown(row))
                shown << row;
        QCOMPARE(shown.size(), 2);
        QVERIFY(log.entry(shown.at(0)).decoded.startsWith(QStringLiteral("Request serial number")));
        // New lines are filtered as they come.
        b.link.Transact(2, QByteArray(1, char(254)), 5, reply);
        QVERIFY(!page.rowShown(page.lineCount() - 1));

        // "Copy" takes what shows: the selected rows, else all rows that show.
        page.copyButton()->click();
        QCOMPARE(QApplication::clipboard()->text(), log.textOf(shown));
        page.filterField()->clear();
        page.list()->clearSelection();
        page.list()->item(1)->setSelected(true);
        page.list()->item(2)->setSelected(true);
        page.copyButton()->click();
        QCOMPARE(QApplication::clipboard()->text(), log.textOf({1, 2}));
        QVERIFY(QApplication::clipboard()->text().startsWith(page.lineAt(1) + QLatin1Char('\t')));
    }

    void pageKeepsTheNewest2001DecodedLines()
    {
        QTemporaryDir dir;
        CommLog log(dir.path(), nullptr);
        LogPage page(log);
        page.filterField()->setText(QStringLiteral("Request serial"));
        for (int i = 0; i < 1250; ++i) {
            log.LogLine(QStringLiteral("-> 020001F20B"));
            log.LogLine(QStringLiteral("<- 0103020087D6128B"));
        }
        QCOMPARE(page.lineCount(), 2001);
        QCOMPARE(page.lineAt(2000), QStringLiteral("<- 0103020087D6128B"));
        QCOMPARE(page.list()->item(2000)->data(Qt::UserRole).toString(),
                 Msg(900) + QStringLiteral(": 1234567"));
        // Rows follow their entries when old ones drop out; the filter still holds.
        QVERIFY(page.rowShown(1999) && !page.rowShown(2000));
    }

    void downloadWindowComparesBeforeWriting()
    {
        FilesBench b;
        QCOMPARE(b.transfer.Upload(), ConfigTransfer::Done);
        const QString file = b.path("unit.xml");
        QCOMPARE(b.files.FileSave(file), ConfigFiles::Done);
        const QByteArray text = fileBytes(file);
        const QByteArray channel1 = blockValue(text, "0x0600");
        QVERIFY(writeFileBytes(file, withBlock(text, "0x0610", channel1)));
        QCOMPARE(b.files.FileOpen(file), ConfigFiles::Done);
        QVERIFY(b.files.screen_2_xml());

        TParsFrm window(b.tree);
        DownloadCompare model(b.tree, b.session, b.page.rx30Path());
        CompareView view(window, model);
        view.setActive(true);
        QVERIFY(!view.onlyChangedBox()->isChecked() && !view.verifyBox()->isChecked()); // off unless chosen
        view.verifyBox()->click();
        QVERIFY(DownloadCompare(b.tree, b.session, b.page.rx30Path()).verifyAfterWriting());
        b.tree.prepareShow();
        window.rebuild();
        b.sent.clear();
        view.compareButton()->click();
        // Read first, nothing written.
        QVERIFY(!b.memoryOps().isEmpty());
        for (const QString &op : b.memoryOps())
            QVERIFY2(op.startsWith(QLatin1Char('R')), qPrintable(op));

        QTreeWidgetItem *edited = window.itemOf(node(b.tree, "0x0610"));
        QTreeWidgetItem *same = window.itemOf(node(b.tree, "0x0600"));
        QCOMPARE(edited->text(2), QString::fromLatin1(channel1));
        QCOMPARE(edited->text(1), QString::fromLatin1(b.sim->memory(0x0610, 16).toHex().toUpper()));
        QCOMPARE(same->text(1), same->text(2));
        QVERIFY(same->foreground(0).color() != edited->foreground(0).color());
        QVERIFY(edited->parent()->isExpanded());
    }
};

QTEST_MAIN(TestUiLogCompare)
#include "test_ui_logcompare.moc"
