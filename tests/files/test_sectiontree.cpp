#include "files/SectionChoice.h"
#include "files/SectionTree.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

// The section tree: marking by data, ticking, OK, lookups and writing configuration files.
class TestSectionTree : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_template;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    static void writeFile(const QString &name, const QByteArray &content)
    {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    static QByteArray readFile(const QString &name)
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static int indexOfCaption(const SectionTree &tree, const QString &caption)
    {
        for (int i = 0; i < tree.count(); ++i) {
            if (tree.caption(i) == caption)
                return i;
        }
        return -1;
    }
    // The template with values filled in for the given addresses.
    QString filledTemplate(const QString &name, const QMap<QString, QString> &values)
    {
        QByteArray t = readFile(m_template);
        for (auto it = values.begin(); it != values.end(); ++it) {
            const QByteArray key = "address=\"" + it.key().toLatin1() + "\"";
            const int at = t.indexOf(key);
            const int close = t.indexOf("</Data>", at);
            t.insert(close, it.value().toLatin1());
        }
        writeFile(path(name), t);
        return path(name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_template = path(QStringLiteral("template.xml"));
        QVERIFY(QFile::copy(QStringLiteral(RX_TEST_DATA_DIR "/template.xml"), m_template));
    }

    void emptyTemplateLeavesEveryNodeButRootEmpty()
    {
        SectionTree tree;
        QVERIFY(tree.LoadFile(m_template));
        QVERIFY(tree.count() > 80);
        QCOMPARE(tree.caption(0), QStringLiteral("All data"));
        QCOMPARE(tree.state(0), int(SectionTree::Checked));
        QVERIFY(tree.allEmpty());
        tree.accept();
        QVERIFY(tree.allEmpty());
        QCOMPARE(tree.state(0), int(SectionTree::Checked));
    }

    void templateListsEveryMovedBlockOnceAndNoFactoryData()
    {
        SectionTree tree;
        QVERIFY(tree.LoadFile(m_template));
        QStringList expected;
        for (int n = 0; n < 16; ++n)
            expected << QStringLiteral("0x%1").arg(0x600 + 16 * n, 4, 16, QLatin1Char('0')).toUpper();
        for (int n = 0; n < 8; ++n)
            expected << QStringLiteral("0x%1").arg(0x700 + 8 * n, 4, 16, QLatin1Char('0')).toUpper();
        for (int k = 0; k < 18; ++k)
            expected << QStringLiteral("0x%1").arg(0x7A0 + k, 4, 16, QLatin1Char('0')).toUpper();
        expected << QStringLiteral("0x07B2") << QStringLiteral("0x0744") << QStringLiteral("0x0747");
        for (int k = 0; k < 20; ++k)
            expected << QStringLiteral("0x%1").arg(0x7EA + k, 4, 16, QLatin1Char('0')).toUpper()
                     << QStringLiteral("0x%1").arg(0x800 + 3 * k, 4, 16, QLatin1Char('0')).toUpper();
        for (const QString &a : expected) {
            // "0x" stays lower case: the file uses "0x" then four upper-case digits.
            const QString address = QStringLiteral("0x") + a.mid(2);
            QVERIFY2(tree.FindAddress(address) != SectionTree::NOT_FOUND, qPrintable(address));
        }
        QSet<int> covered;
        for (int i = 0; i < tree.count(); ++i) {
            const QString address = SectionTree::ParamValue(tree.item(i), QStringLiteral("address"));
            if (!address.startsWith(QStringLiteral("0x")))
                continue;
            QVERIFY2(tree.level(i) == 2 || tree.level(i) == 3, qPrintable(address));
            const int start = address.mid(2).toInt(nullptr, 16);
            const int length = SectionTree::ParamValue(tree.item(i), QStringLiteral("length")).toInt();
            for (int a = start; a < start + length; ++a) {
                QVERIFY2(!covered.contains(a), qPrintable(address)); // blocks never overlap
                covered.insert(a);
                const bool factory = (a >= 0x751 && a <= 0x752) || a == 0x759 || (a >= 0x75C && a <= 0x761) ||
                                     (a >= 0x774 && a <= 0x777);
                QVERIFY2(!factory, qPrintable(address));
            }
        }
        QVERIFY(readFile(m_template).contains("format=\"RX20/RX30\""));
    }

    void loadingMarksDataAndItsTwoAncestors()
    {
        SectionTree tree;
        const QString file =
            filledTemplate(QStringLiteral("one.xml"),
                           {{QStringLiteral("0x0610"), QStringLiteral("00112233445566778899AABBCCDDEEFF")},
                            {QStringLiteral("0x07A3"), QStringLiteral("05")}});
        QVERIFY(tree.LoadFile(file));
        const int ch2 = tree.FindAddress(QStringLiteral("0x0610"));
        QCOMPARE(tree.state(ch2), int(SectionTree::Checked));
        QCOMPARE(tree.state(tree.parent(ch2)), int(SectionTree::Checked));
        QCOMPARE(tree.state(tree.FindAddress(QStringLiteral("0x0600"))), int(SectionTree::Empty));
        const int p = tree.FindAddress(QStringLiteral("0x07A3"));
        QCOMPARE(tree.state(tree.parent(tree.parent(p))), int(SectionTree::Checked));
        QCOMPARE(tree.state(indexOfCaption(tree, QStringLiteral("I/O lines"))), int(SectionTree::Empty));
        QCOMPARE(tree.state(indexOfCaption(tree, QStringLiteral("Statistics"))), int(SectionTree::Empty));
        QCOMPARE(tree.FindAddress(QStringLiteral("0x0611")), SectionTree::NOT_FOUND);
        QCOMPARE(tree.FindAddress(QStringLiteral("0X0610")), SectionTree::NOT_FOUND); // exact text only
    }

    void paramValueOfGroupsAndRoot()
    {
        SectionTree tree;
        QVERIFY(tree.LoadFile(m_template));
        const int group = indexOfCaption(tree, QStringLiteral("Coin channels"));
        QCOMPARE(SectionTree::ParamValue(tree.item(group), QStringLiteral("address")),
                 QStringLiteral("caption=Coin channels"));
        QCOMPARE(SectionTree::ParamValue(tree.item(0), QStringLiteral("length")), QStringLiteral("All data"));
        QCOMPARE(SectionTree::ParamValue(tree.item(tree.FindAddress(QStringLiteral("0x0600"))),
                                         QStringLiteral("length")),
                 QStringLiteral("16"));
    }

    void tickingFollowsDataAndLeavesEmptyNodesEmpty()
    {
        SectionTree tree;
        QVERIFY(tree.LoadFile(
            filledTemplate(QStringLiteral("tick.xml"), {{QStringLiteral("0x0600"), QStringLiteral("FF")},
                                                        {QStringLiteral("0x0610"), QStringLiteral("EE")}})));
        const int group = indexOfCaption(tree, QStringLiteral("Coin channels"));
        const int ch1 = tree.FindAddress(QStringLiteral("0x0600"));
        const int ch3 = tree.FindAddress(QStringLiteral("0x0620"));
        tree.ToggleNode(ch3); // Empty: nothing happens
        QCOMPARE(tree.state(ch3), int(SectionTree::Empty));
        tree.ToggleNode(group);
        QCOMPARE(tree.state(group), int(SectionTree::Unchecked));
        QCOMPARE(tree.state(ch1), int(SectionTree::Unchecked));
        QCOMPARE(tree.state(ch3), int(SectionTree::Empty));
        QCOMPARE(tree.state(0), int(SectionTree::Checked)); // ancestors untouched
        tree.ToggleNode(group);
        QCOMPARE(tree.state(ch1), int(SectionTree::Checked));
        QCOMPARE(tree.state(ch3), int(SectionTree::Empty));
        tree.ToggleNode(ch1);
        QCOMPARE(tree.state(ch1), int(SectionTree::Unchecked));
        tree.accept();
        QCOMPARE(tree.state(ch1), int(SectionTree::Empty));
        QVERIFY(tree.item(ch1)->Text.isEmpty());
        QCOMPARE(tree.item(tree.FindAddress(QStringLiteral("0x0610")))->Text, QStringLiteral("EE"));
        // Unticking the root unticks everything that has data; OK then empties it all.
        tree.ToggleNode(0);
        tree.accept();
        QVERIFY(tree.allEmpty());
    }

    void cancelChangesNothingAndShowingCollapses()
    {
        SectionTree tree;
        QVERIFY(tree.LoadFile(filledTemplate(QStringLiteral("cancel.xml"),
                                             {{QStringLiteral("0x0600"), QStringLiteral("AB")}})));
        const int ch1 = tree.FindAddress(QStringLiteral("0x0600"));
        tree.setExpanded(tree.parent(ch1), true);
        tree.showHook = [&](SectionTree &t) {
            t.ToggleNode(ch1);
            return false;
        };
        QVERIFY(!tree.showModal());
        QVERIFY(tree.expanded(0));
        QVERIFY(!tree.expanded(tree.parent(ch1)));
        QCOMPARE(tree.item(ch1)->Text, QStringLiteral("AB")); // the value survives Cancel
    }

    void savingOnlyChannelsWritesFrameAndChannelGroup()
    {
        SectionTree tree;
        QMap<QString, QString> values;
        for (int n = 0; n < 16; ++n)
            values.insert(
                QStringLiteral("0x") +
                    QString::number(0x600 + 16 * n, 16).rightJustified(4, QLatin1Char('0')).toUpper(),
                QString(32, QLatin1Char('1')));
        values.insert(QStringLiteral("0x07A0"), QStringLiteral("01"));
        QVERIFY(tree.LoadFile(filledTemplate(QStringLiteral("all.xml"), values)));
        tree.ToggleNode(indexOfCaption(tree, QStringLiteral("Configuration")));
        tree.accept();
        QVERIFY(tree.SaveFile(path(QStringLiteral("saved.txt")), m_template));
        QVERIFY(!QFile::exists(path(QStringLiteral("saved.txt"))));
        const QByteArray saved = readFile(path(QStringLiteral("saved.xml")));
        const QList<QByteArray> lines = saved.split('\n');
        QCOMPARE(saved.count("<Data caption"), 16);
        QCOMPARE(saved.count("<Group caption"), 1);
        QVERIFY(saved.startsWith("<?xml"));
        QVERIFY(saved.contains("format=\"RX20/RX30\""));
        QVERIFY(saved.contains("<Data caption=\"Channel 16\" address=\"0x06F0\" length=\"16\">" +
                               QByteArray(32, '1') + "</Data>\r\n"));
        QVERIFY(saved.endsWith("</MachineData>\r\n"));
        QCOMPARE(saved.count("\r\n"), saved.count("\n"));
        QCOMPARE(lines.size() - 1, 2 + 1 + 1 + 16 + 1 + 1); // header, root, group, data, group end, root end

        // An independent parser accepts what we wrote.
        QXmlStreamReader xml(saved);
        int elements = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement)
                ++elements;
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(elements, 1 + 1 + 16);

        // Read back, the file holds the same values.
        SectionTree again;
        QVERIFY(again.LoadFile(path(QStringLiteral("saved.xml"))));
        QCOMPARE(again.item(again.FindAddress(QStringLiteral("0x0630")))->Text,
                 QString(32, QLatin1Char('1')));
        QCOMPARE(again.state(again.FindAddress(QStringLiteral("0x07A0"))), int(SectionTree::Empty));
    }

    void fileNamesTakeTheXmlExtension()
    {
        QCOMPARE(SectionTree::xmlFileName(QStringLiteral("/a/cfg.txt")), QStringLiteral("/a/cfg.xml"));
        QCOMPARE(SectionTree::xmlFileName(QStringLiteral("/a/cfg")), QStringLiteral("/a/cfg.xml"));
        QCOMPARE(SectionTree::xmlFileName(QStringLiteral("/a.b/cfg")), QStringLiteral("/a.b/cfg.xml"));
        QCOMPARE(SectionTree::xmlFileName(QStringLiteral("C:\\x.y\\cfg")),
                 QStringLiteral("C:\\x.y\\cfg.xml"));
        QCOMPARE(SectionTree::xmlFileName(QStringLiteral("cfg.XML")), QStringLiteral("cfg.xml"));
    }

    void failedSavesNeverTouchAnExistingFile()
    {
        const QString target = path(QStringLiteral("keep.xml"));
        writeFile(target, "precious");
        SectionTree tree;
        QVERIFY(tree.LoadFile(m_template));
        // Nothing to save.
        QVERIFY(!tree.SaveFile(target, m_template));
        QCOMPARE(tree.errorString(), QStringLiteral("All buffers are empty"));
        QCOMPARE(readFile(target), QByteArray("precious"));
        // Missing template.
        QVERIFY(tree.LoadFile(
            filledTemplate(QStringLiteral("x.xml"), {{QStringLiteral("0x0600"), QStringLiteral("AA")}})));
        QVERIFY(!tree.SaveFile(target, path(QStringLiteral("no-template.xml"))));
        QVERIFY(!tree.errorString().isEmpty());
        QCOMPARE(readFile(target), QByteArray("precious"));
        // Unwritable target directory.
        QVERIFY(!tree.SaveFile(path(QStringLiteral("no/such/dir/out.xml")), m_template));
    }

    void sectionsChosenByTopLevelCaption()
    {
        SectionTree tree;
        QVERIFY(tree.LoadFile(filledTemplate(QStringLiteral("choice.xml"),
                                             {{QStringLiteral("0x0600"), QStringLiteral("AA")},
                                              {QStringLiteral("0x07A0"), QStringLiteral("01")},
                                              {QStringLiteral("0x07EA"), QStringLiteral("02")}})));
        QStringList chosen;
        QString unknown;
        QVERIFY(!SectionChoice::parse(QStringLiteral("Coin channels,Coins"), tree, &chosen, &unknown));
        QCOMPARE(unknown, QStringLiteral("Coins"));
        QVERIFY(!SectionChoice::parse(QStringLiteral("I/O lines"), tree, &chosen, &unknown)); // not top level
        QVERIFY(SectionChoice::parse(QStringLiteral("all"), tree, &chosen, &unknown));
        QVERIFY(chosen.isEmpty());
        QVERIFY(SectionChoice::parse(QStringLiteral(" coin CHANNELS , statistics"), tree, &chosen, &unknown));
        QCOMPARE(chosen, (QStringList{QStringLiteral("Coin channels"), QStringLiteral("Statistics")}));
        // A chosen group that was unticked comes back; the others go; Empty stays Empty.
        tree.ToggleNode(indexOfCaption(tree, QStringLiteral("Coin channels")));
        SectionChoice::apply(tree, chosen);
        tree.accept();
        QCOMPARE(tree.item(tree.FindAddress(QStringLiteral("0x0600")))->Text, QStringLiteral("AA"));
        QCOMPARE(tree.item(tree.FindAddress(QStringLiteral("0x07EA")))->Text, QStringLiteral("02"));
        QVERIFY(tree.item(tree.FindAddress(QStringLiteral("0x07A0")))->Text.isEmpty());
        QCOMPARE(tree.state(tree.FindAddress(QStringLiteral("0x0610"))), int(SectionTree::Empty));
    }

    void nestedEmptyGroupsAreRemoved()
    {
        const QString tmpl = path(QStringLiteral("nested-template.xml"));
        writeFile(tmpl, "<?xml version=\"1.0\"?>\r\n<!-- format=\"RX20/RX30\" -->\r\n<MachineData>\r\n"
                        "<Group caption=\"A\">\r\n<Group caption=\"B\">\r\n<Group caption=\"C\">\r\n"
                        "<Data caption=\"x\" address=\"0x0600\" length=\"1\"></Data>\r\n"
                        "</Group>\r\n</Group>\r\n</Group>\r\n<Group caption=\"D\">\r\n"
                        "<Data caption=\"y\" address=\"0x0601\" length=\"1\"></Data>\r\n</Group>\r\n"
                        "</MachineData>\r\n");
        const QString file = path(QStringLiteral("nested.xml"));
        writeFile(file, QString::fromLatin1(readFile(tmpl))
                            .replace(QStringLiteral("0x0601\" length=\"1\">"),
                                     QStringLiteral("0x0601\" length=\"1\">7F"))
                            .toLatin1());
        SectionTree tree;
        QVERIFY(tree.LoadFile(file));
        QVERIFY(tree.SaveFile(path(QStringLiteral("nested-out.xml")), tmpl));
        const QByteArray out = readFile(path(QStringLiteral("nested-out.xml")));
        QCOMPARE(out.count("<Group"), 1);
        QCOMPARE(out.count("</Group>"), 1);
        QVERIFY(out.contains(
            "<Group caption=\"D\">\r\n<Data caption=\"y\" address=\"0x0601\" length=\"1\">7F</Data>"));
    }
};

QTEST_GUILESS_MAIN(TestSectionTree)
#include "test_sectiontree.moc"
