#include "../files/FilesBench.h"

#include "stats/ErasingModel.h"
#include "stats/StatisticsExport.h"
#include "stats/XLSfile.h"

#include <QtTest>

// The statistics page, its "Write", the erasing window's logic and the export, against the
// simulated selector.
class TestStatistics : public QObject
{
    Q_OBJECT

    static int indexOfCode(const StatisticsPage &page, const QString &code)
    {
        for (int i = 0; i < page.optionNames().size(); ++i) {
            if (page.optionCode(i) == code)
                return i;
        }
        return -1;
    }

private slots:
    void readShowsOptionsAndCounters()
    {
        FilesBench bench;
        QByteArray counters;
        for (int k = 0; k < 60; ++k)
            counters.append(static_cast<char>(k * 7 + 1));
        bench.sim->setMemory(0x0800, counters);
        bench.page->imageForLoad().loadedSections = 0;
        QVERIFY(bench.stats->statisticsRead());
        QCOMPARE(bench.page->image().loadedSections, 0x08);
        const QByteArray options = bench.sim->memory(0x07EA, 20);
        for (int k = 1; k <= 20; ++k) {
            QCOMPARE(bench.stats->value(k), counters.mid(3 * (k - 1), 3).toHex().toUInt(nullptr, 16));
            const QString code = QString::fromLatin1(options.mid(k - 1, 1).toHex().toUpper());
            const int expected = indexOfCode(*bench.stats, code);
            QCOMPARE(bench.stats->selection(k), expected);
        }
        bench.sim->setMemory(0x0800, QByteArray(60, char(0xFF)));
        QVERIFY(bench.stats->statisticsRead());
        QCOMPARE(bench.stats->value(20), quint32(16777215));
    }

