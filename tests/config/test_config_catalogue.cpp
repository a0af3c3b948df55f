// The configuration page with purpose-made catalogues: defaults, missing files, values of
// the wrong width, text that is not hexadecimal, and rules that only small catalogues reach.
#include "ConfigFixture.h"

#include <QtTest>

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
                       "[Pulse]\ndisplay mask=01\n"
                       "[Picky]\nConflict=1080\n";

QByteArray rx30(const QByteArray &settings = {}, const QByteArray &config = {})
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
           "[Warnings]\nNot used=FF\n";
}
} // namespace

class TestConfigCatalogue : public QObject
{
    Q_OBJECT
    std::unique_ptr<ConfigFixture> f;

    bool load(const QByteArray &rx30Text, const QByteArray &ioText = kIo)
    {
        f = std::make_unique<ConfigFixture>();
        return f->loadText(rx30Text, ioText);
    }

private slots:
    void missingCataloguesLeaveListsEmptyAndEveryActionHarmless()
    {
        f = std::make_unique<ConfigFixture>();
        QVERIFY(f->page->loadCatalogues(f->dir.path()));
        QVERIFY(f->page->versionEntries().isEmpty());
        QCOMPARE(f->page->settingsPort(), QStringLiteral("COM3"));
        QVERIFY(!f->page->chooseFunction(1, 0));
        QVERIFY(!f->page->acceptSorter());
        f->page->chooseDisplayType(1);
        f->page->chooseWarning(1, 0);
        f->page->chooseVersion(0);
        f->page->toggleLevel(8);
        QVERIFY(f->page->acceptCountryCodes());
        QVERIFY(f->page->imageToWindow());
        QVERIFY(f->errors().isEmpty());
    }

    void settingsAndTimeBaseScaleLineSteps()
    {
        struct Case
        {
            QByteArray settings;
            int address, stopMinimum, step, typed, stored;
        };
        // A small time base gives a time factor of 0, which must not give a zero step.
        for (const Case &c : {Case{"", 2, 5, 1, 12, 12},
                              Case{"Time base=012C\nStop time min=0A\nccTalkAddr=7\n", 7, 10, 2, 31, 16},
                              Case{"Time base=0040\n", 2, 5, 1, 12, 12}}) {
            QVERIFY(load(rx30(c.settings)));
            QCOMPARE(f->page->settingsAddress(), c.address);
            QCOMPARE(f->page->stopTimeMinimum(), c.stopMinimum);
            // Output 2 of "A" counts seconds in steps of the time factor: 0A steps.
            QCOMPARE(f->page->line(2).timeOn, 10 * c.step);
            f->page->setTimeOn(2, c.typed); // rounds to the nearest step
            QCOMPARE(f->page->image().lineByte(1, 6), c.stored);
        }
    }

    void badSettingStopsStartupButKeepsListsFilledSoFar()
    {
        QVERIFY(!load(rx30("Stop time min=XZ\n")));
        QCOMPARE(f->errors(), QStringList{QStringLiteral("'XZ'") + Msg(461)});
        QCOMPARE(f->page->versionEntries(), (QStringList{"A", "B"}));
        QVERIFY(f->page->warningNames().isEmpty()); // read after the settings
        QVERIFY(f->page->line(1).functions.isEmpty());
    }

    void configurationValuesAreNormalisedOrRefusedWhole()
    {
        QVERIFY(load(rx30({}, "Output1=050001FF00000A0A\nCredit=5\nBonus1lev=0007\n")));
        f->page->chooseVersion(1);
        QCOMPARE(f->page->image().paramText().left(6), QStringLiteral("050700"));

        for (const QByteArray &bad :
             {QByteArray("Credit=105\n"), QByteArray("Credit=1G\n"), QByteArray("Credit=\n"),
              QByteArray("Output3=0500010000000A0\n"), QByteArray("Input1=XX00010000000A0A\n")}) {
            QVERIFY(load(rx30({}, "Output1=050001FF00000A0A\nRest time=09\n" + bad)));
            const QString before = f->imageText();
            f->page->chooseVersion(1);
            QCOMPARE(f->errors().size(), 1);
            QVERIFY(f->errors().first().endsWith(Msg(461)));
            QCOMPARE(f->imageText(), before);
        }
    }

