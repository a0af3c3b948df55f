#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The command-line file commands end to end on the built-in simulated selector.
class TestCliFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    struct Run
    {
        int status;
        QString out;
        QString err;
    };

    Run cli(const QStringList &args)
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.start(QStringLiteral(RX_BINARY_DIR "/tools/rxconfig-cli/rxconfig-cli"),
                QStringList{QStringLiteral("--data-dir"), m_dir.path()} + args);
        if (!p.waitForFinished(120000))
            return {-1, QString(), QStringLiteral("did not finish")};
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        for (const char *name : {"rx30.ini", "io.ini", "template.xml"}) {
            QVERIFY(QFile::copy(QStringLiteral(RX_TEST_DATA_DIR "/") + QLatin1String(name),
                                path(QLatin1String(name))));
            QFile(path(QLatin1String(name))).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
    }

    void uploadThenShowDecodesTheFile()
    {
        const Run up = cli({QStringLiteral("--demo"), QStringLiteral("upload"), QStringLiteral("-o"),
                            path(QStringLiteral("unit.txt"))});
        QVERIFY2(up.status == 0, qPrintable(up.err));
        QCOMPARE(up.out.trimmed(), path(QStringLiteral("unit.xml")));
        const Run show = cli({QStringLiteral("show"), path(QStringLiteral("unit.xml"))});
        QVERIFY2(show.status == 0, qPrintable(show.err));
        QVERIFY(show.out.contains(QStringLiteral("Standard configuration: ")));
        QVERIFY(show.out.contains(QStringLiteral("Credit: ")));
        QVERIFY(show.out.contains(QStringLiteral("Country Codes: ")));
        QVERIFY(show.out.contains(QStringLiteral("Channel 1: ")));
        QVERIFY(show.out.contains(QStringLiteral("\n  20\t")));
    }

    void sectionsLimitWhatIsSaved()
    {
        const Run up = cli({QStringLiteral("--demo"), QStringLiteral("upload"), QStringLiteral("-o"),
                            path(QStringLiteral("stats.xml")), QStringLiteral("--sections"),
                            QStringLiteral("statistics")});
        QVERIFY2(up.status == 0, qPrintable(up.err));
        QFile f(path(QStringLiteral("stats.xml")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray saved = f.readAll();
        QCOMPARE(saved.count("<Data caption"), 40);
        QVERIFY(!saved.contains("0x0600"));
        // Overwriting needs a Yes.
        const Run again = cli({QStringLiteral("--demo"), QStringLiteral("upload"), QStringLiteral("-o"),
                               path(QStringLiteral("stats.xml"))});
        QVERIFY(again.status != 0);
        QVERIFY(again.err.contains(QStringLiteral("already exists")));
    }

    void downloadOfAFileAndUsageErrors()
    {
        QVERIFY(QFile::exists(path(QStringLiteral("unit.xml"))));
        const Run down =
            cli({QStringLiteral("--demo"), QStringLiteral("download"), path(QStringLiteral("unit.xml")),
                 QStringLiteral("--sections"), QStringLiteral("Coin channels,Configuration")});
        QVERIFY2(down.status == 0, qPrintable(down.err));
        QVERIFY(down.err.contains(QStringLiteral("Operation finished")));
        const Run unknown =
            cli({QStringLiteral("--demo"), QStringLiteral("download"), path(QStringLiteral("unit.xml")),
                 QStringLiteral("--sections"), QStringLiteral("Coins")});
        QCOMPARE(unknown.status, 2);
        QVERIFY(unknown.err.contains(QStringLiteral("Unknown section: Coins")));
        QFile bad(path(QStringLiteral("bad.xml")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("<MachineData></MachineData>\n");
        bad.close();
        const Run format = cli({QStringLiteral("--demo"), QStringLiteral("download"), bad.fileName()});
        QCOMPARE(format.status, 3);
        QVERIFY(format.err.contains(QStringLiteral("File format error")));
    }

    void statsPrintsTwentySlotsAndExports()
    {
        const Run stats = cli({QStringLiteral("--demo"), QStringLiteral("stats"), QStringLiteral("--xls"),
                               path(QStringLiteral("s"))});
        QVERIFY2(stats.status == 0, qPrintable(stats.err));
        const QStringList lines = stats.out.trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 20);
        for (int k = 1; k <= 20; ++k) {
            const QStringList cols = lines[k - 1].split(QLatin1Char('\t'));
            QCOMPARE(cols.size(), 3);
            QCOMPARE(cols[0], QString::number(k));
            bool ok = false;
            cols[2].toUInt(&ok);
            QVERIFY(ok);
        }
        QVERIFY(QFile::exists(path(QStringLiteral("s.xls"))));
    }

    void eraseNeedsYesAndValidLists()
    {
        QCOMPARE(cli({QStringLiteral("--demo"), QStringLiteral("erase"), QStringLiteral("--channels"),
                      QStringLiteral("3-1")})
                     .status,
                 2);
        QCOMPARE(cli({QStringLiteral("--demo"), QStringLiteral("erase"), QStringLiteral("--stats"),
                      QStringLiteral("21")})
                     .status,
                 2);
        const Run no = cli({QStringLiteral("--demo"), QStringLiteral("erase"), QStringLiteral("--stats"),
                            QStringLiteral("1")});
        QVERIFY(no.status != 0);
        const Run yes = cli({QStringLiteral("--demo"), QStringLiteral("--yes"), QStringLiteral("erase"),
                             QStringLiteral("--channels"), QStringLiteral("1,3-4"), QStringLiteral("--stats"),
                             QStringLiteral("all")});
        QVERIFY2(yes.status == 0, qPrintable(yes.err));
        QVERIFY(yes.err.contains(QStringLiteral("Operation finished")));
    }
};

QTEST_GUILESS_MAIN(TestCliFiles)
#include "test_cli_files.moc"
