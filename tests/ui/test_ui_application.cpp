// The application object, its command line, the Qt dialogs that answer the prompts, the
// program in the chosen language down to Qt's own buttons, and the desktop program's command
// line where there is no display.
#include "CliRun.h"
#include "app/Messages.h"
#include "main/AppStart.h"
#include "main/QtPrompts.h"
#include "main/QtTranslations.h"
#include "main/RxApplication.h"
#include "main/TMainFrm.h"
#include "main/TextEntryDlg.h"
#include "main/WindowPlacement.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <stdexcept>
#include <tuple>

class TestUiApplication : public QObject
{
    Q_OBJECT
private:
    static QString yesText()
    {
        QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
        return box.button(QMessageBox::Yes)->text();
    }

private slots:
    void exceptionsInEventHandlersAreReportedAndTheLoopGoesOn()
    {
        QStringList reports;
        RxApplication::setReporter([&](const QString &t) { reports << t; });
        QTimer::singleShot(0, [] { throw std::runtime_error("broken reply"); });
        QTimer::singleShot(0, [] { throw 42; });
        bool laterRan = false;
        QTimer::singleShot(0, [&] { laterRan = true; });
        QTRY_VERIFY(laterRan);
        QCOMPARE(reports.size(), 2);
        QVERIFY(reports.at(0).startsWith(Msg(308)));
        QVERIFY(reports.at(0).contains(QStringLiteral("broken reply")));
        QCOMPARE(reports.at(1), Msg(308));
        RxApplication::setReporter(nullptr);
    }

    void commandLineChoosesLanguageAndRefusesUnknownOnes()
    {
        AppStart::Options o;
        QString problem;
        QVERIFY(AppStart::parse({"rxconfig", "--language", "HR", "--demo", "--data-dir", "/x"}, o, problem));
        QCOMPARE(o.language, QStringLiteral("hr"));
        QVERIFY(o.demo);
        QCOMPARE(o.dataDir, QStringLiteral("/x"));
        QVERIFY(!AppStart::parse({"rxconfig", "--language", "de"}, o, problem));
        QVERIFY(problem.startsWith(Msg(557)));
        QVERIFY(AppStart::selectLanguage(QStringLiteral("it")));
        QCOMPARE(LanguageBase, 2000);
        AppStart::selectLanguage(QStringLiteral("en"));
    }

    void passwordDialogStaysOpenUntilTheEntryIsAccepted()
    {
        TextEntryDlg dlg(TextEntryDlg::Kind::Password);
        QStringList complaints;
        dlg.setComplaintSink([&](const Prompts::Verdict &v) { complaints << v.text; });
        QTimer::singleShot(0, &dlg, [&] {
            QTest::keyClicks(dlg.field(), QStringLiteral("abc"));
            dlg.accept();
            QVERIFY(dlg.isVisible());
            dlg.field()->clear();
            QTest::keyClicks(dlg.field(), QStringLiteral("abcdef12"));
            dlg.accept();
        });
        QString result;
        const auto eight = [](const QString &t) { return t.size() == 8 ? QString() : Msg(161); };
        QVERIFY(dlg.ask(Msg(116), QString(), eight, result));
        QCOMPARE(result, QStringLiteral("ABCDEF12"));
        QCOMPARE(complaints, QStringList{Msg(161)});
        QCOMPARE(dlg.field()->echoMode(), QLineEdit::Password);
    }

    void qtPromptsMapTheButtonPressedAndHideTheWaitCursor()
    {
        using B = Prompts::Buttons;
        using A = Prompts::Answer;
        const std::tuple<B, QMessageBox::StandardButton, A> cases[] = {
            {B::YesNo, QMessageBox::Yes, A::Yes},
            {B::YesNo, QMessageBox::Escape, A::No},
            {B::OkCancel, QMessageBox::Ok, A::Ok},
            {B::OkCancel, QMessageBox::Cancel, A::Cancel}};
        QWidget host;
        QtPrompts prompts(&host);
        for (const auto &[buttons, press, answer] : cases) {
            const QMessageBox::StandardButton button = press;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            bool cursorDuringBox = true;
            QString seen;
            QTimer::singleShot(0, [&] {
                cursorDuringBox = QApplication::overrideCursor() != nullptr;
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                seen = box->text();
                if (button == QMessageBox::Escape)
                    QTest::keyClick(box, Qt::Key_Escape);
                else
                    box->button(button)->click();
            });
            QCOMPARE(prompts.confirm(Msg(67), buttons), answer);
            QCOMPARE(seen, Msg(67));
            QVERIFY(!cursorDuringBox);
            QVERIFY(QApplication::overrideCursor()); // given back once the box is answered
            QApplication::restoreOverrideCursor();
        }
    }

    void cleanup()
    {
        AppStart::selectLanguage(QStringLiteral("en"));
        QtTranslations::install(QStringLiteral("en"));
    }

    void qtButtonsSpeakTheChosenLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("Italian") << "it";
        QTest::newRow("Croatian") << "hr";
    }

    void qtButtonsSpeakTheChosenLanguage()
    {
        QFETCH(QString, language);
        QVERIFY(AppStart::selectLanguage(language));
        // With Qt's translations installed (the build machine's packages include them).
        QVERIFY(QtTranslations::install(language));
        QVERIFY(yesText() != QStringLiteral("&Yes"));
        // Where Qt ships none, the message table gives the standard buttons.
        QTemporaryDir none;
        QVERIFY(!QtTranslations::install(language, none.path()));
        QCOMPARE(yesText(), Msg(582));
        // Back to English: Qt's own texts again.
        AppStart::selectLanguage(QStringLiteral("en"));
        QVERIFY(QtTranslations::install(QStringLiteral("en")));
        QCOMPARE(yesText(), QStringLiteral("&Yes"));
    }

    void theWindowStaysReachableOnSmallScreens_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("800 x 600") << QRect(0, 0, 800, 600) << QPoint(0, 0);
        QTest::newRow("1280 x 1024, centred") << QRect(0, 0, 1280, 1024) << QPoint(171, 175);
        QTest::newRow("panel on top") << QRect(0, 32, 800, 568) << QPoint(0, 32);
        QTest::newRow("wide but low") << QRect(0, 0, 1600, 600) << QPoint(331, 0);
    }

    void theWindowStaysReachableOnSmallScreens()
    {
        QFETCH(QRect, screen);
        QFETCH(QPoint, expected);
        QCOMPARE(WindowPlacement::topLeft(QSize(TMainFrm::ClientWidth, TMainFrm::ClientHeight), screen),
                 expected);
    }

    void aDataDirWithoutTheCatalogueNamesTheMissingFile()
    {
        QTemporaryDir empty;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const CliRun run = runProgram(QStringLiteral(RX_BINARY_DIR "/tools/rxconfig/rxconfig"),
                                      {"--data-dir", empty.path()}, env);
        const QString out = run.out + run.err;
        QCOMPARE(run.status, 3);
        QVERIFY2(out.contains(Msg(587)), qPrintable(out));
        QVERIFY2(out.contains(QLatin1String("rx30.ini")), qPrintable(out));
        QVERIFY(!out.contains(Msg(82)));
    }
};

int main(int argc, char **argv)
{
    RxApplication app(argc, argv);
    TestUiApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ui_application.moc"
