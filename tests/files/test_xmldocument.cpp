#include "files/ECXMLParser.h"

#include <QTemporaryDir>
#include <QtTest>

// The forgiving reader: tokens, names, attributes, decoding, and refusal of bad input.
class TestXmlDocument : public QObject
{
    Q_OBJECT

private slots:
    void readsDataElementWithAttributesAndText()
    {
        TECXMLParser doc;
        QVERIFY(doc.LoadFromData("<Group caption=\"Coins\">\r\n"
                                 "<Data caption=\"Coin A\" address=\"0x0600\" length=\"16\">0102</Data>\r\n"
                                 "<Data  caption=\"B\"  address=\"0x0610\"/>\r\n</Group>\r\n"));
        TXMLItem *root = doc.Root();
        QCOMPARE(root->Name, QStringLiteral("Group"));
        QCOMPARE(root->Params, QStringList{QStringLiteral("caption=Coins")});
        QCOMPARE(root->count(), 2);
        TXMLItem *data = root->item(0);
        QCOMPARE(data->Name, QStringLiteral("Data"));
        QCOMPARE(data->Params, (QStringList{QStringLiteral("caption=Coin A"),
                                            QStringLiteral("address=0x0600"), QStringLiteral("length=16")}));
        QCOMPARE(data->Text, QStringLiteral("0102"));
        QCOMPARE(data->Parent(), root);
        QCOMPARE(data->document(), &doc);
        // An empty element is a child that does not take the cursor down.
        QCOMPARE(root->item(1)->Name, QStringLiteral("Data"));
        QCOMPARE(root->item(1)->Params.size(), 2);
        QCOMPARE(root->item(1)->count(), 0);
    }

    void attributeQuotesAndEntities()
    {
        TECXMLParser doc;
        QVERIFY(doc.LoadFromData("<r a=\"\" b=\"x y\" c=\"&lt;&amp;lt;&quot;\" d=plain e=\" padded \"></r>"));
        const QStringList p = doc.Root()->Params;
        QCOMPARE(p.value(0), QStringLiteral("a=\"\""));    // two characters keep their quotes
        QCOMPARE(p.value(1), QStringLiteral("b=x y"));     // blanks inside quotes do not split
        QCOMPARE(p.value(2), QStringLiteral("c=<&lt;\"")); // one decoding pass, fixed order
        QCOMPARE(p.value(3), QStringLiteral("d=plain"));
        QCOMPARE(p.value(4), QStringLiteral("e=padded"));
    }

    void textDecodingBreaksAndCdata()
    {
        TECXMLParser doc;
        QVERIFY(doc.LoadFromData("<?xml version=\"1.0\"?>\n<!-- note -->\n<r>&amp;lt;<x>first<br/>second</x>"
                                 "<y><![CDATA[a > b ]]> c]]></y><z>a   b\r\nc</z></r>\n<!-- tail -->\n"));
        TXMLItem *root = doc.Root();
        QCOMPARE(root->Name, QStringLiteral("r"));
        QCOMPARE(root->Text, QStringLiteral("&lt;"));
        QCOMPARE(root->count(), 3); // the comment, declaration and <br/> leave no trace
        QCOMPARE(root->item(0)->Text, QStringLiteral("first\r\nsecond"));
        // The CDATA token ends at the first '>' that completes "]]>"; the rest is text.
        QCOMPARE(root->item(1)->CData, QStringLiteral("a > b "));
        QCOMPARE(root->item(1)->Text, QStringLiteral("c]]>"));
        QCOMPARE(root->item(2)->Text, QStringLiteral("a bc"));
    }

    void endTagsMoveUpWhateverTheirName()
    {
        TECXMLParser doc;
        QVERIFY(doc.LoadFromData("<a><b><c></x></y><d/></a>"));
        QCOMPARE(doc.Root()->count(), 2);
        QCOMPARE(doc.Root()->item(0)->Name, QStringLiteral("b"));
        QCOMPARE(doc.Root()->item(0)->item(0)->Name, QStringLiteral("c"));
        QCOMPARE(doc.Root()->item(1)->Name, QStringLiteral("d"));
    }

    void badInputIsRefusedAndLeavesDocumentUnchanged_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("error");
        QByteArray longLine = "<r>\n<x>" + QByteArray(4096, 'A') + "</x>\n</r>\n";
        QTest::newRow("line too long") << longLine << QStringLiteral("Line too long on line 2");
        QTest::newRow("text after root") << QByteArray("<r></r>\nstray") << QStringLiteral("on line 2");
        QTest::newRow("tag after root") << QByteArray("<r></r><s></s>") << QStringLiteral("on line 1");
        QTest::newRow("unterminated tag") << QByteArray("<r>\n<x attr=\"1\"") << QStringLiteral("on line 2");
        QTest::newRow("unterminated cdata") << QByteArray("<r><![CDATA[abc>") << QStringLiteral("on line 1");
    }

    void badInputIsRefusedAndLeavesDocumentUnchanged()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, error);
        TECXMLParser doc;
        int loaded = 0;
        doc.OnLoaded = [&loaded] { ++loaded; };
        QVERIFY(doc.LoadFromData("<keep a=\"1\">v</keep>"));
        QCOMPARE(loaded, 1);
        QVERIFY(!doc.LoadFromData(data));
        QVERIFY2(doc.errorString().contains(error), qPrintable(doc.errorString()));
        QCOMPARE(doc.Root()->Name, QStringLiteral("keep"));
        QCOMPARE(doc.Root()->Text, QStringLiteral("v"));
        QCOMPARE(loaded, 1);
    }

    void lineOfExactlyBufferLessOneFits()
    {
        TECXMLParser doc;
        QByteArray line(TECXMLParser::BufferSize - 1, 'B');
        QVERIFY2(doc.LoadFromData("<r>\n" + line + "\n</r>"), qPrintable(doc.errorString()));
        QCOMPARE(doc.Root()->Text.size(), TECXMLParser::BufferSize - 1);
    }

    void garbageAndEmptyInputDoNotCrash()
    {
        TECXMLParser doc;
        QVERIFY(doc.LoadFromData(QByteArray()));
        QVERIFY(doc.Root()->Name.isEmpty());
        QByteArray garbage;
        quint32 x = 12345;
        for (int i = 0; i < 20000; ++i) {
            x = x * 1103515245u + 12345u;
            garbage.append(static_cast<char>((x >> 16) & 0xFF));
        }
        doc.LoadFromData(garbage); // either outcome is fine; it must not crash or hang
        QVERIFY(true);
    }

    void fileThatCannotBeOpenedKeepsDocument()
    {
        QTemporaryDir dir;
        TECXMLParser doc;
        QVERIFY(doc.LoadFromData("<keep/>"));
        QVERIFY(!doc.LoadFromFile(dir.filePath(QStringLiteral("missing.xml"))));
        QVERIFY(!doc.errorString().isEmpty());
        QCOMPARE(doc.Root()->count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestXmlDocument)
#include "test_xmldocument.moc"
