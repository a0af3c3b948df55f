#include "FilesBench.h"

#include "app/Messages.h"
#include "files/BlockCompare.h"
#include "files/BlockValue.h"
#include "files/DownloadCompare.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

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

enum RoundTrip { Window, Reopened, Fresh, CommandLine };

// Channel records unlike the defaults, every byte set, with sorter paths the window can show.
QByteArray oddChannels()
{
    QByteArray channels;
    for (int i = 0; i < 256; ++i)
        channels.append(static_cast<char>(i % 16 == 13 ? i / 16 % 9 : i * 37 + 11));
    return channels;
}

} // namespace

// Upload, Download, File Open and File Save against the simulated selector through the real
// link, and what survives each failure.
class TestTransfer : public QObject
{
    Q_OBJECT

private slots:
    // A round trip through the program rewrites nothing the user did not change, checked on the
    // selector's whole permanent memory: a file holds ".." for the fourth country code and the
    // window does not hold every byte of a block, yet the selector keeps its own. With "only what
    // changed" the compare finds exactly the edited block and only that is written.
    void roundTripsChangeOnlyWhatWasEdited_data()
    {
        QTest::addColumn<int>("path");
        QTest::addColumn<QByteArray>("edit"); // a block edited in the saved file ("" none)
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("onlyChanged");
        QTest::addColumn<int>("changedAt"); // where permanent memory must change, with what
        QTest::addColumn<QByteArray>("changed");
        const QByteArray channel1 = oddChannels().left(16).toHex().toUpper();
        QTest::newRow("window") << int(Window) << QByteArray() << QByteArray() << false << 0 << QByteArray();
        QTest::newRow("file reopened")
            << int(Reopened) << QByteArray() << QByteArray() << false << 0 << QByteArray();
        QTest::newRow("stored file, fresh program")
            << int(Fresh) << QByteArray() << QByteArray() << true << 0 << QByteArray();
        QTest::newRow("command line")
            << int(CommandLine) << QByteArray() << QByteArray() << false << 0 << QByteArray();
        QTest::newRow("channel 2 edited") << int(Fresh) << QByteArray("0x0610") << channel1 << true << 0x0610
                                          << QByteArray::fromHex(channel1);
        QTest::newRow("first country code edited, command line")
            << int(CommandLine) << QByteArray("0x07B2") << QByteArray("ATTKHR..").toHex().toUpper() << true
            << 0x07B2 << QByteArray("AT");
    }
    void roundTripsChangeOnlyWhatWasEdited()
    {
        QFETCH(int, path);
        QFETCH(QByteArray, edit);
        QFETCH(QByteArray, value);
        QFETCH(bool, onlyChanged);
        QFETCH(int, changedAt);
        QFETCH(QByteArray, changed);
        FilesBench a;
        a.sim->setMemory(0x0600, oddChannels());
        a.sim->setMemory(0x0800, oddChannels().left(60));
        a.sim->setMemory(0x0744, QByteArray::fromHex("A1B2C306"));
        // Bytes the window cannot show: a sorter path it does not know, line bytes no function
        // uses, a sorter number with no sorter chosen.
        a.sim->setMemory(0x060D, QByteArray::fromHex("24"));
        a.sim->setMemory(0x0702, QByteArray::fromHex("0898"));
        a.sim->setMemory(0x073F, QByteArray::fromHex("56"));
        a.sim->setMemory(0x07B1, QByteArray::fromHex("08"));
        a.sim->commit();
        QCOMPARE(a.sim->nvMemory(0x07B2, 8), QByteArray("EUTKHRIT"));
        const QByteArray before = a.sim->nvImage();
        QCOMPARE(a.transfer.Upload(), ConfigTransfer::Done);
        FilesBench b("FILESIM2");
        FilesBench &target = path == Window || path == Reopened ? a : b;
        if (path != Window) {
            const QString file = a.path("unit.xml");
            QCOMPARE(a.files.FileSave(file), ConfigFiles::Done);
            QVERIFY(blockValue(fileBytes(file), "0x07B2").endsWith("2E2E")); // the file format holds ".."
            if (!edit.isEmpty())
                writeFileBytes(file, withBlock(fileBytes(file), edit, value));
            target.sim->setNvImage(before);
            target.files.setRequireWholeFile(path == CommandLine);
            QCOMPARE(target.files.FileOpen(file), ConfigFiles::Done);
        }
        DownloadCompare compare(target.tree, target.session, target.page.rx30Path());
        compare.setWriteOnlyChanged(onlyChanged);
        target.transfer.writeFilter = [&](int node) { return compare.shouldWrite(node); };
        target.tree.showHook = [&](SectionTree &) {
            compare.compare();
            return true;
        };
        target.sent.clear();
        QCOMPARE(target.transfer.Download(path == CommandLine ? ConfigTransfer::Source::Document
                                                              : ConfigTransfer::Source::Window),
                 ConfigTransfer::Done);
        QStringList differing;
        for (const BlockCompare::Block &block : compare.blocks())
            if (block.status != BlockCompare::Same)
                differing << BlockValue::addressText(block.address);
        QCOMPARE(differing, edit.isEmpty() ? QStringList() : QStringList{QString::fromLatin1(edit)});
        if (onlyChanged) {
            const QStringList writes = target.memoryOps().filter(QRegularExpression("^W "));
            QCOMPARE(writes.size(), int(differing.size()));
            if (!edit.isEmpty())
                QVERIFY2(writes.first().startsWith("W " + edit.mid(2)), qPrintable(writes.first()));
        }
        QByteArray after = before;
        after.replace(changedAt - 0x0600, changed.size(), changed);
        QCOMPARE(target.sim->nvImage(), after);
    }

