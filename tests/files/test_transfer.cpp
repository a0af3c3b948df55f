#include "FilesBench.h"

#include <QtTest>

namespace {

// A deterministic image for the configuration memory: channels, I/O lines and parameters
// of the simulator's default, with channel records and counters varied.
void vary(SelectorSim *sim)
{
    QByteArray channels;
    for (int i = 0; i < 256; ++i)
        channels.append(static_cast<char>((i * 37 + 11) & 0xFF));
    // Sorter paths the window can show: 0..8, or none.
    for (int n = 0; n < 16; ++n)
        channels[16 * n + 13] = static_cast<char>(n < 9 ? n : 0xFF);
    sim->setMemory(0x0600, channels);
    QByteArray counters;
    for (int i = 0; i < 60; ++i)
        counters.append(static_cast<char>((i * 13 + 5) & 0xFF));
    sim->setMemory(0x0800, counters);
    sim->setMemory(0x0744, QByteArray::fromHex("A1B2C306"));
    // The window edits three country codes; the fourth always goes out as "..".
    sim->setMemory(0x07B2, QByteArray("EUTKHR.."));
    sim->commit();
}

} // namespace

// Upload and Download against the simulated selector through the real link, and what
// survives each failure.
class TestTransfer : public QObject
{
    Q_OBJECT

private slots:
    void uploadSaveOpenDownloadUploadGivesIdenticalDocuments()
    {
        QMap<QString, QString> first;
        QByteArray source;
        QString saved;
        QTemporaryDir keep;
        {
            FilesBench a;
            vary(a.sim);
            QCOMPARE(a.transfer->Upload(), ConfigTransfer::Done);
            QVERIFY2(a.prompts.texts(ScriptedPrompts::Kind::Information)
                         .contains(QStringLiteral("Operation finished")),
                     qPrintable(a.prompts.allTexts().join(QLatin1Char('|'))));
            QCOMPARE(a.page->image().loadedSections, 0x0F);
            first = a.values();
            // Every block holds the selector's bytes.
            QCOMPARE(first.value(QStringLiteral("0x0610")),
                     QString::fromLatin1(a.sim->memory(0x0610, 16).toHex().toUpper()));
            QCOMPARE(first.value(QStringLiteral("0x0744")), QStringLiteral("A1B2C3"));
            QCOMPARE(first.value(QStringLiteral("0x0839")),
                     QString::fromLatin1(a.sim->memory(0x0839, 3).toHex().toUpper()));
            QCOMPARE(a.page->image().modeByte, 0x06);
            QCOMPARE(a.stats->value(2), a.sim->memory(0x0803, 3).toHex().toUInt(nullptr, 16));
            saved = keep.filePath(QStringLiteral("unit.xml"));
            QCOMPARE(a.files->FileSave(saved), ConfigFiles::Done);
            source = a.sim->nvMemory(0x0600, 0x240);
        }
        FilesBench b(QStringLiteral("FILESIM2"));
        b.sim->setMemory(0x0600, QByteArray(0x0174, char(0xFF)));
        b.sim->commit();
        QCOMPARE(b.files->FileOpen(saved), ConfigFiles::Done);
        QCOMPARE(b.transfer->Download(), ConfigTransfer::Done);
        QVERIFY(b.watch.memoryOps().contains(QStringLiteral("C")));
        // What the template moves is now stored in the second selector, factory data untouched.
        for (auto it = first.begin(); it != first.end(); ++it) {
            const int address = it.key().mid(2).toInt(nullptr, 16);
            QCOMPARE(QString::fromLatin1(b.sim->nvMemory(address, it.value().size() / 2).toHex().toUpper()),
                     it.value());
        }
        QCOMPARE(b.sim->nvMemory(0x0774, 4), QByteArray::fromHex("FFFFFFFF"));
        QCOMPARE(b.transfer->Upload(), ConfigTransfer::Done);
        QCOMPARE(b.values(), first);
        Q_UNUSED(source);
    }

