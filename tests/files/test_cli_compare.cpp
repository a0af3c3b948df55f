#include "FilesTestUtil.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// diff, download --changed-only and --log end to end on the built-in simulated selector.
class TestCliCompare : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_out;
    QString m_err;

    int cli(const QStringList &args)
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.start(QStringLiteral(RX_BINARY_DIR "/tools/rxconfig-cli/rxconfig-cli"),
                QStringList{"--data-dir", m_dir.path()} + args);
        const bool finished = p.waitForFinished(120000);
        m_out = QString::fromLocal8Bit(p.readAllStandardOutput());
        m_err = QString::fromLocal8Bit(p.readAllStandardError());
        return finished ? p.exitCode() : -1;
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QStringList logLines(const QString &name, const QString &containing) const
    {
        QStringList out;
        for (const QString &l : QString::fromUtf8(readAll(path(name))).split(u'\n'))
            if (l.contains(containing))
                out << l;
        return out;
    }

private slots:
    void initTestCase() { copyProgramFiles(m_dir.path()); }

    void diffAgainstTheSelectorAndBetweenFilesThenDownloadOnlyTheChange()
    {
        // The channels as the selector holds them (the window keeps them byte for byte).
        QVERIFY2(cli({"--demo", "upload", "-o", path("unit.xml"), "--sections", "coin channels"}) == 0,
                 qPrintable(m_err));
        QVERIFY2(cli({"--demo", "diff", path("unit.xml")}) == 0, qPrintable(m_out + m_err));
        QVERIFY(m_out.contains(QStringLiteral("Same: 16, different: 0, unknown: 0")));

        // Channel 2 edited to hold channel 1's record.
        QByteArray text = readAll(path("unit.xml"));
        const auto valueAt = [&text](const QByteArray &address) {
            const int start = text.indexOf('>', text.indexOf("address=\"" + address + "\"")) + 1;
            return qMakePair(start, text.indexOf("</Data>", start) - start);
        };
        const auto one = valueAt("0x0600");
        const QByteArray channel1 = text.mid(one.first, one.second);
        const auto two = valueAt("0x0610");
        QVERIFY(text.mid(two.first, two.second) != channel1);
        text.replace(two.first, two.second, channel1);
        writeAll(path("edited.xml"), text);

        QCOMPARE(cli({"diff", path("unit.xml"), path("edited.xml")}), 1);
        QVERIFY2(m_out.startsWith(QStringLiteral("* ")) && m_out.contains(QStringLiteral("(0x0610)")),
                 qPrintable(m_out));
        QVERIFY(m_out.contains(QStringLiteral(", different: 1, unknown: 0")));
        QCOMPARE(cli({"diff", path("edited.xml"), path("edited.xml")}), 0);
        QCOMPARE(cli({"--demo", "diff", path("edited.xml")}), 1);
        QVERIFY(m_out.contains(path("edited.xml") + QStringLiteral(": ") + QString::fromLatin1(channel1)));

        // Written with the log on: the log shows every block read and the single write.
        QVERIFY2(cli({"--demo", "--log", path("changed.log"), "download", path("edited.xml"),
                      "--changed-only"}) == 0,
                 qPrintable(m_err));
        const QStringList writes = logLines("changed.log", "\tWrite memory: ");
        QCOMPARE(writes.size(), 1);
        QVERIFY(writes.at(0).contains(QStringLiteral("Write memory: 0x0610, 16 bytes")));
        // The sixteen channels are read in two requests before anything is written.
        QCOMPARE(logLines("changed.log", "\tRead memory: 0x0600, 128 bytes").size(), 1);
        QCOMPARE(logLines("changed.log", "\tRead memory: 0x0680, 128 bytes").size(), 1);
        QVERIFY(!logLines("changed.log", "Commit to non-volatile memory | ACK").isEmpty());
        // Without the option the whole file is written, as always.
        QVERIFY2(cli({"--demo", "--log", path("full.log"), "download", path("edited.xml")}) == 0,
                 qPrintable(m_err));
        QCOMPARE(logLines("full.log", "\tWrite memory: ").size(), 16);
        QVERIFY(logLines("full.log", "\tRead memory: 0x0610").isEmpty());
    }

    void logOptionWorksForAnyCommandAndAFileThatCannotBeWrittenIsAFileError()
    {
        QCOMPARE(cli({"--demo", "--log", path("missing/dir/x.log"), "identify"}), 3);
        QVERIFY(m_err.contains(QStringLiteral("Cannot write the exchange log: ")));
        QVERIFY2(cli({"--demo", "--log=" + path("id.log"), "identify"}) == 0, qPrintable(m_err));
        QVERIFY(!logLines("id.log", "-> 020001F607  <- ").isEmpty());
        QVERIFY(!logLines("id.log", "Request serial number | ACK: ").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCliCompare)
#include "test_cli_compare.moc"