    // With "Write only what changed" a block the selector will not read is written as before.
    void aBlockTheSelectorWillNotReadIsUnknownAndWrittenAsBefore()
    {
        FilesBench b;
        QCOMPARE(b.transfer.Upload(), ConfigTransfer::Done);
        // The selector refuses every read that covers channel 3.
        b.onSend = [&b](const QByteArray &f) {
            if (f.size() == 9 && quint8(f[3]) == 255 && f[4] == 2) {
                const int at = (quint8(f[5]) << 8) | quint8(f[6]);
                if (at <= 0x0620 && 0x0620 < at + quint8(f[7]))
                    b.sim->injectFault({Fault::Nak, 1, 255});
            }
        };
        DownloadCompare compare(b.tree, b.session, b.page.rx30Path());
        QVERIFY(!compare.writeOnlyChanged()); // off as shipped, remembered once chosen
        QVERIFY(compare.setWriteOnlyChanged(true));
        QVERIFY(DownloadCompare(b.tree, b.session, b.page.rx30Path()).writeOnlyChanged());
        b.transfer.writeFilter = [&](int node) { return compare.shouldWrite(node); };
        b.tree.showHook = [&](SectionTree &) {
            compare.compare();
            return true;
        };
        b.sent.clear();
        QCOMPARE(b.transfer.Download(), ConfigTransfer::Done);
        const BlockCompare::Block *unknown = compare.blockOf(node(b.tree, "0x0620"));
        QVERIFY(unknown);
        QCOMPARE(unknown->status, BlockCompare::Unknown);
        QVERIFY(unknown->current.isEmpty());
        QVERIFY(compare.blockOf(node(b.tree, "0x0600"))->status == BlockCompare::Same);
        // Only the unreadable block is written, as before; the rest the selector already holds.
        QCOMPARE(b.memoryOps().filter(QRegularExpression("^W ")), QStringList{"W 0620 " + unknown->wanted});
    }

    void uploadsFollowTheTickedSectionsAndMarkOnlyBlocksRead()
    {
        FilesBench bench;
        const ChannelRow rowBefore = bench.page.channels().row(1);
        bench.takeOnly("Configuration");
        QCOMPARE(bench.transfer.Upload(), ConfigTransfer::Done);
        QCOMPARE(bench.page.image().loadedSections, 0x02);
        QCOMPARE(bench.page.channels().row(1).boxes, rowBefore.boxes);
        const QStringList ops = bench.memoryOps();
        QCOMPARE(ops.size(), 8 + 18 + 1);
        QCOMPARE(ops.first(), "R 0700");
        // The upload preparation command goes first, once, before any read.
        QCOMPARE(bench.sent.filter(QRegularExpression("^02..01FF09")).size(), 1);
        QVERIFY(bench.sent.indexOf(QRegularExpression("02..01FF09.*")) <
                bench.sent.indexOf(QRegularExpression("02..01FF020700.*")));
        QCOMPARE(ops.last(), "R 07B2");
        bench.sim->setAddress(9);
        QCOMPARE(bench.transfer.Upload(), ConfigTransfer::NotFound);
        QCOMPARE(bench.transfer.Download(), ConfigTransfer::NotFound);
        QCOMPARE(bench.errors().last(), "Coin selector not found!");
    }

