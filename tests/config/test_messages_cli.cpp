// rxconfig-cli messages --base N against the message table compiled into the program.
#include "app/Messages.h"

#include <QProcess>
#include <QtTest>

class TestMessagesCli : public QObject
{
    Q_OBJECT
private slots:
    void printsOneLanguageInOrderOrRefusesUnknownBase_data()
    {
        QTest::addColumn<int>("base");
        QTest::newRow("English") << 1000;
        QTest::newRow("Italian") << 2000;
        QTest::newRow("Croatian") << 3000;
        QTest::newRow("unknown base is a usage error") << 1500;
    }

    void printsOneLanguageInOrderOrRefusesUnknownBase()
    {
        const QString program = QStringLiteral(RX_BINARY_DIR "/tools/rxconfig-cli/rxconfig-cli");
        QFETCH(int, base);
        QProcess p;
        p.start(program, {"messages", "--base", QString::number(base)});
        QVERIFY(p.waitForFinished(20000));
        const QStringList lines =
            QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        if (base % 1000) {
            QCOMPARE(p.exitCode(), 2);
            QVERIFY(lines.isEmpty());
            QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(Msg(472)));
            return;
        }
        QCOMPARE(p.exitCode(), 0);
        QStringList expected;
        for (int n = 0; n < 1000; ++n) {
            const QString text = TResourceLocalizer::LoadMessage(base, n);
            if (!text.isEmpty())
                expected << QString::number(n) + '\t' + text;
        }
        QCOMPARE(lines, expected);
    }
};

QTEST_GUILESS_MAIN(TestMessagesCli)
#include "test_messages_cli.moc"
