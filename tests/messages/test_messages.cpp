#include "app/Messages.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTest>

namespace {

const int English = 1000;
// The table reader accepts numbers 0..999 in each block.
const int HighestNumber = 999;
const int UnusedNumbers[] = {224, 245, 280, 315, 319};

int leadingBlanks(const QString &text)
{
    int n = 0;
    while (n < text.size() && text.at(n) == QLatin1Char(' '))
        ++n;
    return n;
}

int trailingBlanks(const QString &text)
{
    int n = 0;
    while (n < text.size() && text.at(text.size() - 1 - n) == QLatin1Char(' '))
        ++n;
    return n;
}

// Sorted "%1", "%2" ... markers: callers fill them with QString::arg, so a lost or extra
// marker leaves a raw "%1" on screen or drops a value.
QStringList placeholders(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral("%\\d+"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found.append(it.next().captured());
    found.sort();
    return found;
}

QList<int> numbersIn(int base)
{
    QList<int> numbers;
    for (int n = 0; n <= HighestNumber; ++n) {
        if (!TResourceLocalizer::LoadMessage(base, n).isEmpty())
            numbers.append(n);
    }
    return numbers;
}

} // namespace

class TestMessages : public QObject
{
    Q_OBJECT

private slots:
    void translatedBlock_data();
    void everyEnglishMessageIsTranslated_data() { translatedBlock_data(); }
    void everyEnglishMessageIsTranslated();
    void translationsKeepEndBlanksAndPlaceholders_data() { translatedBlock_data(); }
    void translationsKeepEndBlanksAndPlaceholders();
    void translationsHaveNoNumberUnknownInEnglish_data() { translatedBlock_data(); }
    void translationsHaveNoNumberUnknownInEnglish();

    void allBlocks_data();
    void messageZeroNamesTheLanguage_data() { allBlocks_data(); }
    void messageZeroNamesTheLanguage();
    void unusedNumbersAreAbsent_data() { allBlocks_data(); }
    void unusedNumbersAreAbsent();
    void everyUsedBaseNumberIsPresent_data() { allBlocks_data(); }
    void everyUsedBaseNumberIsPresent();
    void textsFitTheTableLimit_data() { allBlocks_data(); }
    void textsFitTheTableLimit();

    void tableFilesAreWellFormed_data();
    void tableFilesAreWellFormed();
};

void TestMessages::translatedBlock_data()
{
    QTest::addColumn<int>("base");
    QTest::newRow("Italian") << 2000;
    QTest::newRow("Croatian") << 3000;
}

void TestMessages::allBlocks_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("name");
    QTest::newRow("English") << 1000 << QStringLiteral("English");
    QTest::newRow("Italian") << 2000 << QStringLiteral("Italiano");
    QTest::newRow("Croatian") << 3000 << QStringLiteral("Hrvatski");
}

void TestMessages::everyEnglishMessageIsTranslated()
{
    QFETCH(int, base);
    const QList<int> english = numbersIn(English);
    QVERIFY(english.size() >= 321);
    QStringList missing;
    for (int n : english) {
        if (TResourceLocalizer::LoadMessage(base, n).trimmed().isEmpty())
            missing.append(QString::number(n));
    }
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("untranslated: ") + missing.join(QLatin1Char(' '))));
}

void TestMessages::translationsKeepEndBlanksAndPlaceholders()
{
    QFETCH(int, base);
    QStringList wrong;
    for (int n : numbersIn(English)) {
        const QString original = TResourceLocalizer::LoadMessage(English, n);
        const QString text = TResourceLocalizer::LoadMessage(base, n);
        if (text.isEmpty())
            continue; // reported by everyEnglishMessageIsTranslated
        if (leadingBlanks(text) != leadingBlanks(original) ||
            trailingBlanks(text) != trailingBlanks(original))
            wrong.append(QStringLiteral("%1 blanks \"%2\" vs \"%3\"").arg(n).arg(text, original));
        if (placeholders(text) != placeholders(original))
            wrong.append(QStringLiteral("%1 markers \"%2\" vs \"%3\"").arg(n).arg(text, original));
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
}

void TestMessages::translationsHaveNoNumberUnknownInEnglish()
{
    QFETCH(int, base);
    QStringList stale;
    for (int n : numbersIn(base)) {
        if (TResourceLocalizer::LoadMessage(English, n).isEmpty())
            stale.append(QString::number(n));
    }
    QVERIFY2(stale.isEmpty(), qPrintable(QStringLiteral("not in English: ") + stale.join(QLatin1Char(' '))));
}

void TestMessages::messageZeroNamesTheLanguage()
{
    QFETCH(int, base);
    QFETCH(QString, name);
    QCOMPARE(TResourceLocalizer::LoadMessage(base, 0), name);
}

void TestMessages::unusedNumbersAreAbsent()
{
    QFETCH(int, base);
    for (int n : UnusedNumbers)
        QVERIFY2(TResourceLocalizer::LoadMessage(base, n).isEmpty(), qPrintable(QString::number(n)));
}

void TestMessages::everyUsedBaseNumberIsPresent()
{
    QFETCH(int, base);
    const QSet<int> unused(std::begin(UnusedNumbers), std::end(UnusedNumbers));
    int present = 0;
    for (int n = 0; n <= 325; ++n) {
        if (unused.contains(n))
            continue;
        QVERIFY2(!TResourceLocalizer::LoadMessage(base, n).isEmpty(), qPrintable(QString::number(n)));
        ++present;
    }
    QCOMPARE(present, 321);
}

void TestMessages::textsFitTheTableLimit()
{
    QFETCH(int, base);
    for (int n : numbersIn(base)) {
        const QString text = TResourceLocalizer::LoadMessage(base, n);
        QVERIFY2(text.size() <= 255, qPrintable(QString::number(n)));
        // A replacement character means the file was not valid UTF-8.
        QVERIFY2(!text.contains(QChar::ReplacementCharacter), qPrintable(QString::number(n)));
    }
}

void TestMessages::tableFilesAreWellFormed_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("English") << QStringLiteral("en.txt");
    QTest::newRow("Italian") << QStringLiteral("it.txt");
    QTest::newRow("Croatian") << QStringLiteral("hr.txt");
}

// The reader skips malformed lines and lets a repeated number override the earlier text
// without a word, so both faults are caught here on the files themselves.
void TestMessages::tableFilesAreWellFormed()
{
    QFETCH(QString, file);
    QFile in(QStringLiteral(RX_TEST_DATA_DIR "/messages/") + file);
    QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(in.fileName()));
    const QByteArray bytes = in.readAll();

    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString content = utf8.decode(bytes);
    QVERIFY2(!utf8.hasError(), "not valid UTF-8");
    QVERIFY2(!content.contains(QLatin1Char('\r')), "carriage returns would be kept as text");

    static const QRegularExpression entry(QStringLiteral("^(0|[1-9]\\d{0,2})\\t"));
    QSet<int> seen;
    const QStringList lines = content.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.isEmpty() && i == lines.size() - 1)
            break;
        if (line.startsWith(QLatin1Char('#')))
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

QTEST_GUILESS_MAIN(TestMessages)
#include "test_messages.moc"