    void badImageTextIsRefusedWithoutChange()
    {
        ConfigImage image;
        const QString params = image.paramText();
        const QString zeros = QString(34, QLatin1Char('0'));
        for (const QString &text : {zeros + "0", zeros + "0G", zeros + "00YYN"})
            QVERIFY2(!image.setParamText(text), qPrintable(text));
        QCOMPARE(image.paramText(), params);

        for (const char *text : {"12345", "0500010000000A0AYYN", "0500010000000A0AYYNX"})
            QVERIFY2(!image.setLineText(2, text), text);
        QCOMPARE(image.lineText(2), QStringLiteral("FFFFFFFFFFFFFFFFNNNN"));
        QVERIFY(image.setLineText(2, "0500010000000a0aYYNN"));
        QCOMPARE(image.lineText(2), QStringLiteral("0500010000000A0AYYNN"));
    }

    void codeListsCompareAlignedPairs()
    {
        QVERIFY(load(rx30()));
        QVERIFY(f->choose(3, "Eight"));
        // "1080" holds 10 and 80; the 08 across the pair boundary is no conflict.
        QVERIFY(f->choose(4, "Picky"));
        QVERIFY(f->choose(4, "None"));
        QVERIFY(f->choose(5, "Ten"));
        QVERIFY(!f->choose(4, "Picky"));
        QCOMPARE(f->errors(), QStringList{Msg(323)});
    }

    void badTemplateShowsConversionErrorAndKeepsLine()
    {
        QByteArray io = kIo;
        io.replace("Ten=1000000000000A0AYNNN", "Ten=10000Z0000000A0AYNNN");
        const QStringList expected{QStringLiteral("'10000Z0000000A0AYNNN'") + Msg(461)};
        // Recognising version A walks the templates up to "Slow" and meets the bad one.
        QVERIFY(load(rx30(), io));
        QCOMPARE(f->errors(), expected);
        f->prompts.clear();
        const QString before = f->imageText();
        QVERIFY(!f->choose(5, "Ten"));
        QCOMPARE(f->errors(), expected);
        QCOMPARE(f->imageText(), before);
    }

    void displaySectionOffersAllButItsLastKeyAndNamesWhatCannotShow()
    {
        QVERIFY(load(rx30()));
        QCOMPARE(f->page->displayMask(), 0x01);
        f->page->chooseDisplayType(1);
        // "Big" has no "dsp_opt": its last view option is taken for it.
        QCOMPARE(f->page->viewOptions(), (QStringList{"Credit", "All"}));
        QCOMPARE(f->page->image().param(P::DispOptions), 0xFF);
        f->page->chooseViewOption(0);
        QVERIFY(f->informations().isEmpty());
        QVERIFY(!f->page->multiplierVisible()); // credit shows no value
        f->page->chooseViewOption(1);
        QCOMPARE(f->informations(), QStringList{Msg(169) + Msg(314) + Msg(463) + Msg(297)});
        QCOMPARE(f->page->image().param(P::DisplayType), 0x01);
        QVERIFY(f->page->multiplierVisible());
    }

    void sorterWithoutAnOutputKeyLeavesThatOutput()
    {
        QVERIFY(load(rx30({}, "Output6=0800000000000A0A\n")));
        f->page->chooseVersion(1);
        f->page->chooseSorter(1); // "Left": Out4 only; Out5 empty, Out6 missing
        QVERIFY(f->page->acceptSorter());
        QCOMPARE(f->line(4), QStringLiteral("0103010000000AFF"));
        QCOMPARE(f->line(6), QStringLiteral("0800000000000A0A"));
    }

    void countryCodeOfWrongWidthIsRefused()
    {
        QVERIFY(load(rx30()));
        f->page->chooseCountry(0, 0);
        QVERIFY(f->page->acceptCountryCodes());
        f->page->chooseCountry(1, 1);
        QVERIFY(!f->page->acceptCountryCodes());
        QCOMPARE(f->errors().size(), 1);
        QCOMPARE(f->page->image().countryCodes(), QStringLiteral("ON......"));
    }
};

QTEST_GUILESS_MAIN(TestConfigCatalogue)
#include "test_config_catalogue.moc"
