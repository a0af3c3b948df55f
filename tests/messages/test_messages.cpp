#include "CliRun.h"
#include "app/Messages.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTest>

namespace {

const int English = 1000;
const int UnusedNumbers[] = {224, 245, 280, 315, 319};

QString load(int base, int n)
{
    return TResourceLocalizer::LoadMessage(base, n);
}

// The blanks at both ends, and the sorted "%1", "%2" ... markers: callers fill them with
// QString::arg, so a lost or extra marker leaves a raw "%1" on screen or drops a value.
QStringList shape(const QString &text)
{
    static const QRegularExpression ends(QStringLiteral("^( *).*?( *)$"),
                                         QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression marker(QStringLiteral("%\\d+"));
    const QRegularExpressionMatch m = ends.match(text);
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found.append(it.next().captured());
    found.sort();
    return QStringList{m.captured(1), m.captured(2)} + found;
}

// The numbers with a text in one block.
QList<int> numbersIn(int base)
{
    QList<int> numbers;
    for (int n = 0; n <= TResourceLocalizer::MaxNumber; ++n) {
        if (!load(base, n).isEmpty())
            numbers.append(n);
    }
    return numbers;
}

} // namespace

class TestMessages : public QObject
{
    Q_OBJECT

private slots:
    void everyBlockHoldsExactlyTheUsedNumbers_data()
    {
        QTest::addColumn<int>("base");
        QTest::addColumn<QString>("name");
        QTest::newRow("English") << 1000 << QStringLiteral("English");
        QTest::newRow("Italian") << 2000 << QStringLiteral("Italiano");
        QTest::newRow("Croatian") << 3000 << QStringLiteral("Hrvatski");
    }

    void everyBlockHoldsExactlyTheUsedNumbers()
    {
        QFETCH(int, base);
        QFETCH(QString, name);
        QCOMPARE(load(base, 0), name);
        const QSet<int> unused(std::begin(UnusedNumbers), std::end(UnusedNumbers));
        for (int n = 0; n <= 325; ++n)
            QVERIFY2(load(base, n).isEmpty() == unused.contains(n), qPrintable(QString::number(n)));
        QStringList wrong;
        for (int n : numbersIn(base)) {
            const QString text = load(base, n);
            // A replacement character means the file was not valid UTF-8.
            if (text.size() > 255 || text.contains(QChar::ReplacementCharacter))
                wrong << QStringLiteral("%1 too long or not UTF-8").arg(n);
            if (load(English, n).isEmpty())
                wrong << QStringLiteral("%1 not in English").arg(n);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }

    void translationsKeepEveryEnglishMessageWithItsEndBlanksAndPlaceholders_data()
    {
        QTest::addColumn<int>("base");
        QTest::newRow("Italian") << 2000;
        QTest::newRow("Croatian") << 3000;
    }

    void translationsKeepEveryEnglishMessageWithItsEndBlanksAndPlaceholders()
    {
        QFETCH(int, base);
        const QList<int> english = numbersIn(English);
        QVERIFY(english.size() >= 321);
        QStringList wrong;
        for (int n : english) {
            const QString original = load(English, n);
            const QString text = load(base, n);
            if (text.trimmed().isEmpty())
                wrong << QStringLiteral("%1 untranslated").arg(n);
            else if (shape(text) != shape(original))
                wrong << QStringLiteral("%1 blanks or markers \"%2\" vs \"%3\"").arg(n).arg(text, original);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }

    // rxconfig-cli messages --base N prints the table compiled into the program, in order.
    void cliPrintsOneLanguageInOrderOrRefusesUnknownBase()
    {
        DataDirCli cli;
        QCOMPARE(cli({QStringLiteral("messages"), QStringLiteral("--base"), QStringLiteral("3000")}), 0);
        QStringList expected;
        for (int n : numbersIn(3000))
            expected << QString::number(n) + QLatin1Char('\t') + load(3000, n);
        QCOMPARE(cli.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);
        QCOMPARE(cli({QStringLiteral("messages"), QStringLiteral("--base"), QStringLiteral("1500")}), 2);
        QVERIFY(cli.out.isEmpty());
        QVERIFY(cli.err.contains(Msg(472)));
    }

    void tableFilesAreWellFormed_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("English") << QStringLiteral("en.txt");
        QTest::newRow("Italian") << QStringLiteral("it.txt");
        QTest::newRow("Croatian") << QStringLiteral("hr.txt");
    }

    // The reader skips malformed lines and lets a repeated number override the earlier text
    // without a word, so both faults are caught here on the files themselves.
    void tableFilesAreWellFormed()
    {
        QFETCH(QString, file);
        QFile in(QStringLiteral(RX_TEST_DATA_DIR "/messages/") + file);
        QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(in.fileName()));
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString content = utf8.decode(in.readAll());
        QVERIFY2(!utf8.hasError(), "not valid UTF-8");
        QVERIFY2(!content.contains(QLatin1Char('\r')), "carriage returns would be kept as text");

        static const QRegularExpression entry(QStringLiteral("^(0|[1-9]\\d{0,3})\\t"));
        QSet<int> seen;
        const QStringList lines = content.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            const QString &line = lines.at(i);
            if ((line.isEmpty() && i == lines.size() - 1) || line.startsWith(QLatin1Char('#')))
                continue;
            const QString where = QStringLiteral("%1 line %2: \"%3\"").arg(file).arg(i + 1).arg(line);
            const QRegularExpressionMatch m = entry.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(where));
            const int n = m.captured(1).toInt();
            QVERIFY2(!seen.contains(n), qPrintable(QStringLiteral("repeated number, ") + where));
            seen.insert(n);
        }
        QVERIFY(seen.size() >= 321);
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "test_messages.moc"
