// The configuration page with purpose-made catalogues: defaults, missing files, values of
// the wrong width, text that is not hexadecimal, and rules that only small catalogues reach.
#include "ConfigFixture.h"

#include <QtTest>

using P = ConfigPage;

namespace {
// A small io.ini: a pulse output, a conflict list with codes that only align one way,
// and a display option that needs more than the functions allow.
const QByteArray kIo = "[OUTPUTS]\n"
                       "None=FFFFFFFFFFFFFFFFNNNN\n"
                       "Pulse=050001FF00000A0AYYNN\n"
                       "Eight=0800000000000A0AYNNN\n"
                       "Ten=1000000000000A0AYNNN\n"
                       "Picky=2000000000000A0AYNNN\n"
                       "Slow=050500FF00000AFFYNNN\n"
                       "[INPUTS]\n"
                       "None=FFFFFFFFFFFFFFFFNNNN\n"
                       "In A=8101000000000000NNNN\n"
                       "In B=8201000000000000NNNN\n"
                       "[Pulse]\nCredit=FFY\ndisplay mask=01\ndip switches=00\n"
                       "[Picky]\nConflict=1080\n"
                       "[Slow]\nTime out warning=FFY\n";

QByteArray rx30(const QByteArray &settings, const QByteArray &config)
{
    return "; test catalogue\n[SETTINGS]\n" + settings +
           "[Configurations]\nA=1\nB=1\n"
           "[A]\nOutput1=050001FF00000A0A\nOutput2=050500FF00000AFF\nCredit=01\n"
           "[B]\n" +
           config +
           "[Separators]\nNone=00\nLeft=01\n[Left]\nOut4=0103010000000AFF\nOut5=\n"
           "[Displays]\nNo display=0\nBig=1\n"
           "[Big]\nCredit=01\nAll=07\nTime=04\n"
           "[Country Codes]\nOne=ON\nBad=XYZ\n"
           "[Dip switch modes]\nStandard=00\n"
           "[Warnings]\nNot used=FF\n";
}
} // namespace

class TestConfigCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void missingCataloguesLeaveListsEmptyAndDefaultsInForce();
    void emptySettingsUseDefaultsAndTimeBaseScalesSteps();
    void smallTimeBaseNeverGivesAZeroStep();
    void badSettingStopsStartupButKeepsListsFilledSoFar();
    void configurationValuesAreNormalisedOrRefusedWhole();
    void badImageTextIsRefusedWithoutChange();
    void codeListsCompareAlignedPairs();
    void badTemplateShowsConversionErrorAndKeepsLine();
    void viewOptionJoinsEveryMissingWord();
    void displaySectionLosesItsLastKeyAsSetting();
    void inputListOffersLaterInputsOnSharedLine();
    void sorterWithoutAnOutputKeyLeavesThatOutput();
    void countryCodeOfWrongWidthIsRefused();
};

void TestConfigCatalogue::missingCataloguesLeaveListsEmptyAndDefaultsInForce()
{
    ConfigFixture f;
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    QVERIFY(f.page->versionEntries().isEmpty());
    QCOMPARE(f.page->versionIndex(), -1);
    QVERIFY(!f.page->boxesVisible());
    QVERIFY(f.page->line(1).functions.isEmpty());
    QCOMPARE(f.page->settingsPort(), QStringLiteral("COM3"));
    QCOMPARE(f.page->settingsAddress(), 2);
    QCOMPARE(f.page->stopTimeMinimum(), 5);
    QCOMPARE(f.page->image().timeBaseFactor, 1);
    // Every action is harmless.
    QVERIFY(!f.page->chooseFunction(1, 0));
    QVERIFY(!f.page->acceptSorter());
    f.page->chooseDisplayType(1);
    f.page->chooseDipMode(0);
    f.page->chooseWarning(1, 0);
    f.page->chooseVersion(0);
    f.page->setParam(P::Credit, 4);
    f.page->toggleLevel(8);
    QVERIFY(f.page->acceptCountryCodes());
    QVERIFY(f.page->imageToWindow());
    QVERIFY(f.errors().isEmpty());
    QCOMPARE(f.page->image().param(P::Credit), 4);
}

void TestConfigCatalogue::emptySettingsUseDefaultsAndTimeBaseScalesSteps()
{
    ConfigFixture f;
    f.write("rx30.ini", rx30("", "Output1=050500FF00000AFF\n"));
    f.write("io.ini", kIo);
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    QCOMPARE(f.page->settingsPort(), QStringLiteral("COM3"));
    QCOMPARE(f.page->settingsAddress(), 2);
    QCOMPARE(f.page->stopTimeMinimum(), 5);
    QCOMPARE(f.page->image().timeBaseFactor, 1);
    QCOMPARE(f.page->line(2).timeOn, 10);

    f.write("rx30.ini",
            rx30("Time base=012C\nStop time min=0A\nccTalkAddr=7\n", "Output1=050500FF00000AFF\n"));
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    QCOMPARE(f.page->image().timeBaseFactor, 2);
    QCOMPARE(f.page->stopTimeMinimum(), 10);
    QCOMPARE(f.page->settingsAddress(), 7);
    QCOMPARE(f.page->line(2).timeOnStep, 2);
    QCOMPARE(f.page->line(2).timeOn, 20);
    f.page->setTimeOn(2, 31); // rounds to the nearest step
    QCOMPARE(f.page->image().lineByte(1, 6), 16);
}