    void uploadFailingOnThirdBlockKeepsWindowAndMarksOnlyBlocksRead()
    {
        FilesBench bench;
        const QString before = bench.page->image().paramText();
        const int loadedBefore = bench.page->image().loadedSections;
        bench.faultAt(0x0620, SelectorSim::FaultKind::NoReply);
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Failed);
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error),
                 QStringList{QStringLiteral("Error reading data")});
        QCOMPARE(bench.page->image().paramText(), before);
        QCOMPARE(bench.page->image().loadedSections, loadedBefore | 0x01);
        const QMap<QString, QString> doc = bench.values();
        QCOMPARE(doc.value(QStringLiteral("0x0600")).size(), 32);
        QCOMPARE(doc.value(QStringLiteral("0x0610")).size(), 32);
        QVERIFY(doc.value(QStringLiteral("0x0620")).isEmpty());
        QVERIFY(!bench.watch.memoryOps().contains(QStringLiteral("R 0630")));
    }

    void uploadWithChannelsUntickedLeavesChannelsAlone()
    {
        FilesBench bench;
        const ChannelRow rowBefore = bench.page->channels().row(1);
        bench.tree.showHook = [&bench](SectionTree &tree) {
            tree.ToggleNode(bench.nodeByCaption(QStringLiteral("Coin channels")));
            return true;
        };
        const int loadedBefore = bench.page->image().loadedSections;
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Done);
        QCOMPARE(bench.page->image().loadedSections & 0x01, loadedBefore & 0x01);
        QCOMPARE(bench.page->channels().row(1).boxes, rowBefore.boxes);
        const QStringList ops = bench.watch.memoryOps();
        QVERIFY(!ops.join(QLatin1Char(',')).contains(QStringLiteral("R 06")));
        QCOMPARE(ops.first(), QStringLiteral("R 0700")); // template order
        QVERIFY(ops.contains(QStringLiteral("R 0747")));
        QCOMPARE(bench.tree.windowCaption, QStringLiteral("Upload from coin selector"));
    }

    void uploadCancelledReadsNothing()
    {
        FilesBench bench;
        bench.tree.showHook = [](SectionTree &) { return false; };
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Cancelled);
        QVERIFY(bench.watch.memoryOps().isEmpty() ||
                !bench.watch.memoryOps().join(QString()).contains(QLatin1Char('R')));
        QVERIFY(bench.prompts.allTexts().isEmpty());
    }

    void noSelectorMeansNothingChanges()
    {
        FilesBench bench;
        bench.sim->setAddress(9);
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::NotFound);
        QVERIFY(bench.prompts.texts(ScriptedPrompts::Kind::Error)
                    .contains(QStringLiteral("Coin selector not found!")));
        QCOMPARE(bench.transfer->Download(), ConfigTransfer::NotFound);
    }

    void downloadWithEverythingEmptyShowsNoTree()
    {
        FilesBench bench;
        bench.page->imageForLoad().loadedSections = 0;
        bool shown = false;
        bench.tree.showHook = [&shown](SectionTree &) { return shown = true; };
        QCOMPARE(bench.transfer->Download(), ConfigTransfer::NothingToSend);
        QVERIFY(!shown);
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error),
                 QStringList{QStringLiteral("All buffers are empty")});
        QVERIFY(!bench.watch.memoryOps().contains(QStringLiteral("C")));
    }

    void downloadFailuresCommitNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("nak") << int(SelectorSim::FaultKind::Nak) << QStringLiteral("Writing error");
        QTest::newRow("silence") << int(SelectorSim::FaultKind::NoReply) << QStringLiteral("Writing error");
        QTest::newRow("corrupt") << int(SelectorSim::FaultKind::CorruptChecksum)
                                 << QStringLiteral("Writing error");
    }

    void downloadFailuresCommitNothing()
    {
        QFETCH(int, kind);
        QFETCH(QString, message);
        FilesBench bench;
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Done);
        bench.page->setParam(ConfigPage::Bonus1Value, 7);
        const QByteArray nvBefore = bench.sim->nvImage();
        bench.watch.sent.clear();
        bench.prompts.clear();
        bench.faultAt(0x0708, static_cast<SelectorSim::FaultKind>(kind));
        QCOMPARE(bench.transfer->Download(), ConfigTransfer::Failed);
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error), QStringList{message});
        const QStringList ops = bench.watch.memoryOps();
        QVERIFY(!ops.contains(QStringLiteral("C")));
        QVERIFY(!ops.join(QLatin1Char(',')).contains(QStringLiteral("W 0710")));
        QCOMPARE(bench.sim->nvImage(), nvBefore);
    }

    void downloadRefusedByWrongPinShowsOnlyTheCheck()
    {
        FilesBench bench;
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Done);
        // PIN level demanded for writing the parameter region only.
        bench.sim->setMasks(QByteArray::fromHex("FFFFFFF7"));
        bench.sim->setPin(QByteArray::fromHex("12345678"));
        const QByteArray nvBefore = bench.sim->nvImage();
        bench.prompts.clear();
        bench.prompts.queuePassword(QStringLiteral("87654321"));
        QCOMPARE(bench.transfer->Download(), ConfigTransfer::Failed);
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error),
                 QStringList{QStringLiteral("Wrong Password")});
        QVERIFY(!bench.watch.memoryOps().contains(QStringLiteral("C")));
        QCOMPARE(bench.sim->nvImage(), nvBefore);
        // Blocks before the refused one were written to working memory only.
        QVERIFY(bench.watch.memoryOps().join(QLatin1Char(',')).contains(QStringLiteral("W 0738")));
    }

    void downloadOfStatisticOptionsReadsThemBack()
    {
        FilesBench bench;
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Done);
        bench.tree.showHook = [&bench](SectionTree &tree) {
            tree.ToggleNode(0);
            tree.ToggleNode(bench.nodeByCaption(QStringLiteral("Statistic options")));
            return true;
        };
        bench.watch.sent.clear();
        bench.stats->chooseOption(4, 0);
        QCOMPARE(bench.transfer->Download(), ConfigTransfer::Done);
        const QStringList ops = bench.watch.memoryOps();
        QCOMPARE(ops.size(), 20 + 2 + 1);
        QVERIFY(ops.at(0).startsWith(QStringLiteral("W 07EA ")));
        QCOMPARE(ops.at(20), QStringLiteral("R 07EA"));
        QCOMPARE(ops.at(21), QStringLiteral("R 0800"));
        QCOMPARE(ops.at(22), QStringLiteral("C"));
    }

    void commitFailureAfterAllBlocksIsReported()
    {
        FilesBench bench;
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Done);
        bench.page->setParam(ConfigPage::Bonus2Value, 9);
        const QByteArray nvBefore = bench.sim->nvImage();
        bench.prompts.clear();
        bench.watch.onSend = [&bench](const QByteArray &frame) {
            if (frame.size() == 6 && quint8(frame[3]) == 255 && quint8(frame[4]) == 3)
                bench.sim->injectFault(FilesBench::fault(SelectorSim::FaultKind::Nak));
        };
        QCOMPARE(bench.transfer->Download(), ConfigTransfer::Failed);
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error),
                 QStringList{QStringLiteral("Error write to NV memory")});
        QCOMPARE(bench.sim->nvImage(), nvBefore);
        QCOMPARE(quint8(bench.sim->memory(0x07A4, 1).at(0)), quint8(9)); // written, not stored
    }

    void failedStatisticsReadBackStillCommits()
    {
        FilesBench bench;
        QCOMPARE(bench.transfer->Upload(), ConfigTransfer::Done);
        bench.prompts.clear();
        bench.watch.sent.clear();
        int optionWrites = 0;
        bench.watch.onSend = [&bench, &optionWrites](const QByteArray &frame) {
            if (frame.size() >= 8 && quint8(frame[3]) == 255 && quint8(frame[5]) == 0x07 &&
                quint8(frame[6]) == 0xEA) {
                // The read of the options that follows the writes goes unanswered.
                if (quint8(frame[4]) == 2)
                    bench.sim->injectFault(FilesBench::fault(SelectorSim::FaultKind::NoReply));
                else
                    ++optionWrites;
            }
        };
        QCOMPARE(bench.transfer->Download(), ConfigTransfer::Done);
        QCOMPARE(optionWrites, 1);
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error),
                 QStringList{QStringLiteral("Reading error")});
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Information),
                 QStringList{QStringLiteral("Operation finished")});
        QCOMPARE(bench.watch.memoryOps().last(), QStringLiteral("C"));
    }

    void overlongValueSendsOnlyItsBlockLength()
    {
        FilesBench bench;
        QFile file(bench.path(QStringLiteral("long.xml")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<!-- format=\"RX20/RX30\" -->\r\n<MachineData>\r\n<Group caption=\"x\">\r\n"
                   "<Data caption=\"y\" address=\"0x0747\" "
                   "length=\"1\">0599AA</Data>\r\n</Group>\r\n</MachineData>\r\n");
        file.close();
        bench.page->imageForLoad().loadedSections = 0;
        QCOMPARE(bench.files->FileOpen(file.fileName()), ConfigFiles::Done);
        QCOMPARE(bench.values().value(QStringLiteral("0x0747")), QStringLiteral("0599AA"));
        QCOMPARE(bench.page->stopModeText(), QStringLiteral("Mode 1"));
        QCOMPARE(bench.page->autoprogText(), QStringLiteral("Mode 1"));
        QCOMPARE(bench.transfer->Download(), ConfigTransfer::Done);
        QVERIFY(bench.watch.memoryOps().contains(QStringLiteral("W 0747 05")));
        QCOMPARE(bench.sim->nvMemory(0x0747, 2), QByteArray::fromHex("0500"));
    }
};

QTEST_GUILESS_MAIN(TestTransfer)
#include "test_transfer.moc"
