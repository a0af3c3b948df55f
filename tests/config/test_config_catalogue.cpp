// Input the configuration model must take or refuse: purpose-made or missing catalogues
// (defaults, bad values, rules only small catalogues reach), image text, channel records.
#include "ConfigFixture.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
// A small io.ini: conflict codes that only align one way, a display mask of credit only.
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
        f->page->chooseVersion(0);
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
        for (const Case &c : {Case{"Time base=012C\nStop time min=0A\nccTalkAddr=7\n", 7, 10, 2, 31, 16},
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
        f->page->chooseViewOption(1);
        QCOMPARE(f->informations(), QStringList{Msg(169) + Msg(314) + Msg(463) + Msg(297)});
        QCOMPARE(f->page->image().param(P::DisplayType), 0x01);
    }

    void everyRecordWithValidPathRoundTrips()
    {
        ChannelTable t;
        const QByteArray erased(16, char(0xFF));
        t.StringToChannel(3, erased);
        QCOMPARE(t.ChannelToString(3), erased);
        QRandomGenerator rng(1234);
        for (int i = 0; i < 500; ++i) {
            QByteArray rec(16, char(0));
            for (int b = 0; b < 16; ++b)
                rec[b] = char(rng.bounded(256));
            const int path = int(rng.bounded(10));
            rec[13] = char(path == 9 ? 255 : path);
            const int channel = 1 + int(rng.bounded(16));
            t.StringToChannel(channel, rec);
            QCOMPARE(t.ChannelToString(channel), rec);
        }
    }

    void recordFieldsKeepTheirSensesAndUnshownBitsSurvive()
    {
        ChannelTable t;
        QByteArray rec(16, char(0));
        rec[12] = char(0x5A); // upper bits 0x50 are not shown
        t.StringToChannel(1, rec);
        const ChannelRow &r = t.row(1);
        QCOMPARE(QList<bool>({r.ccTalk, r.selective, r.enabled, r.fake}),
                 QList<bool>({false, false, true, true}));
        // Each check box sets its own bit with its own sense.
        t.setCcTalk(1, true);
        t.setSelective(1, true);
        t.setEnabled(1, false);
        t.setFake(1, false);
        QCOMPARE(quint8(t.ChannelToString(1).at(12)), quint8(0x55));

        // Identification and path bytes split into their lists.
        rec[12] = 0;
        rec[13] = char(9);    // a path without entry
        rec[14] = char(0x9B); // CC 2, mint 1, value code 11
        t.StringToChannel(4, rec);
        QCOMPARE(QList<int>({t.row(4).cvf, t.row(4).mint, t.row(4).cc}), QList<int>({11, 1, 2}));
        QCOMPARE(t.row(4).direction, -1);
        QCOMPARE(quint8(t.ChannelToString(4).at(13)), quint8(255));
        // A list without selection encodes as all ones in its field.
        t.setMint(4, -1);
        QCOMPARE(quint8(t.ChannelToString(4).at(14)), quint8(0xBB));
    }

    void badChannelsRecordsAndBoxValuesAreRefusedWithoutChange()
    {
        ChannelTable t;
        const QByteArray rec(16, char(7));
        t.StringToChannel(16, rec);
        t.StringToChannel(0, QByteArray(16, char(1)));
        t.StringToChannel(17, QByteArray(16, char(1)));
        t.StringToChannel(5, QByteArray(15, char(1)));
        QCOMPARE(t.ChannelToString(16), rec);
        QVERIFY(t.ChannelToString(0).isEmpty());
        QVERIFY(t.ChannelToString(17).isEmpty());
        QVERIFY(t.row(5).boxes[0].isEmpty());

        // An empty box fails the encoding.
        t.StringToChannel(1, QByteArray(16, char(0x20)));
        QVERIFY(t.setBox(1, 11, QString()));
        QString error;
        QVERIFY(t.ChannelToString(1, &error).isEmpty());
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestConfigCatalogue)
#include "test_config_catalogue.moc"
