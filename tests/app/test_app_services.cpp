#include "app/AutoPrompts.h"
#include "app/Messages.h"
#include "app/ScriptedPrompts.h"

#include <QTest>
#include <QTextStream>

class AppServicesTest : public QObject
{
    Q_OBJECT

private slots:
    // The table's own completeness lives with the message tables; here the reader's side:
    // blanks at either end are kept, unknown numbers and blocks give nothing.
    void readerKeepsBlanksAndGivesNothingForUnknownNumbers()
    {
        QCOMPARE(TResourceLocalizer::LoadMessage(1000, 1), QStringLiteral(" Analog circuit test "));
        QCOMPARE(TResourceLocalizer::LoadMessage(1000, 2), QStringLiteral(" found at  "));
        QVERIFY(TResourceLocalizer::LoadMessage(1000, 999).isEmpty());
        QVERIFY(TResourceLocalizer::LoadMessage(5000, 0).isEmpty());
    }

    void autoPromptsAnswerAsConfiguredAndReportToTheStream()
    {
        QString out;
        QTextStream stream(&out);
        AutoPrompts prompts(&stream);
        QCOMPARE(prompts.confirm(QStringLiteral("Close application?"), Prompts::Buttons::YesNo),
                 Prompts::Answer::No);
        prompts.setAnswerYes(true);
        QCOMPARE(prompts.confirm(QStringLiteral("Sure?"), Prompts::Buttons::OkCancel), Prompts::Answer::Ok);
        prompts.error(QStringLiteral("Error reading data"));
        QCOMPARE(prompts.errors(), QStringList({"Error reading data"}));
        QString pin;
        QVERIFY(!prompts.password(QStringLiteral("Password"), {}, pin));
        prompts.setPassword(QStringLiteral("0000000"));
        const auto eight = [](const QString &t) { return t.size() == 8 ? QString() : QStringLiteral("len"); };
        QVERIFY(!prompts.password(QStringLiteral("Password"), eight, pin));
        prompts.setPassword(QStringLiteral("00000000"));
        QVERIFY(prompts.password(QStringLiteral("Password"), eight, pin));
        QCOMPARE(pin, QStringLiteral("00000000"));
        stream.flush();
        QVERIFY(out.contains(QStringLiteral("Error reading data")));
    }
};

QTEST_GUILESS_MAIN(AppServicesTest)
#include "test_app_services.moc"
