#include "CliRun.h"
#include "config/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QString writeFile(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath(u"rx30.ini"_s);
    writeFileBytes(path, content);
    return path;
}
} // namespace

class IniFileTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void namesCompareWithoutCaseKeysKeepFileOrderAndMissingThingsReadAsDefaults()
    {
        IniFile ini(writeFile(m_dir, "; catalogue\n[Displays]\nNone=FF\n  LED 6 digits = 01 \nlcd=02\n"
                                     "[SETTINGS]\nSorter num=03\nsorter NUM=04\n"));
        QCOMPARE(ini.keys(u"displays"_s), QStringList({"None", "LED 6 digits", "lcd"}));
        QCOMPARE(ini.readValue(u"DISPLAYS"_s, u"led 6 DIGITS"_s), u"01"_s);
        // A repeated key: the first one counts, and it is listed once.
        QCOMPARE(ini.readValue(u"settings"_s, u"sorter num"_s), u"03"_s);
        QCOMPARE(ini.keys(u"Settings"_s), QStringList({"Sorter num"}));
        QCOMPARE(ini.sections(), QStringList({"Displays", "SETTINGS"}));
        // Missing keys, sections and files read as the default.
        QCOMPARE(ini.readValue(u"SETTINGS"_s, u"ccTalkAddr"_s, u"02"_s), u"02"_s);
        QCOMPARE(ini.readValue(u"NOPE"_s, u"x"_s, u"d"_s), u"d"_s);
        IniFile none(m_dir.filePath(u"absent.ini"_s));
        QVERIFY(!none.exists());
        QCOMPARE(none.readValue(u"SETTINGS"_s, u"ComPort"_s, u"COM3"_s), u"COM3"_s);
        // Comments and lines without an equals sign are not keys.
        IniFile plain(writeFile(m_dir, "[A]\n;x=1\nplain line\n=5\nb=2\n"));
        QCOMPARE(plain.keys(u"A"_s), QStringList({"b"}));
        QCOMPARE(plain.readValue(u"A"_s, u";x"_s, u"none"_s), u"none"_s);
    }

    void writingAKeyKeepsEveryOtherByte()
    {
        const QByteArray before = "; top comment\r\n[SETTINGS]\r\nComPort=COM3   \r\nccTalkAddr=02\r\n\r\n"
                                  "[Other]\r\nx = \xff\xfe odd bytes\r\n";
        const QString path = writeFile(m_dir, before);
        IniFile ini(path);
        QVERIFY(ini.writeValue(u"settings"_s, u"comport"_s, u"/dev/ttyUSB0"_s));
        QByteArray expected = before;
        expected.replace("ComPort=COM3   ", "comport=/dev/ttyUSB0");
        QCOMPARE(fileBytes(path), expected);
        QCOMPARE(ini.readValue(u"SETTINGS"_s, u"ComPort"_s), u"/dev/ttyUSB0"_s);
        // A key the file did not hold takes the file's own line ends.
        QVERIFY(ini.writeValue(u"Other"_s, u"y"_s, u"1"_s));
        QCOMPARE(fileBytes(path), expected + "y=1\r\n");
    }

    void newKeysGoAtTheEndOfTheirSectionAndNewSectionsAtTheEnd()
    {
        const QString path = writeFile(m_dir, "[Configurations]\nStandard=1\n\n[Standard]\nCredit=01");
        IniFile ini(path);
        QVERIFY(ini.writeValue(u"Configurations"_s, u"Mine"_s, u"1"_s));
        QVERIFY(ini.writeValue(u"Mine"_s, u"Credit"_s, u"05"_s));
        QVERIFY(ini.writeValue(u"Mine"_s, u"Output1"_s, u"FF"_s));
        QCOMPARE(fileBytes(path),
                 QByteArray("[Configurations]\nStandard=1\nMine=1\n\n[Standard]\nCredit=01\n\n"
                            "[Mine]\nCredit=05\nOutput1=FF\n"));
        QCOMPARE(ini.keys(u"Configurations"_s), QStringList({"Standard", "Mine"}));
    }

    void aFailedWriteLeavesTheFileAsItWas()
    {
        // A name leaving no room for the save file's temporary suffix: the write fails for
        // root too, while the file itself reads as before.
        QTemporaryDir dir;
        const QString path = dir.filePath(QString(250, u'a') + u".ini"_s);
        QVERIFY(writeFileBytes(path, "[SETTINGS]\nComPort=COM3\n"));
        IniFile ini(path);
        QVERIFY(!ini.writeValue(u"SETTINGS"_s, u"ComPort"_s, u"X"_s));
        QVERIFY(!ini.errorString().isEmpty());
        QCOMPARE(fileBytes(path), QByteArray("[SETTINGS]\nComPort=COM3\n"));
        QCOMPARE(ini.readValue(u"SETTINGS"_s, u"ComPort"_s), u"COM3"_s);
    }
};

QTEST_GUILESS_MAIN(IniFileTest)
#include "test_inifile.moc"