    void readFailureKeepsThePage()
    {
        FilesBench bench;
        QVERIFY(bench.stats->statisticsRead());
        const quint32 before = bench.stats->value(1);
        bench.sim->setMemory(0x0800, QByteArray(3, char(0x42)));
        bench.sim->injectFault(FilesBench::fault(SelectorSim::FaultKind::NoReply, 255));
        QVERIFY(!bench.stats->statisticsRead());
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error),
                 QStringList{QStringLiteral("Reading error")});
        QCOMPARE(bench.stats->value(1), before);
    }

    void unknownCodeIsKeptAndItsCounterSurvivesWrite()
    {
        FilesBench bench;
        // Slot 3 carries a code no catalogue entry has; slot 5 changes.
        bench.sim->setMemory(0x07EC, QByteArray::fromHex("EE"));
        bench.sim->setMemory(0x0806, QByteArray::fromHex("000123"));
        QVERIFY(bench.stats->statisticsRead());
        QCOMPARE(bench.stats->selection(3), -1);
        QVERIFY(bench.stats->selectedName(3).isEmpty());
        const int other = bench.stats->selection(5) == 0 ? 1 : 0;
        bench.stats->chooseOption(5, other);
        bench.watch.sent.clear();
        QVERIFY(bench.stats->writeButton());
        QCOMPARE(bench.stats->changedSlots(), 1u << 4);
        const QStringList ops = bench.watch.memoryOps();
        QVERIFY(ops.at(0).startsWith(QStringLiteral("W 07EA ")));
        QCOMPARE(ops.at(0).mid(7 + 4, 2), QStringLiteral("EE"));           // slot 3 written back as loaded
        QCOMPARE(ops.at(0).mid(7 + 8, 2), bench.stats->optionCode(other)); // slot 5's new code
        QCOMPARE(ops.at(1), QStringLiteral("W 080C 01"));                  // only slot 5 erased
        QCOMPARE(ops.at(2), QStringLiteral("C"));
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Information).last(),
                 QStringLiteral("Operation finished"));
        QCOMPARE(bench.sim->nvMemory(0x0806, 3), QByteArray::fromHex("000123"));
    }

    void codesCompareAsHexValues()
    {
        FilesBench bench;
        IniFile ini(bench.page->rx30Path());
        QVERIFY(ini.writeValue(QStringLiteral("Statistic options"), QStringLiteral("Lower case"),
                               QStringLiteral("0a")));
        QVERIFY(ini.writeValue(QStringLiteral("Statistic options"), QStringLiteral("Short"),
                               QStringLiteral("7")));
        bench.stats->loadCatalogue(bench.page->rx30Path());
        const int lower = bench.stats->optionNames().indexOf(QStringLiteral("Lower case"));
        const int shortCode = bench.stats->optionNames().indexOf(QStringLiteral("Short"));
        QVERIFY(lower >= 0 && shortCode >= 0);
        QCOMPARE(bench.stats->optionCode(lower), QStringLiteral("0A"));
        bench.page->imageForLoad().statisticOptions = QStringLiteral("0A07") + QString(36, QLatin1Char('F'));
        bench.stats->statisticsDisplay();
        QCOMPARE(bench.stats->selection(1), lower);
        QCOMPARE(bench.stats->selection(2), shortCode);
        bench.page->imageForLoad().statisticOptions = QStringLiteral("0a07") + QString(36, QLatin1Char('F'));
        bench.stats->optionsUpdate();
        QCOMPARE(bench.stats->changedSlots() & 0x3u, 0u);
    }

    void writeAfterStartErasesNoCounter()
    {
        FilesBench bench;
        QVERIFY(bench.page->image().statisticOptions.isEmpty());
        bench.stats->chooseOption(5, 1);
        QVERIFY(bench.stats->statisticsWrite());
        QCOMPARE(bench.stats->changedSlots(), 0u);
        const QStringList ops = bench.watch.memoryOps();
        QCOMPARE(ops.size(), 1);
        QVERIFY(ops.at(0).startsWith(QStringLiteral("W 07EA ")));
    }

    void writeRefusedBySelectorIsReported()
    {
        FilesBench bench;
        QVERIFY(bench.stats->statisticsRead());
        bench.sim->injectFault(FilesBench::fault(SelectorSim::FaultKind::Nak, 255));
        QVERIFY(!bench.stats->statisticsWrite());
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error),
                 QStringList{QStringLiteral("Writing error")});
    }

    void changingAnOptionMarksStatisticsLoaded()
    {
        FilesBench bench;
        bench.page->imageForLoad().loadedSections = 0;
        bench.stats->chooseOption(7, bench.stats->selection(7));
        QCOMPARE(bench.page->image().loadedSections, 0);
        bench.stats->chooseOption(7, bench.stats->selection(7) + 1);
        QCOMPARE(bench.page->image().loadedSections, 0x08);
    }

    void erasingChannelsAndCountersThenCommit()
    {
        FilesBench bench;
        ErasingModel erasing(*bench.session, bench.page->channelsForEdit(), bench.prompts);
        erasing.setChannelChecked(2, true);
        erasing.setStatChecked(3, true);
        // No: nothing is sent.
        QVERIFY(!erasing.erase());
        QVERIFY(bench.watch.memoryOps().isEmpty());
        bench.prompts.queueAnswer(Prompts::Answer::Yes);
        QVERIFY(erasing.erase());
        QCOMPARE(bench.watch.memoryOps(),
                 (QStringList{QStringLiteral("W 0610 ") + QString(32, QLatin1Char('F')),
                              QStringLiteral("W 0806 01"), QStringLiteral("C")}));
        QCOMPARE(bench.sim->nvMemory(0x0610, 16), QByteArray(16, char(0xFF)));
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Information),
                 QStringList{QStringLiteral("Operation finished")});
        QCOMPARE(bench.page->channels().row(2).direction, -1);
    }

    void erasingWithNothingTickedStillCommits()
    {
        FilesBench bench;
        ErasingModel erasing(*bench.session, bench.page->channelsForEdit(), bench.prompts);
        erasing.setAllStats(true);
        erasing.setAllStats(false);
        bench.prompts.queueAnswer(Prompts::Answer::Yes);
        QVERIFY(erasing.erase());
        QCOMPARE(bench.watch.memoryOps(), QStringList{QStringLiteral("C")});
    }

    void erasingStopsAtFirstFailureAndStaysOpen()
    {
        FilesBench bench;
        ErasingModel erasing(*bench.session, bench.page->channelsForEdit(), bench.prompts);
        erasing.setAllChannels(true);
        QVERIFY(erasing.channelChecked(16));
        bench.faultAt(0x0620, SelectorSim::FaultKind::Nak);
        bench.prompts.queueAnswer(Prompts::Answer::Yes);
        QVERIFY(!erasing.erase());
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Error),
                 QStringList{QStringLiteral("Error erase channels")});
        const QStringList ops = bench.watch.memoryOps();
        QCOMPARE(ops.size(), 3);
        QVERIFY(!ops.contains(QStringLiteral("C")));
    }

    void exportWritesIdentityAndSlots()
    {
        FilesBench bench;
        bench.sim->setMemory(0x0800, QByteArray::fromHex("01117000"));
        QVERIFY(bench.stats->statisticsRead());
        QVERIFY(bench.session->Identify());
        const QString chosen = bench.path(QStringLiteral("stats"));
        bench.prompts.queueFileName(chosen);
        QVERIFY(StatisticsExport::run(bench.link, *bench.stats, bench.prompts));
        QFile file(chosen + QStringLiteral(".xls"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.contains(bench.sim->identity().productCode));
        QVERIFY(bytes.contains(QByteArray::number(bench.sim->identity().serialNumber)));
        QVERIFY(bytes.contains("Statistic data for:"));
        QVERIFY(bytes.contains("\x05"
                               "70000")); // 0x011170 kept whole as text
        // Again, with an unprogrammed serial number, over the first file after a Yes.
        bench.sim->identity().serialNumber = 0xFFFFFF;
        bench.prompts.queueFileName(chosen + QStringLiteral(".xls"));
        QVERIFY(!StatisticsExport::run(bench.link, *bench.stats, bench.prompts)); // No to the overwrite
        bench.prompts.queueFileName(chosen + QStringLiteral(".xls"));
        bench.prompts.queueAnswer(Prompts::Answer::Yes);
        QVERIFY(StatisticsExport::run(bench.link, *bench.stats, bench.prompts));
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("\x0e"
                                        "not programmed"));
    }
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "test_statistics.moc"
