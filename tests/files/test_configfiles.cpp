#include "FilesBench.h"

#include <QXmlStreamReader>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

// A configuration file in the saved layout holding the given blocks.
QByteArray configFile(const QList<QPair<QByteArray, QByteArray>> &blocks,
                      const QByteArray &marker = "format=\"RX20/RX30\"")
{
    QByteArray out =
        "<?xml version=\"1.0\"?>\r\n<!-- " + marker + " -->\r\n<MachineData>\r\n<Group caption=\"G\">\r\n";
    for (const auto &b : blocks)
        out += "<Data caption=\"x\" address=\"" + b.first + "\" length=\"1\">" + b.second + "</Data>\r\n";
    return out + "</Group>\r\n</MachineData>\r\n";
}

} // namespace

// File Open and File Save through the window's configuration: merging, checking, the
// section tree, and what a bad file leaves behind (nothing).
class TestConfigFiles : public QObject
{
    Q_OBJECT

private slots:
    void badFilesChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QString format = QStringLiteral("File format error");
        QByteArray garbage;
        for (int i = 0; i < 5000; ++i)
            garbage.append(static_cast<char>((i * 7919) % 251));
        QTest::newRow("empty") << QByteArray() << format;
        QTest::newRow("no marker") << configFile({{"0x07A0", "05"}}, "format=\"RX10\"") << format;
        QTest::newRow("marker in other case")
            << configFile({{"0x07A0", "05"}}, "FORMAT=\"rx20/rx30\"") << format;
        QTest::newRow("binary garbage") << garbage << format;
        QTest::newRow("line too long")
            << configFile({{"0x07A0", QByteArray(5000, '0')}}) << QStringLiteral("Line too long on line 5");
        QTest::newRow("not hex") << configFile({{"0x07A0", "0G"}}) << QStringLiteral("(0x07A0)");
        QTest::newRow("short channel") << QByteArray("<!-- format=\"RX20/RX30\" -->\r\n<Data caption=\"c\" "
                                                     "address=\"0x0600\" length=\"16\">0102")
                                       << QStringLiteral("(0x0600)");
        QTest::newRow("truncated in a tag")
            << QByteArray("<!-- format=\"RX20/RX30\" -->\r\n<MachineData>\r\n<Data caption=\"c\" "
                          "address=\"0x07B2\" length=\"8\">41424")
            << QStringLiteral("(0x07B2)");
    }

    void badFilesChangeNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        FilesBench bench;
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Done);
        const QMap<QString, QString> document = bench.values();
        const QString params = bench.page->image().paramText();
        const int loaded = bench.page->image().loadedSections;
        writeAll(bench.files->temporaryPath(), "previous");
        const QString name = bench.path(QStringLiteral("bad.xml"));
        writeAll(name, content);
        bool shown = false;
        bench.tree.showHook = [&shown](SectionTree &) { return shown = true; };
        bench.prompts.clear();
        QCOMPARE(bench.files->FileOpen(name), ConfigFiles::Failed);
        const QStringList errors = bench.prompts.texts(ScriptedPrompts::Kind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(message), qPrintable(errors.first()));
        QVERIFY(!shown);
        QCOMPARE(bench.values(), document);
        QCOMPARE(bench.page->image().paramText(), params);
        QCOMPARE(bench.page->image().loadedSections, loaded);
        QCOMPARE(readAll(bench.files->temporaryPath()), QByteArray("previous"));
    }

    void missingFileAndMissingTemplateAreReported()
    {
        FilesBench bench;
        QCOMPARE(bench.files->FileOpen(bench.path(QStringLiteral("nowhere.xml"))), ConfigFiles::Failed);
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error).size(), 1);
        const QString file = bench.path(QStringLiteral("ok.xml"));
        writeAll(file, configFile({{"0x07A0", "05"}}));
        QFile::remove(bench.files->templatePath());
        bench.prompts.clear();
        QCOMPARE(bench.files->FileOpen(file), ConfigFiles::Failed);
        QVERIFY(bench.prompts.texts(ScriptedPrompts::Kind::Error)
                    .first()
                    .contains(QStringLiteral("template.xml")));
        const QString target = bench.path(QStringLiteral("existing.xml"));
        writeAll(target, "precious");
        bench.prompts.clear();
        QCOMPARE(bench.files->FileSave(target), ConfigFiles::Failed);
        QCOMPARE(readAll(target), QByteArray("precious"));
    }

    void openingOnlyChannelsKeepsTheRest()
    {
        FilesBench bench;
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Done);
        bench.tree.showHook = [&bench](SectionTree &tree) {
            tree.ToggleNode(0);
            tree.ToggleNode(bench.nodeByCaption(QStringLiteral("Coin channels")));
            return true;
        };
        const QString file = bench.path(QStringLiteral("channels.xml"));
        QCOMPARE(bench.files->FileSave(file), ConfigFiles::Done);
        QCOMPARE(bench.tree.windowCaption, QStringLiteral("Select sections for saving"));
        QCOMPARE(readAll(file).count("<Data caption"), 16);

        FilesBench other(QStringLiteral("FILESIM3"));
        other.sim->setMemory(0x0600, QByteArray(16, char(0x11)));
        other.sim->setMemory(0x07A0, QByteArray::fromHex("09"));
        other.sim->commit();
        QCOMPARE(other.transfer->Upload(), ConfigTransfer::Done);
        const QString params = other.page->image().paramText();
        QCOMPARE(other.files->FileOpen(file), ConfigFiles::Done);
        QCOMPARE(other.tree.windowCaption, QStringLiteral("Select sections for loading"));
        QCOMPARE(other.page->image().paramText(), params);
        QCOMPARE(other.page->channels().ChannelToString(1), bench.sim->memory(0x0600, 16));
        QCOMPARE(other.tree.state(other.tree.FindAddress(QStringLiteral("0x07A0"))), int(SectionTree::Empty));
        QCOMPARE(other.tree.state(other.nodeByCaption(QStringLiteral("Statistics"))),
                 int(SectionTree::Empty));
    }

    void narrowAndLowerCaseValuesAreNormalised()
    {
        FilesBench bench;
        const QString file = bench.path(QStringLiteral("narrow"));
        writeAll(file, configFile({{"0x07A0", "5"}, {"0x07A1", "0c"}, {"0x07EA", "0a"}}));
        QCOMPARE(bench.files->FileOpen(file), ConfigFiles::Done); // a name without extension opens
        QCOMPARE(bench.values().value(QStringLiteral("0x07A0")), QStringLiteral("05"));
        QCOMPARE(bench.values().value(QStringLiteral("0x07A1")), QStringLiteral("0C"));
        QCOMPARE(bench.page->image().paramText().left(4), QStringLiteral("050C"));
        QCOMPARE(bench.page->image().statisticOptions.left(4), QStringLiteral("0AFF"));
        QCOMPARE(bench.page->image().statisticCounters, QString(120, QLatin1Char('0')));
        QVERIFY(bench.page->image().loadedSections & 0x0A);
    }

    void cancelInTheTreeTakesNothing()
    {
        FilesBench bench;
        const QString params = bench.page->image().paramText();
        const QString file = bench.path(QStringLiteral("c.xml"));
        writeAll(file, configFile({{"0x07A0", "77"}}));
        bench.tree.showHook = [](SectionTree &) { return false; };
        QCOMPARE(bench.files->FileOpen(file), ConfigFiles::Cancelled);
        QCOMPARE(bench.page->image().paramText(), params);
    }

    void saveWithNothingLoadedOrTickedWritesNoFile()
    {
        FilesBench bench;
        bench.page->imageForLoad().loadedSections = 0;
        const QString target = bench.path(QStringLiteral("none.xml"));
        QCOMPARE(bench.files->FileSave(target), ConfigFiles::Failed);
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error),
                 QStringList{QStringLiteral("All buffers are empty")});
        QVERIFY(!QFile::exists(target));

        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Done);
        bench.tree.showHook = [](SectionTree &tree) {
            tree.ToggleNode(0);
            return true;
        };
        bench.prompts.clear();
        QCOMPARE(bench.files->FileSave(target), ConfigFiles::Failed);
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error),
                 QStringList{QStringLiteral("All buffers are empty")});
        QVERIFY(!QFile::exists(target));
    }

    void overwriteQuestionNamesTheFinalFile()
    {
        FilesBench bench;
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Done);
        const QString existing = bench.path(QStringLiteral("cfg.xml"));
        writeAll(existing, "old");
        bench.prompts.clear();
        bench.prompts.queueFileName(bench.path(QStringLiteral("cfg.txt")));
        QCOMPARE(bench.files->FileSave(), ConfigFiles::Cancelled); // No to the question
        const QStringList asked = bench.prompts.texts(ScriptedPrompts::Kind::Confirm);
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().contains(existing));
        QCOMPARE(readAll(existing), QByteArray("old"));
        QVERIFY(!QFile::exists(bench.path(QStringLiteral("cfg.txt"))));

        bench.prompts.queueFileName(bench.path(QStringLiteral("cfg.txt")));
        bench.prompts.queueAnswer(Prompts::Answer::Yes);
        QCOMPARE(bench.files->FileSave(), ConfigFiles::Done);
        const QByteArray saved = readAll(existing);
        QXmlStreamReader xml(saved);
        int data = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("Data"))
                ++data;
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        // After an upload every block of the template is saved.
        QCOMPARE(data, int(readAll(bench.files->templatePath()).count("<Data caption")));
    }

    void markerAnywhereEvenInACommentPasses()
    {
        FilesBench bench;
        const QString file = bench.path(QStringLiteral("m.xml"));
        writeAll(file,
                 "<MachineData>\r\n<!-- saved by hand; format=\"RX20/RX30\" -->\r\n<Group caption=\"G\">\r\n"
                 "<Data caption=\"x\" address=\"0x0747\" "
                 "length=\"1\">08</Data>\r\n</Group>\r\n</MachineData>\r\n");
        QCOMPARE(bench.files->FileOpen(file), ConfigFiles::Done);
        QCOMPARE(bench.page->stopModeText(), QStringLiteral("Mode 2"));
        QCOMPARE(bench.page->autoprogText(), QStringLiteral("Disabled"));
        QVERIFY(bench.page->image().loadedSections & 0x04);
    }
};

QTEST_GUILESS_MAIN(TestConfigFiles)
#include "test_configfiles.moc"
