// The production station window on the demo's selector: a configuration saved from one selector
// is written into a fresh one (passed, the selector holds it), and a selector that drops a write
// fails; panels, counters and the journal agree.
#include "DemoDesktop.h"
#include "app/Messages.h"
#include "link/CcTalkLink.h"
#include "sim/SimLine.h"
#include "station/TStationFrm.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestUiStation : public QObject
{
    Q_OBJECT

    DemoDesktop m_desk;
    SelectorSim *sim() const { return m_desk.sim(); }
    void line(const QString &command)
    {
        QString reply;
        QVERIFY(SimLine::control(m_desk.bus.get(), command.split(u' '), reply));
        QVERIFY2(reply.startsWith(u"OK"_s), qPrintable(reply));
    }
    QColor colour(QLabel *panel) const { return panel->palette().color(QPalette::Window); }

private slots:
    void initTestCase() { QVERIFY(m_desk.start()); }

    void aPassAndAFailAtTheBench()
    {
        TMainFrm &win = *m_desk.win;
        // The configuration a technician uploads and saves, from a selector with an edited channel.
        QByteArray image = sim()->nvImage();
        image.replace(0x0620, 16, QByteArray::fromHex("780b0c0d0e0f1011121314155004204d"));
        sim()->setNvImage(image);
        win.UploadClick();
        QTemporaryDir files;
        const QString config = files.filePath(u"line.xml"_s);
        m_desk.prompts.queueFileName(config);
        win.FileSaveClick();
        QVERIFY(QFile::exists(config));
        const QByteArray written = sim()->nvMemory(0x0600, 0x100);
        const QString journal = files.filePath(u"journal.csv"_s);

        // The next selector on the line is a new one with its memory erased.
        line(u"next serial 5000001 erased"_s);
        QVERIFY(sim()->nvMemory(0x0600, 0x100) != written);

        TStationFrm *w = win.stationFrm();
        QVERIFY(DemoDesktop::whileOpen(
            w, [&] { win.toolButton(TMainFrm::Station)->click(); },
            [&] {
                const QString port = win.link().portName();
                QCOMPARE(w->portList()->findItems(port, Qt::MatchExactly).value(0)->checkState(),
                         Qt::Checked);
                m_desk.prompts.queueFileName(config);
                w->findChildren<QPushButton *>().value(0)->click(); // the file's "Choose..."
                QCOMPARE(w->fileEdit()->text(), QDir::toNativeSeparators(config));
                QCOMPARE(w->typeList()->currentText(), QString::fromLatin1(sim()->identity().deviceType));
                w->journalEdit()->setText(journal);
                w->startButton()->click();
                QLabel *panel = w->panel(port);
                QVERIFY(panel);
                QTRY_COMPARE_WITH_TIMEOUT(colour(panel), QColor(Qt::green), 20000);
                QVERIFY2(panel->text().contains(Msg(1130)), qPrintable(panel->text()));
                QCOMPARE(sim()->nvMemory(0x0600, 0x100), written);

                // Pulled; the next one acknowledges a write it does not keep.
                line(u"pull"_s);
                QTRY_VERIFY_WITH_TIMEOUT(panel->text().contains(Msg(1146).arg(port)), 10000);
                line(u"next erased"_s);
                SelectorSim::Fault drop;
                drop.kind = SelectorSim::FaultKind::DropWrite;
                sim()->injectFault(drop);
                line(u"plug"_s);
                QTRY_COMPARE_WITH_TIMEOUT(colour(panel), QColor(Qt::red), 20000);
                QVERIFY2(panel->text().contains(Msg(1131)), qPrintable(panel->text()));
                QCOMPARE(w->countersLabel()->text(), Msg(1231).arg(1).arg(1).arg(0).arg(0));
                w->closeButton()->click(); // ends after the selector in work, then closes
            }));
        QVERIFY(!w->running());

        // The journal holds both, whole; the main window talks to its selector again.
        QFile f(journal);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 3); // header, two selectors
        QVERIFY(lines.at(1).contains(",5000001,") && lines.at(1).contains(",passed,"));
        QVERIFY(lines.at(2).contains(",5000002,") && lines.at(2).contains(",failed,"));
        m_desk.prompts.clear();
        win.SearchClick();
        QVERIFY2(m_desk.prompts.texts(ScriptedPrompts::Kind::Error).isEmpty(),
                 qPrintable(m_desk.prompts.allTexts().join(u" | "_s)));
    }
};

QTEST_MAIN(TestUiStation)
#include "test_ui_station.moc"