    // Rows that were neither read nor opened carry no value: the rest saves and downloads.
    void partialUploadsSaveAndDownloadWhatWasRead_data()
    {
        QTest::addColumn<bool>("failInside"); // else channel 3 unticked
        QTest::addColumn<QStringList>("written");
        QTest::newRow("channel 3 unticked")
            << false << QStringList{"0600", "0610", "0630", "0640", "0650", "0660", "0670", "0680",
                                    "0690", "06A0", "06B0", "06C0", "06D0", "06E0", "06F0"};
        QTest::newRow("upload failed at channel 3") << true << QStringList{"0600", "0610"};
    }
    void partialUploadsSaveAndDownloadWhatWasRead()
    {
        QFETCH(bool, failInside);
        QFETCH(QStringList, written);
        FilesBench bench;
        if (failInside) {
            const QString params = bench.page.image().paramText();
            bench.faultAt(0x0620, Fault::NoReply);
            QCOMPARE(bench.transfer.Upload(), ConfigTransfer::Failed);
            QCOMPARE(bench.errors(), QStringList{"Error reading data"});
            QCOMPARE(bench.page.image().paramText(), params); // the window takes nothing
            QCOMPARE(bench.page.image().loadedSections, 0x01);
            QVERIFY(!bench.memoryOps().contains("R 0630"));
        } else {
            bench.tree.showHook = [](SectionTree &t) {
                t.ToggleNode(node(t, "0x0620"));
                return true;
            };
            QCOMPARE(bench.transfer.Upload(), ConfigTransfer::Done);
            bench.tree.showHook = nullptr;
            QVERIFY(!bench.memoryOps().contains("R 0620"));
        }
        bench.prompts.clear();
        QCOMPARE(bench.files.FileSave(bench.path("part.xml")), ConfigFiles::Done);
        const QByteArray saved = fileBytes(bench.path("part.xml"));
        QVERIFY(!QString::fromLatin1(saved).contains(QRegularExpression("0x0620\" length=\"16\">[0-9A-F]")));
        QVERIFY(saved.contains("0x0610\" length=\"16\">"));
        bench.sim->setMemory(0x0620, QByteArray(16, char(0x5A)));
        bench.sim->commit();
        bench.sent.clear();
        QCOMPARE(bench.transfer.Download(), ConfigTransfer::Done);
        QVERIFY2(bench.errors().isEmpty(), qPrintable(bench.errors().join(QLatin1Char('|'))));
        QStringList channelWrites;
        for (const QString &op : bench.memoryOps())
            if (op.startsWith("W 06"))
                channelWrites << op.mid(2, 4);
        QCOMPARE(channelWrites, written);
        QCOMPARE(bench.sim->nvMemory(0x0620, 16), QByteArray(16, char(0x5A)));
    }