void TestConfigCatalogue::smallTimeBaseNeverGivesAZeroStep()
{
    ConfigFixture f;
    f.write("rx30.ini", rx30("Time base=0040\n", "Output1=050500FF00000AFF\n"));
    f.write("io.ini", kIo);
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    QCOMPARE(f.page->image().timeBaseFactor, 0);
    QCOMPARE(f.page->line(2).timeOnStep, 1);
    QCOMPARE(f.page->line(2).timeOn, 10);
    f.page->setTimeOn(2, 12);
    QCOMPARE(f.page->image().lineByte(1, 6), 12);
    QCOMPARE(f.page->image().lineText(1).left(16), QStringLiteral("050500FF00000CFF"));
}

void TestConfigCatalogue::badSettingStopsStartupButKeepsListsFilledSoFar()
{
    ConfigFixture f;
    f.write("rx30.ini", rx30("Stop time min=XZ\n", ""));
    f.write("io.ini", kIo);
    QVERIFY(!f.page->loadCatalogues(f.dir.path()));
    QCOMPARE(f.errors(), QStringList{QStringLiteral("'XZ'") + Msg(461)});
    QCOMPARE(f.page->versionEntries(), (QStringList{"A", "B"}));
    QCOMPARE(f.page->displayTypes(), (QStringList{"No display", "Big"}));
    QVERIFY(f.page->warningNames().isEmpty()); // read after the settings
    QVERIFY(f.page->line(1).functions.isEmpty());
}

void TestConfigCatalogue::configurationValuesAreNormalisedOrRefusedWhole()
{
    ConfigFixture f;
    f.write("io.ini", kIo);
    f.write("rx30.ini", rx30("", "Output1=050001FF00000A0A\nCredit=5\nBonus1lev=0007\n"));
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    f.page->chooseVersion(1);
    QCOMPARE(f.page->image().paramText().left(6), QStringLiteral("050700"));
    QCOMPARE(f.page->image().paramText().size(), 54);

    for (const QByteArray &bad :
         {QByteArray("Credit=105\n"), QByteArray("Credit=1G\n"), QByteArray("Credit=\n"),
          QByteArray("Output3=0500010000000A0\n"), QByteArray("Input1=XX00010000000A0A\n")}) {
        f.write("rx30.ini", rx30("", "Output1=050001FF00000A0A\nRest time=09\n" + bad));
        ConfigFixture g;
        QVERIFY(g.page->loadCatalogues(f.dir.path())); // A applies cleanly
        const QString before = g.page->image().paramText() + g.page->image().lineText(0);
        g.page->chooseVersion(1);
        QCOMPARE(g.errors().size(), 1);
        QVERIFY(g.errors().first().endsWith(Msg(461)));
        QCOMPARE(g.page->image().paramText() + g.page->image().lineText(0), before);
    }
}

void TestConfigCatalogue::badImageTextIsRefusedWithoutChange()
{
    ConfigImage image;
    const QString params = image.paramText();
    QString bad;
    QVERIFY(!image.setParamText(QString(35, QLatin1Char('0')), &bad));
    QVERIFY(!image.setParamText(QString(34, QLatin1Char('0')) + "0G"));
    QVERIFY(!image.setParamText(QString(36, QLatin1Char('0')) + "YYN"));
    QCOMPARE(bad, QString(35, QLatin1Char('0')));
    QCOMPARE(image.paramText(), params);
    QVERIFY(image.setParamText(QString(34, QLatin1Char('0')) + "ab"));
    QCOMPARE(image.paramText().mid(34, 2), QStringLiteral("AB"));

    QVERIFY(!image.setLineText(2, "12345"));
    QVERIFY(!image.setLineText(2, "0500010000000A0AYYN"));
    QVERIFY(!image.setLineText(2, "0500010000000A0AYYNX"));
    QCOMPARE(image.lineText(2), QStringLiteral("FFFFFFFFFFFFFFFFNNNN"));
    QVERIFY(image.setLineText(2, "0500010000000a0aYYNN"));
    QCOMPARE(image.lineText(2), QStringLiteral("0500010000000A0AYYNN"));
}

