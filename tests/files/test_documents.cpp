#include "FilesTestUtil.h"
#include "files/SectionChoice.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// The tree as text: Name(params)'text'[cdata]{children}.
QString dump(const TXMLItem *item)
{
    QStringList children;
    for (int i = 0; i < item->count(); ++i)
        children << dump(item->item(i));
    QString out = item->Name;
    if (!item->Params.isEmpty())
        out += QLatin1Char('(') + item->Params.join(QLatin1Char('|')) + QLatin1Char(')');
    if (!item->Text.isEmpty())
        out += QLatin1Char('\'') + item->Text + QLatin1Char('\'');
    if (!item->CData.isEmpty())
        out += QLatin1Char('[') + item->CData + QLatin1Char(']');
    if (!children.isEmpty())
        out += QLatin1Char('{') + children.join(QLatin1Char(',')) + QLatin1Char('}');
    return out;
}

} // namespace

// The forgiving XML reader, and the section tree over it: marking by data, ticking, OK,
// lookups and writing configuration files.
class TestDocuments : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_template;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    // Loads the template with values filled in at the given addresses.
    void loadFilled(SectionTree &tree, const QMap<QString, QString> &values)
    {
        QByteArray t = fileBytes(m_template);
        for (auto it = values.begin(); it != values.end(); ++it)
            t.insert(t.indexOf("</Data>", t.indexOf("\"" + it.key().toLatin1() + "\"")),
                     it.value().toLatin1());
        writeFileBytes(path("filled.xml"), t);
        QVERIFY(tree.LoadFile(path("filled.xml")));
    }

private slots:
    void initTestCase()
    {
        m_template = path("template.xml");
        QVERIFY(QFile::copy(QStringLiteral(RX_TEST_DATA_DIR "/template.xml"), m_template));
    }

    void readsTheDocumentOrRefusesItLeavingItUnchanged_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("result"); // the tree, or a part of the error
        QTest::newRow("data elements")
            << QByteArray("<Group caption=\"Coins\">\r\n<Data caption=\"Coin A\" "
                          "address=\"0x0600\" length=\"16\">0102</Data>\r\n"
                          "<Data  caption=\"B\"  address=\"0x0610\"/>\r\n</Group>\r\n")
            << true
            << "Group(caption=Coins){Data(caption=Coin A|address=0x0600|length=16)'0102',"
               "Data(caption=B|address=0x0610)}";
        // Two characters keep their quotes, quoted blanks do not split, one decoding pass.
        QTest::newRow("attributes")
            << QByteArray("<r a=\"\" b=\"x y\" c=\"&lt;&amp;lt;&quot;\" d=plain e=\" padded \"></r>") << true
            << "r(a=\"\"|b=x y|c=<&lt;\"|d=plain|e=padded)";
        // Declarations, comments and <br/> leave no trace; CDATA ends at the first "]]>".
        QTest::newRow("text and cdata")
            << QByteArray("<?xml version=\"1.0\"?>\n<!-- note -->\n<r>&amp;lt;<x>first<br/>second</x>"
                          "<y><![CDATA[a > b ]]> c]]></y><z>a   b\r\nc</z></r>\n<!-- tail -->\n")
            << true << "r'&lt;'{x'first\r\nsecond',y'c]]>'[a > b ],z'a bc'}";
        QTest::newRow("end tags move up whatever their name")
            << QByteArray("<a><b><c></x></y><d/></a>") << true << "a{b{c},d}";
        QTest::newRow("empty") << QByteArray() << true << "";
        const QByteArray longest(TECXMLParser::BufferSize - 1, 'B');
        QTest::newRow("longest line")
            << "<r>\n" + longest + "\n</r>" << true << "r'" + QString::fromLatin1(longest) + "'";
        QTest::newRow("line too long") << "<r>\n" + longest + "B\n</r>" << false << "Line too long on line 2";
        QTest::newRow("text after root") << QByteArray("<r></r>\nstray") << false << "on line 2";
        QTest::newRow("unterminated tag") << QByteArray("<r>\n<x attr=\"1\"") << false << "on line 2";
        QTest::newRow("unterminated cdata") << QByteArray("<r><![CDATA[abc>") << false << "on line 1";
    }

    void readsTheDocumentOrRefusesItLeavingItUnchanged()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, ok);
        QFETCH(QString, result);
        TECXMLParser doc;
        int loaded = 0;
        doc.OnLoaded = [&loaded] { ++loaded; };
        QVERIFY(doc.LoadFromData("<keep a=\"1\">v</keep>"));
        QCOMPARE(doc.LoadFromData(data), ok);
        QCOMPARE(loaded, ok ? 2 : 1);
        QCOMPARE(dump(doc.Root()), ok ? result : QStringLiteral("keep(a=1)'v'"));
        QVERIFY2(ok || doc.errorString().contains(result), qPrintable(doc.errorString()));
    }

    void tickingFollowsDataOkEmptiesWhatIsNotTickedAndCancelTakesNothing()
    {
        SectionTree tree;
        loadFilled(tree, {{"0x0600", "FF"}, {"0x0610", "EE"}});
        const QStringList watched{"All data", "Coin channels", "0x0600", "0x0610", "0x0620"};
        tree.ToggleNode(node(tree, "0x0620")); // Empty: nothing happens
        tree.ToggleNode(node(tree, "Coin channels"));
        QCOMPARE(states(tree, watched), "CUUUE"); // ancestors untouched, Empty stays Empty
        tree.ToggleNode(node(tree, "Coin channels"));
        tree.ToggleNode(node(tree, "0x0600"));
        QCOMPARE(states(tree, watched), "CCUCE");
        tree.accept();
        QCOMPARE(states(tree, watched), "CCECE");
        QVERIFY(tree.item(node(tree, "0x0600"))->Text.isEmpty());
        // Cancel takes nothing.
        tree.showHook = [](SectionTree &t) {
            t.ToggleNode(0);
            return false;
        };
        QVERIFY(!tree.showModal());
        QCOMPARE(tree.item(node(tree, "0x0610"))->Text, "EE");
        tree.accept();
        QVERIFY(tree.allEmpty());
    }

    void sectionsChosenByTopLevelCaption()
    {
        SectionTree tree;
        loadFilled(tree, {{"0x0600", "AA"}, {"0x07A0", "01"}, {"0x07EA", "02"}});
        QStringList chosen;
        QString unknown;
        QVERIFY(!SectionChoice::parse("Coin channels,Coins", tree, &chosen, &unknown));
        QCOMPARE(unknown, "Coins");
        QVERIFY(SectionChoice::parse(" coin CHANNELS , statistics", tree, &chosen, &unknown));
        QCOMPARE(chosen, (QStringList{"Coin channels", "Statistics"}));
        // A chosen group that was unticked comes back; the others go; Empty stays Empty.
        tree.ToggleNode(node(tree, "Coin channels"));
        SectionChoice::apply(tree, chosen);
        tree.accept();
        QCOMPARE(states(tree, {"0x0600", "0x07EA", "0x07A0", "0x0610"}), "CCEE");
        QCOMPARE(tree.item(node(tree, "0x0600"))->Text, "AA");
    }
};

QTEST_GUILESS_MAIN(TestDocuments)
#include "test_documents.moc"