    // The command-line download writes the document as the file holds it, nothing of the window.
    // Verify after writing reads back, once committed, exactly the blocks written, leaves the
    // fourth country code (not carried by files) out, and names a write the selector acknowledged
    // but did not keep, with both values.
    void verifyAfterWritingReadsBackTheWrittenBlocks_data()
    {
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<bool>("unreadable");
        QTest::newRow("kept") << false << false;
        QTest::newRow("write acknowledged, not stored") << true << false;
        QTest::newRow("stored, not readable back") << false << true;
    }
    void verifyAfterWritingReadsBackTheWrittenBlocks()
    {
        QFETCH(bool, dropped);
        QFETCH(bool, unreadable);
        FilesBench bench;
        bench.sim->setMemory(0x07A0, QByteArray::fromHex("0105"));
        bench.sim->setMemory(0x07B2, QByteArray("EUTKHRIT"));
        bench.sim->commit();
        const QByteArray head = "<!-- format=\"RX20/RX30\" -->\r\n<MachineData>\r\n<Group caption=\"G\">\r\n";
        writeFileBytes(bench.path("codes.xml"),
                       head +
                           "<Data caption=\"a\" address=\"0x07A0\" length=\"1\">03</Data>\r\n"
                           "<Data caption=\"b\" address=\"0x07A1\" length=\"1\">07</Data>\r\n"
                           "<Data caption=\"c\" address=\"0x07B2\" length=\"8\">4154484B48522E2E</Data>\r\n"
                           "</Group>\r\n</MachineData>\r\n");
        QCOMPARE(bench.files.FileOpen(bench.path("codes.xml")), ConfigFiles::Done);
        const int skipped = bench.tree.FindAddress("0x07A0");
        bench.transfer.writeFilter = [skipped](int node) { return node != skipped; };
        bench.transfer.verifyWrites = [] { return true; };
        if (dropped)
            bench.faultAt(0x07B2, Fault::DropWrite);
        if (unreadable)
            bench.faultAt(0x07B2, Fault::Nak, true);
        bench.prompts.clear();
        QCOMPARE(bench.transfer.Download(ConfigTransfer::Source::Document),
                 dropped || unreadable ? ConfigTransfer::Failed : ConfigTransfer::Done);
        QCOMPARE(bench.memoryOps(),
                 (QStringList{"W 07A1 07", "W 07B2 4154484B4852", "C", "R 07A1", "R 07B2"}));
        const QString wanted = QStringLiteral("4154484B4852");
        const QString held = QString::fromLatin1(QByteArray("EUTKHR").toHex().toUpper());
        if (unreadable) {
            QCOMPARE(bench.errors().size(), 1);
            QVERIFY2(bench.errors().first().endsWith("(0x07B2" + Msg(1082).section("(%2", 1)),
                     qPrintable(bench.errors().first()));
        } else if (dropped) {
            QCOMPARE(bench.errors().size(), 1);
            QVERIFY2(
                bench.errors().first().contains("(0x07B2) holds " + held + ", " + wanted + " was written"),
                qPrintable(bench.errors().first()));
        } else {
            QCOMPARE(bench.errors(), QStringList());
            QVERIFY(bench.prompts.allTexts().last().endsWith(Msg(1083).arg(2)));
            QCOMPARE(bench.sim->nvMemory(0x07B2, 8), QByteArray("ATHKHRIT"));
        }
    }