void TestConfigCatalogue::codeListsCompareAlignedPairs()
{
    ConfigFixture f;
    f.write("io.ini", kIo);
    f.write("rx30.ini", rx30("", ""));
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    const QStringList outputs = f.page->line(1).functions;
    QVERIFY(f.page->chooseFunction(3, outputs.indexOf("Eight")));
    // "1080" holds 10 and 80; the 08 across the pair boundary is no conflict.
    QVERIFY(f.page->chooseFunction(4, outputs.indexOf("Picky")));
    QVERIFY(f.page->chooseFunction(4, 0));
    QVERIFY(f.page->chooseFunction(5, outputs.indexOf("Ten")));
    QVERIFY(!f.page->chooseFunction(4, outputs.indexOf("Picky")));
    QCOMPARE(f.errors(), QStringList{Msg(323)});
}

void TestConfigCatalogue::badTemplateShowsConversionErrorAndKeepsLine()
{
    ConfigFixture f;
    QByteArray io = kIo;
    io.replace("Ten=1000000000000A0AYNNN", "Ten=10000Z0000000A0AYNNN");
    f.write("io.ini", io);
    f.write("rx30.ini", rx30("", ""));
    // Recognising version A walks the templates up to "Slow" and meets the bad one.
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    QCOMPARE(f.errors(), QStringList{QStringLiteral("'10000Z0000000A0AYNNN'") + Msg(461)});
    f.prompts.clear();
    const QString before = f.page->image().lineText(4);
    QVERIFY(!f.page->chooseFunction(5, f.page->line(5).functions.indexOf("Ten")));
    QCOMPARE(f.errors(), QStringList{QStringLiteral("'10000Z0000000A0AYNNN'") + Msg(461)});
    QCOMPARE(f.page->image().lineText(4), before);
}

void TestConfigCatalogue::viewOptionJoinsEveryMissingWord()
{
    ConfigFixture f;
    f.write("io.ini", kIo);
    f.write("rx30.ini", rx30("", ""));
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    QCOMPARE(f.page->displayMask(), 0x01);
    f.page->chooseDisplayType(1);
    f.page->chooseViewOption(f.page->viewOptions().indexOf("All"));
    QCOMPARE(f.informations(), QStringList{Msg(169) + Msg(314) + Msg(463) + Msg(297)});
    QCOMPARE(f.page->image().param(P::DisplayType), 0x01);
}

void TestConfigCatalogue::displaySectionLosesItsLastKeyAsSetting()
{
    ConfigFixture f;
    f.write("io.ini", kIo);
    f.write("rx30.ini", rx30("", ""));
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    f.page->chooseDisplayType(1);
    // "Big" has no "dsp_opt": its last view option is taken for it.
    QCOMPARE(f.page->viewOptions(), (QStringList{"Credit", "All"}));
    QCOMPARE(f.page->image().param(P::DispOptions), 0xFF);
}

void TestConfigCatalogue::inputListOffersLaterInputsOnSharedLine()
{
    ConfigFixture f;
    f.write("io.ini", kIo);
    f.write("rx30.ini", rx30("", ""));
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    const QStringList in2out7 = f.page->line(7).functions;
    QCOMPARE(in2out7.mid(in2out7.size() - 2), (QStringList{"In A", "In B"}));
    QCOMPARE(in2out7.size(), 8);
    QVERIFY(f.page->chooseFunction(7, in2out7.indexOf("In B")));
    QCOMPARE(f.page->image().lineText(6).left(4), QStringLiteral("8201"));
    QVERIFY(f.page->chooseFunction(7, in2out7.indexOf("Eight")));
    QCOMPARE(f.page->image().lineText(6).left(4), QStringLiteral("0800"));
}

void TestConfigCatalogue::sorterWithoutAnOutputKeyLeavesThatOutput()
{
    ConfigFixture f;
    f.write("io.ini", kIo);
    f.write("rx30.ini", rx30("", "Output6=0800000000000A0A\n"));
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    f.page->chooseVersion(1);
    f.page->chooseSorter(1); // "Left": Out4 only; Out5 empty, Out6 missing
    QVERIFY(f.page->acceptSorter());
    QCOMPARE(f.page->image().lineText(3).left(16), QStringLiteral("0103010000000AFF"));
    QCOMPARE(f.page->image().lineText(5).left(16), QStringLiteral("0800000000000A0A"));
    QCOMPARE(f.page->image().param(P::SorterNum), 1);
}

void TestConfigCatalogue::countryCodeOfWrongWidthIsRefused()
{
    ConfigFixture f;
    f.write("io.ini", kIo);
    f.write("rx30.ini", rx30("", ""));
    QVERIFY(f.page->loadCatalogues(f.dir.path()));
    f.page->chooseCountry(0, 0);
    QVERIFY(f.page->acceptCountryCodes());
    QCOMPARE(f.page->image().countryCodes(), QStringLiteral("ON......"));
    f.page->chooseCountry(1, 1);
    QVERIFY(!f.page->acceptCountryCodes());
    QCOMPARE(f.errors().size(), 1);
    QCOMPARE(f.page->image().countryCodes(), QStringLiteral("ON......"));
}

QTEST_GUILESS_MAIN(TestConfigCatalogue)
#include "test_config_catalogue.moc"
