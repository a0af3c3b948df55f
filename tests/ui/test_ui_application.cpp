// The application object, its command line and the Qt dialogs that answer the prompts.
#include "app/Messages.h"
#include "main/AppStart.h"
#include "main/QtPrompts.h"
#include "main/RxApplication.h"
#include "main/TextEntryDlg.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <stdexcept>
#include <tuple>

class TestUiApplication : public QObject
{
    Q_OBJECT
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
        QVERIFY(!AppStart::parse({"rxconfig", "stray"}, o, problem));
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
};

int main(int argc, char **argv)
{
    RxApplication app(argc, argv);
    TestUiApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ui_application.moc"