    // A failure mid-walk stops the walk, commits nothing and leaves permanent memory as it was.
    void downloadFailuresCommitNothing_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("address"); // the faulty command's; 0 for the commit
        QTest::addColumn<QString>("lastWrite");
        // The PIN level guards writes to the parameters only; the PIN given is wrong.
        QTest::newRow("wrong pin") << "Wrong Password" << -1 << 0x07A0 << "W 0738";
        QTest::newRow("commit refused") << "Error write to NV memory" << int(Fault::Nak) << 0 << "W 0839";
    }

    void downloadFailuresCommitNothing()
    {
        QFETCH(QString, message);
        QFETCH(int, kind);
        QFETCH(int, address);
        QFETCH(QString, lastWrite);
        FilesBench bench;
        QCOMPARE(bench.transfer.Upload(), ConfigTransfer::Done);
        bench.page.setParam(ConfigPage::Bonus2Value, 9);
        bench.sent.clear();
        bench.prompts.clear();
        if (kind < 0) {
            bench.sim->setMasks(QByteArray::fromHex("FFFFFFF7"));
            bench.sim->setPin(QByteArray::fromHex("12345678"));
            bench.prompts.queuePassword("87654321");
        } else {
            bench.faultAt(address, static_cast<Fault>(kind));
        }
        const QByteArray nvBefore = bench.sim->nvImage();
        QCOMPARE(bench.transfer.Download(), ConfigTransfer::Failed);
        QCOMPARE(bench.errors(), QStringList{message});
        const QStringList writes = bench.memoryOps().filter(QRegularExpression("^W "));
        QVERIFY2(writes.last().startsWith(lastWrite), qPrintable(writes.last()));
        QCOMPARE(bench.memoryOps().contains("C"), address == 0);
        QCOMPARE(bench.sim->nvImage(), nvBefore);
        // Blocks written before the failure reached working memory only.
        QCOMPARE(bench.sim->memory(0x07A4, 1) == QByteArray(1, 9), lastWrite > "W 07A4");
    }

    void downloadOfStatisticOptionsReadsThemBackAndCommitsEvenIfThatFails()
    {
        FilesBench bench;
        QCOMPARE(bench.transfer.Upload(), ConfigTransfer::Done);
        bench.takeOnly("Statistic options");
        bench.stats.chooseOption(4, 0);
        bench.sent.clear();
        bench.prompts.clear();
        bench.faultAt(0x0800, Fault::NoReply, true);
        QCOMPARE(bench.transfer.Download(), ConfigTransfer::Done);
        const QStringList ops = bench.memoryOps();
        QCOMPARE(ops.filter(QRegularExpression("^W 07[EF]. ..$")).size(), 20);
        QCOMPARE(ops.mid(20), (QStringList{"R 07EA", "R 0800", "C"}));
        QCOMPARE(bench.prompts.allTexts(), (QStringList{"Reading error", "Operation finished"}));
    }

    void badFilesChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: there is no such file
        QTest::addColumn<QString>("message");
        const QByteArray head = "<!-- format=\"RX20/RX30\" -->\r\n<MachineData>\r\n<Data caption=\"c\" ";
        const QString format = "File format error";
        QTest::newRow("missing") << QByteArray() << "bad.xml";
        QTest::newRow("empty") << QByteArray("") << format;
        QTest::newRow("no marker") << configFile({{"0x07A0", "05"}}, "format=\"RX10\"") << format;
        QTest::newRow("not hex") << configFile({{"0x07A0", "0G"}}) << "(0x07A0)";
        QTest::newRow("short channel") << head + "address=\"0x0600\" length=\"16\">0102"
                                       << "(0x0600)";
        // Markup after a Data line's first '>' must not reach the document's structure.
        QTest::newRow("markup in a value")
            << head + "address=\"0x06A0\" length=\"16\">01<Data caption=\"x\">02</Data>\r\n"
            << "is damaged (0x06A0)";
        QTest::newRow("line longer than the reader takes")
            << configFile({{"0x07A0", QByteArray(4096, '0')}}) << "Line too long on line 5";
        QTest::newRow("garbled channel and a broken duplicate")
            << fileBytes(
                   QStringLiteral(RX_TEST_DATA_DIR "/../fuzz/findings/config_open-empty-channel-written.xml"))
            << "is damaged (0x";
    }

    void badFilesChangeNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        FilesBench bench;
        QCOMPARE(bench.transfer.Upload(), ConfigTransfer::Done);
        const QMap<QString, QString> document = values(bench.tree);
        const QString params = bench.page.image().paramText();
        const int loaded = bench.page.image().loadedSections;
        writeFileBytes(bench.files.temporaryPath(), "previous");
        if (!content.isNull())
            writeFileBytes(bench.path("bad.xml"), content);
        bench.prompts.clear();
        QCOMPARE(bench.files.FileOpen(bench.path("bad.xml")), ConfigFiles::Failed);
        QVERIFY2(bench.errors().size() == 1 && bench.errors().first().contains(message),
                 qPrintable(bench.errors().join(QLatin1Char('|'))));
        QCOMPARE(bench.tree.windowCaption, "Upload from coin selector"); // the tree was not shown
        QCOMPARE(values(bench.tree), document);
        QCOMPARE(bench.page.image().paramText(), params);
        QCOMPARE(bench.page.image().loadedSections, loaded);
        QCOMPARE(fileBytes(bench.files.temporaryPath()), QByteArray("previous"));
    }

    // A box the user emptied cannot be encoded: neither a file nor the selector gets that channel.
    void aChannelWithAnEmptyBoxIsNeitherSavedNorWritten()
    {
        FilesBench bench;
        QCOMPARE(bench.transfer.Upload(), ConfigTransfer::Done);
        const QByteArray nv = bench.sim->nvImage();
        QVERIFY(bench.page.channelsForEdit().setBox(3, 0, " "));
        bench.prompts.clear();
        bench.sent.clear();
        QCOMPARE(bench.files.FileSave(bench.path("c.xml")), ConfigFiles::Failed);
        QCOMPARE(bench.transfer.Download(), ConfigTransfer::Failed);
        QCOMPARE(bench.errors(), QStringList(2, Msg(505).arg(3) + ": ''" + Msg(462)));
        QVERIFY(!QFile::exists(bench.path("c.xml")));
        QVERIFY(bench.memoryOps().isEmpty());
        QCOMPARE(bench.sim->nvImage(), nv);
    }

    void valuesAreNormalisedOnceTheTreeSaysOkAndOverlongOnesSendOnlyTheirLength()
    {
        FilesBench bench;
        const QString params = bench.page.image().paramText();
        const QString file = bench.path("narrow"); // a name without extension opens
        QByteArray content = configFile(
            {{"0x07A0", "5"}, {"0x07A1", "0c"}, {"0x07EA", "0a"}, {"0x0747", "0599AA"}}, "by hand");
        // The marker may stand in any comment.
        writeFileBytes(file, content.replace("<Group", "<!-- format=\"RX20/RX30\" -->\r\n<Group"));
        // Cancel in the tree: the window keeps what it had, and Upload reads nothing.
        bench.tree.showHook = [](SectionTree &) { return false; };
        QCOMPARE(bench.files.FileOpen(file), ConfigFiles::Cancelled);
        QCOMPARE(bench.page.image().paramText(), params);
        QCOMPARE(bench.transfer.Upload(), ConfigTransfer::Cancelled);
        QVERIFY(bench.memoryOps().isEmpty());
        bench.tree.showHook = nullptr;
        QCOMPARE(bench.files.FileOpen(file), ConfigFiles::Done);
        QCOMPARE(values(bench.tree).value("0x07A1"), "0C");
        QCOMPARE(values(bench.tree).value("0x0747"), "0599AA");
        QCOMPARE(bench.page.image().paramText().left(4), "050C");
        // What the file does not hold stays as the window had it.
        QCOMPARE(bench.page.image().paramText().mid(4), params.mid(4));
        QCOMPARE(states(bench.tree, {"0x07A0", "0x07A2", "Coin channels"}), "CEE");
        QCOMPARE(bench.page.image().statisticOptions.left(4), "0AFF");
        QCOMPARE(bench.page.image().loadedSections & 0x0E, 0x0E);
        QCOMPARE(bench.transfer.Download(), ConfigTransfer::Done);
        QVERIFY(bench.memoryOps().contains("W 0747 05"));
        QCOMPARE(bench.sim->nvMemory(0x0747, 2), QByteArray::fromHex("0500"));
    }

    void fileSaveAsksAboutTheFinalNameWritesNothingUntickedAndNeedsTheTemplate()
    {
        FilesBench bench;
        const QString existing = bench.path("cfg.xml");
        QCOMPARE(bench.transfer.Upload(), ConfigTransfer::Done);
        writeFileBytes(existing, "old");
        bench.prompts.queueFileName(bench.path("cfg.txt"));
        QCOMPARE(bench.files.FileSave(), ConfigFiles::Cancelled); // No to the question
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Confirm).filter(existing).size(), 1);
        QCOMPARE(fileBytes(existing), QByteArray("old"));
        QVERIFY(!QFile::exists(bench.path("cfg.txt")));
        bench.prompts.queueFileName(bench.path("cfg.txt"));
        bench.prompts.queueAnswer(Prompts::Answer::Yes);
        QCOMPARE(bench.files.FileSave(), ConfigFiles::Done);
        const QByteArray saved = fileBytes(existing);
        QXmlStreamReader xml(saved);
        int data = 0;
        while (!xml.atEnd())
            data += xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("Data");
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        // After an upload every block of the template is saved.
        QCOMPARE(data, int(fileBytes(bench.files.templatePath()).count("<Data caption")));

        // Nothing ticked, or no template: nothing is written.
        bench.tree.showHook = [](SectionTree &tree) {
            tree.ToggleNode(0);
            return true;
        };
        QCOMPARE(bench.files.FileSave(existing), ConfigFiles::Failed);
        QCOMPARE(bench.errors(), QStringList{"All buffers are empty"});
        writeFileBytes(bench.path("ok.xml"), configFile({{"0x07A0", "05"}}));
        QFile::remove(bench.files.templatePath());
        QCOMPARE(bench.files.FileOpen(bench.path("ok.xml")), ConfigFiles::Failed);
        QCOMPARE(bench.files.FileSave(existing), ConfigFiles::Failed);
        QCOMPARE(bench.errors().size(), 3);
        QVERIFY(bench.errors().at(1).contains("template.xml"));
        QCOMPARE(fileBytes(existing), saved);
    }
};

QTEST_GUILESS_MAIN(TestTransfer)
#include "test_transfer.moc"
