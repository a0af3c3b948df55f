#include "../files/FilesBench.h"

#include "stats/ErasingModel.h"
#include "stats/StatisticsExport.h"
#include "stats/XLSfile.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {

// The records of a BIFF stream as (type, body).
QList<QPair<int, QByteArray>> records(const QByteArray &data)
{
    QList<QPair<int, QByteArray>> out;
    for (int pos = 0; pos + 4 <= data.size();) {
        const int len = quint8(data[pos + 2]) | quint8(data[pos + 3]) << 8;
        out << qMakePair(quint8(data[pos]) | quint8(data[pos + 1]) << 8, data.mid(pos + 4, len));
        pos += 4 + len;
    }
    return out;
}

} // namespace

// The statistics page, its "Write", the erasing window's logic and the export against the
// simulated selector; the BIFF2 writer byte for byte and a real reader's view of its file.
class TestStatistics : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void readShowsOptionsAndCountersAndAFailedReadKeepsThem()
    {
        FilesBench bench;
        QByteArray counters;
        for (int k = 0; k < 60; ++k)
            counters.append(static_cast<char>(k < 57 ? k * 7 + 1 : 0xFF)); // the last counter is full
        bench.sim->setMemory(0x0800, counters);
        bench.page.imageForLoad().loadedSections = 0;
        QVERIFY(bench.stats.statisticsRead());
        QCOMPARE(bench.page.image().loadedSections, 0x08);
        const QByteArray options = bench.sim->memory(0x07EA, 20);
        for (int k = 1; k <= 20; ++k) {
            QCOMPARE(bench.stats.value(k), counters.mid(3 * (k - 1), 3).toHex().toUInt(nullptr, 16));
            QCOMPARE(bench.stats.optionCode(bench.stats.selection(k)).toInt(nullptr, 16),
                     int(quint8(options[k - 1])));
        }
        bench.sim->setMemory(0x0800, QByteArray(3, char(0x42)));
        bench.faultAt(0x07EA, Fault::NoReply);
        QVERIFY(!bench.stats.statisticsRead());
        QCOMPARE(bench.errors(), QStringList{"Reading error"});
        QCOMPARE(bench.stats.value(1), counters.left(3).toHex().toUInt(nullptr, 16));
        QCOMPARE(bench.stats.value(20), quint32(16777215));
    }

    void unknownCodeIsKeptAndItsCounterSurvivesWrite()
    {
        FilesBench bench;
        // Slot 3 carries a code no catalogue entry has; slot 5 changes.
        bench.sim->setMemory(0x07EC, QByteArray::fromHex("EE"));
        bench.sim->setMemory(0x0806, QByteArray::fromHex("000123"));
        QVERIFY(bench.stats.statisticsRead());
        QCOMPARE(bench.stats.selection(3), -1);
        const int other = bench.stats.selection(5) == 0 ? 1 : 0;
        bench.stats.chooseOption(5, other);
        bench.sent.clear();
        QVERIFY(bench.stats.writeButton());
        QCOMPARE(bench.stats.changedSlots(), 1u << 4);
        const QStringList ops = bench.memoryOps();
        QCOMPARE(ops.at(0).mid(7 + 4, 2), "EE");                          // slot 3 written back as loaded
        QCOMPARE(ops.at(0).mid(7 + 8, 2), bench.stats.optionCode(other)); // slot 5's new code
        QCOMPARE(ops.mid(1, 2), (QStringList{"W 080C 01", "C"}));
        QCOMPARE(bench.prompts.texts(ScriptedPrompts::Kind::Information), QStringList{"Operation finished"});
        QCOMPARE(bench.sim->nvMemory(0x0806, 3), QByteArray::fromHex("000123"));
    }

    void optionChangesEraseNoCounterAtFirstAndCodesCompareAsHex()
    {
        FilesBench bench;
        bench.stats.chooseOption(5, bench.stats.selection(5) + 1);
        QVERIFY(bench.stats.statisticsWrite());
        QCOMPARE(bench.stats.changedSlots(), 0u);
        QVERIFY(bench.memoryOps().size() == 1 && bench.memoryOps().at(0).startsWith("W 07EA "));

        IniFile ini(bench.page.rx30Path());
        QVERIFY(ini.writeValue("Statistic options", "Lower case", "0a"));
        QVERIFY(ini.writeValue("Statistic options", "Short", "7"));
        bench.stats.loadCatalogue(bench.page.rx30Path());
        const int lower = bench.stats.optionNames().indexOf("Lower case");
        const int shortCode = bench.stats.optionNames().indexOf("Short");
        QCOMPARE(bench.stats.optionCode(lower), "0A");
        bench.page.imageForLoad().statisticOptions = "0A07" + QString(36, QLatin1Char('F'));
        bench.stats.statisticsDisplay();
        QCOMPARE(bench.stats.selection(1), lower);
        QCOMPARE(bench.stats.selection(2), shortCode);
        bench.page.imageForLoad().statisticOptions = "0a07" + QString(36, QLatin1Char('F'));
        bench.stats.optionsUpdate();
        QCOMPARE(bench.stats.changedSlots() & 0x3u, 0u);
    }

    void erasingAsksThenWritesTheTickedRecordsAndCommits()
    {
        FilesBench bench;
        const QString ff(32, QLatin1Char('F'));
        ErasingModel erasing(bench.session, bench.page.channelsForEdit(), bench.prompts);
        erasing.setChannelChecked(2, true);
        erasing.setStatChecked(3, true);
        QVERIFY(!erasing.erase()); // No to the question: nothing is sent
        QVERIFY(bench.memoryOps().isEmpty());
        bench.prompts.queueAnswer(Prompts::Answer::Yes);
        QVERIFY(erasing.erase());
        QCOMPARE(bench.memoryOps(), (QStringList{"W 0610 " + ff, "W 0806 01", "C"}));
        QCOMPARE(bench.sim->nvMemory(0x0610, 16), QByteArray(16, char(0xFF)));
        QCOMPARE(bench.page.channels().row(2).direction, -1);
        QCOMPARE(bench.prompts.allTexts().last(), "Operation finished");
    }

    void cellsAreEncodedLittleEndianZeroBasedBetweenFrameRecordsAndFailedWritesSayWhere()
    {
        const QByteArray frame = QByteArray::fromHex("09080600 000010000000 00000800 0000e803 00006400");
        TXLSfile xls;
        QCOMPARE(xls.bytes(), frame + QByteArray::fromHex("0a000000"));
        xls.AddStrCell(2, 3, "Ab");
        xls.AddWordCell(300, 1, 0xBEEF);
        xls.AddStrCell(1, 1, QString());
        QCOMPARE(xls.bytes(), frame + QByteArray::fromHex("04000a00 0200 0100 000000 02 4162"
                                                          "02000900 0000 2b01 000000 efbe"
                                                          "04000800 0000 0000 000000 00"
                                                          "0a000000"));
        xls.Clear();
        // Text longer than its length byte can say is cut.
        xls.AddStrCell(1, 1, QString(300, QLatin1Char('x')));
        QCOMPARE(records(xls.bytes()).at(2).second,
                 QByteArray::fromHex("0000 0000 000000 ff") + QByteArray(255, 'x'));
        // Spreadsheet names end in ".xls"; a failed write says where.
        QCOMPARE(StatisticsExport::xlsFileName("stats.txt"), "stats.txt.xls");
        xls.FileName = m_dir.filePath("missing/dir/out.xls");
        QVERIFY(!xls.Write());
        QVERIFY(xls.errorString().contains(xls.FileName));
    }

    void exportHoldsIdentityAndEverySlotAndARealReaderSeesIt()
    {
        FilesBench bench;
        // 70000 does not fit a word cell; the other counters do. The serial number is unprogrammed.
        bench.sim->identity().serialNumber = 0xFFFFFF;
        bench.sim->setMemory(0x0800, QByteArray::fromHex("011170") + QByteArray(57, '\0'));
        QVERIFY(bench.stats.statisticsRead());
        const QString file = bench.path("stats.xls");
        QVERIFY(StatisticsExport::run(bench.link, bench.stats, bench.prompts, bench.path("stats")));
        const QByteArray bytes = fileBytes(file);
        const auto recs = records(bytes);
        QCOMPARE(recs.size(), 2 + 69 + 1);
        int words = 0;
        for (const auto &r : recs)
            words += r.first == TXLSfile::WordCellType;
        QCOMPARE(words, 19);
        QVERIFY(bytes.contains(QByteArray("\x05") + "70000"));
        QVERIFY(bytes.contains(bench.sim->identity().productCode));
        QVERIFY(bytes.contains("not programmed"));

        // The distribution's interpreter carries python3-xlrd; a user's own may not.
        const QString python = QStandardPaths::findExecutable("python3", {"/usr/bin"});
        if (python.isEmpty() || QProcess::execute(python, {"-c", "import xlrd"}) != 0)
            QSKIP("python3-xlrd is not installed");
        QProcess reader;
        reader.start(python,
                     {"-c",
                      "import sys, xlrd\n"
                      "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                      "print(s.cell_value(0,0), s.cell_value(1,1), s.cell_value(7,2), s.cell_value(8,2))\n",
                      file});
        QVERIFY(reader.waitForFinished(30000));
        QCOMPARE(reader.exitCode(), 0);
        // xlrd may first note the missing code page record; the cells are on the last line.
        const QString out = QString::fromLatin1(reader.readAllStandardOutput()).trimmed();
        QCOMPARE(out.split(QLatin1Char('\n')).last(),
                 QStringLiteral("Statistic data for: not programmed 70000 %1.0").arg(bench.stats.value(2)));
    }
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "test_statistics.moc"
