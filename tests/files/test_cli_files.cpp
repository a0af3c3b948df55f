#include "CliRun.h"
#include "FilesTestUtil.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The command-line file commands (upload, show, stats, download, erase, --log) end to end on the
// built-in simulated selector; diff and the file round trip run against rxsim (e2e_cli).
class TestCliFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    DataDirCli cli{m_dir.path()};

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        copyProgramFiles(m_dir.path());
        writeFileBytes(path("bad.xml"), "<MachineData></MachineData>\n");
    }

    void uploadSavesTheChosenSectionsShowDecodesAndStatsPrintsEverySlot()
    {
        QVERIFY2(cli({"--demo", "upload", "-o", path("unit.txt")}) == 0, qPrintable(cli.err));
        QCOMPARE(cli.out.trimmed(), path("unit.xml"));
        QVERIFY2(cli({"show", path("unit.xml")}) == 0, qPrintable(cli.err));
        for (const char *line :
             {"Standard configuration: ", "Credit: ", "Country Codes: ", "Channel 1: ", "\n  20\t"})
            QVERIFY2(cli.out.contains(QLatin1String(line)), line);
        QVERIFY2(cli({"--demo", "upload", "-o", path("stats.xml"), "--sections", "statistics"}) == 0,
                 qPrintable(cli.err));
        const QByteArray saved = fileBytes(path("stats.xml"));
        QCOMPARE(saved.count("<Data caption"), 40);
        QVERIFY(!saved.contains("0x0600"));
        QVERIFY2(cli({"--demo", "stats", "--xls", path("s")}) == 0, qPrintable(cli.err));
        const QStringList lines = cli.out.trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 20);
        for (int k = 1; k <= 20; ++k) {
            const QRegularExpression line(QStringLiteral("^%1\t[^\t]*\t\\d+$").arg(k));
            QVERIFY2(line.match(lines[k - 1]).hasMatch(), qPrintable(lines[k - 1]));
        }
        QVERIFY(QFile::exists(path("s.xls")));
    }

    // A file that holds one block shows that block alone, names what it lacks, and a file cut
    // short is refused before anything is sent.
    void partialFilesShowOnlyWhatTheyHoldAndCutFilesAreRefused()
    {
        const QByteArray credit =
            "<?xml version=\"1.0\"?>\r\n<!-- format=\"RX20/RX30\" -->\r\n<MachineData>\r\n"
            "<Group caption=\"Common parameters\">\r\n"
            "<Data caption=\"Credit\" address=\"0x07A0\" length=\"1\">07</Data>\r\n"
            "</Group>\r\n</MachineData>\r\n";
        writeFileBytes(path("credit.xml"), credit);
        QVERIFY2(cli({"show", path("credit.xml")}) == 0, qPrintable(cli.err));
        QVERIFY2(cli.out.contains("  Credit: 7\n"), qPrintable(cli.out));
        for (const char *absent : {"Bonus 1 level", "Standard configuration", "Country Codes", "Channel 1"})
            QVERIFY2(!cli.out.contains(QLatin1String(absent)), absent);
        QVERIFY2(
            cli.out.contains("Not in the file: Coin channels, I/O lines, Country codes, Operating modes, "
                             "Statistics\n"),
            qPrintable(cli.out));
        QVERIFY2(cli({"--demo", "download", path("credit.xml")}) == 0, qPrintable(cli.err));
        writeFileBytes(path("cut.xml"), credit.left(credit.indexOf("address=")));
        QCOMPARE(cli({"--demo", "download", path("cut.xml")}), 3);
        QVERIFY2(cli.err.contains("is not a whole configuration file"), qPrintable(cli.err));
    }

    // Runs after the upload above has saved unit.xml and stats.xml.
    void commandsEndWithTheirStatus_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString unit = path("unit.xml");
        QTest::newRow("download chosen sections")
            << QStringList{"download", unit, "--sections", "Coin channels,Configuration"} << 0
            << "Operation finished";
        QTest::newRow("unknown section")
            << QStringList{"download", unit, "--sections", "Coins"} << 2 << "Unknown section: Coins";
        QTest::newRow("bad file") << QStringList{"download", path("bad.xml")} << 3 << "File format error";
        QTest::newRow("existing file needs a yes")
            << QStringList{"upload", "-o", path("stats.xml")} << 3 << "already exists";
        QTest::newRow("erase needs a yes")
            << QStringList{"erase", "--stats", "1"} << 4 << "Declined: nothing was changed.";
        QTest::newRow("erase") << QStringList{"--yes", "erase", "--channels", "1,3-4", "--stats", "all"} << 0
                               << "Operation finished";
        QTest::newRow("log file that cannot be written")
            << QStringList{"--log", path("missing/dir/x.log"), "identify"} << 3
            << "Cannot write the exchange log: ";
    }

    void commandsEndWithTheirStatus()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        QVERIFY2(cli(QStringList{"--demo"} + args) == status, qPrintable(cli.err));
        QVERIFY2(cli.err.contains(message), qPrintable(cli.err));
    }
};

QTEST_GUILESS_MAIN(TestCliFiles)
#include "test_cli_files.moc"
