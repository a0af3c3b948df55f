#include "config/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString writeFile(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath(QStringLiteral("rx30.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
} // namespace

class IniFileTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void namesCompareWithoutCaseAndKeysKeepFileOrder()
    {
        IniFile ini(writeFile(m_dir, "; catalogue\n[Displays]\nNone=FF\n  LED 6 digits = 01 \nlcd=02\n"
                                     "[SETTINGS]\nSorter num=03\nsorter NUM=04\n"));
        QCOMPARE(ini.keys(QStringLiteral("displays")), QStringList({"None", "LED 6 digits", "lcd"}));
        QCOMPARE(ini.readValue(QStringLiteral("DISPLAYS"), QStringLiteral("led 6 DIGITS")), QStringLiteral("01"));
        // A repeated key: the first one counts, and it is listed once.
        QCOMPARE(ini.readValue(QStringLiteral("settings"), QStringLiteral("sorter num")), QStringLiteral("03"));
        QCOMPARE(ini.keys(QStringLiteral("Settings")), QStringList({"Sorter num"}));
        QCOMPARE(ini.sections(), QStringList({"Displays", "SETTINGS"}));
    }

    void missingThingsReadAsDefaults()
    {
        IniFile ini(writeFile(m_dir, "[SETTINGS]\nComPort=COM3\n"));
        QCOMPARE(ini.readValue(QStringLiteral("SETTINGS"), QStringLiteral("ccTalkAddr"), QStringLiteral("02")),
                 QStringLiteral("02"));
        QCOMPARE(ini.readValue(QStringLiteral("NOPE"), QStringLiteral("x"), QStringLiteral("d")), QStringLiteral("d"));
        QVERIFY(ini.keys(QStringLiteral("NOPE")).isEmpty());
        IniFile none(m_dir.filePath(QStringLiteral("absent.ini")));
        QVERIFY(!none.exists());
        QCOMPARE(none.readValue(QStringLiteral("SETTINGS"), QStringLiteral("ComPort"), QStringLiteral("COM3")),
                 QStringLiteral("COM3"));
        QVERIFY(none.sections().isEmpty());
    }

    void commentsAndLinesWithoutEqualsAreNotKeys()
    {
        IniFile ini(writeFile(m_dir, "[A]\n;x=1\nplain line\n=5\nb=2\n"));
        QCOMPARE(ini.keys(QStringLiteral("A")), QStringList({"b"}));
        QCOMPARE(ini.readValue(QStringLiteral("A"), QStringLiteral(";x"), QStringLiteral("none")), QStringLiteral("none"));
    }

    void writingAKeyKeepsEveryOtherByte()
    {
        const QByteArray before = "; top comment\r\n[SETTINGS]\r\nComPort=COM3   \r\nccTalkAddr=02\r\n\r\n"
                                  "[Other]\r\nx = \xff\xfe odd bytes\r\n";
        const QString path = writeFile(m_dir, before);
        IniFile ini(path);
        QVERIFY(ini.writeValue(QStringLiteral("settings"), QStringLiteral("comport"), QStringLiteral("/dev/ttyUSB0")));
        QByteArray expected = before;
        expected.replace("ComPort=COM3   ", "comport=/dev/ttyUSB0");
        QCOMPARE(readFile(path), expected);
        QCOMPARE(ini.readValue(QStringLiteral("SETTINGS"), QStringLiteral("ComPort")), QStringLiteral("/dev/ttyUSB0"));
    }

    void newKeysGoAtTheEndOfTheirSectionAndNewSectionsAtTheEnd()
    {
        const QString path = writeFile(m_dir, "[Configurations]\nStandard=1\n\n[Standard]\nCredit=01");
        IniFile ini(path);
        QVERIFY(ini.writeValue(QStringLiteral("Configurations"), QStringLiteral("Mine"), QStringLiteral("1")));
        QVERIFY(ini.writeValue(QStringLiteral("Mine"), QStringLiteral("Credit"), QStringLiteral("05")));
        QVERIFY(ini.writeValue(QStringLiteral("Mine"), QStringLiteral("Output1"), QStringLiteral("FF")));
        QCOMPARE(readFile(path), QByteArray("[Configurations]\nStandard=1\nMine=1\n\n[Standard]\nCredit=01\n\n"
                                            "[Mine]\nCredit=05\nOutput1=FF\n"));
        QCOMPARE(ini.keys(QStringLiteral("Configurations")), QStringList({"Standard", "Mine"}));
    }

    void writingCreatesAMissingFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("new.ini"));
        IniFile ini(path);
        QVERIFY(ini.writeValue(QStringLiteral("SETTINGS"), QStringLiteral("ccTalkAddr"), QStringLiteral("02")));
        QCOMPARE(readFile(path), QByteArray("[SETTINGS]\nccTalkAddr=02\n"));
    }

    void aFailedWriteLeavesTheFileAsItWas()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, "[SETTINGS]\nComPort=COM3\n");
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        IniFile ini(path);
        const bool written = ini.writeValue(QStringLiteral("SETTINGS"), QStringLiteral("ComPort"), QStringLiteral("X"));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (written)
            QSKIP("running with rights that ignore directory permissions");
        QVERIFY(!ini.errorString().isEmpty());
        QCOMPARE(readFile(path), QByteArray("[SETTINGS]\nComPort=COM3\n"));
        QCOMPARE(ini.readValue(QStringLiteral("SETTINGS"), QStringLiteral("ComPort")), QStringLiteral("COM3"));
    }

    void changesOnDiskAreSeen()
    {
        const QString path = writeFile(m_dir, "[A]\nk=1\n");
        IniFile ini(path);
        QCOMPARE(ini.readValue(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("1"));
        QTest::qWait(20);
        writeFile(m_dir, "[A]\nk=22\n");
        QCOMPARE(ini.readValue(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("22"));
    }

    void binaryGarbageDoesNotCrash()
    {
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk.append(static_cast<char>((i * 7919) & 0xFF));
        IniFile ini(writeFile(m_dir, junk));
        const QStringList sections = ini.sections();
        for (const QString &s : sections)
            ini.keys(s);
        QVERIFY(ini.writeValue(QStringLiteral("SETTINGS"), QStringLiteral("ComPort"), QStringLiteral("COM1")));
        QCOMPARE(ini.readValue(QStringLiteral("SETTINGS"), QStringLiteral("ComPort")), QStringLiteral("COM1"));
    }
};

QTEST_GUILESS_MAIN(IniFileTest)
#include "test_inifile.moc"
