// The configuration page with the shipped catalogues: start-up, versions, parameters, display
// byte, country codes, storing a configuration, and the rules of the I/O lines.
#include "ConfigFixture.h"

#include <QtTest>

class TestConfigPage : public QObject
{
    Q_OBJECT
    std::unique_ptr<ConfigFixture> f;

private slots:
    void init()
    {
        f = std::make_unique<ConfigFixture>();
        QVERIFY(f->loadShipped());
    }

    void startupAppliesFirstConfigurationAndEveryOneWritesBackAsStored()
    {
        QCOMPARE(f->page->versionEntries(), IniFile(f->path("rx30.ini")).keys("Configurations"));
        QCOMPARE(f->page->versionIndex(), 0);
        QCOMPARE(f->imageText(), f->catalogueText(f->version()));

        for (const QString &name : f->page->versionEntries()) {
            f->chooseVersion(name);
            f->page->windowToImage();
            QCOMPARE(f->imageText(), f->catalogueText(name));
            // Loading what was written recognises the same configuration.
            f->loadLines(f->linesText());
            QCOMPARE(f->version(), name);
        }
        QVERIFY(f->errors().isEmpty());
        QVERIFY(f->warnings().isEmpty());
    }

    void timerConfigurationShowsTimeUnitsAndStoresTimesInOneByte()
    {
        f->chooseVersion("Timer");
        // Kind 04 counts time base x multiplier in its unit, the others 5 ms.
        QCOMPARE(f->page->line(1).timeOn, 10);
        QCOMPARE(f->page->line(3).timeOn, 50);

        // The multiplier keeps its unit bit; the timer step follows it, the stored byte stays.
        f->page->imageForLoad().setParam(P::TimeMultiplier, 0x85);
        f->page->imageToWindow();
        f->page->windowToImage();
        QCOMPARE(f->page->image().param(P::TimeMultiplier), 0x85);
        QCOMPARE(f->page->line(1).timeOn, 50);
        f->page->setMultiplierMinutes(false);
        QCOMPARE(f->page->image().param(P::TimeMultiplier), 0x05);
        f->page->setParam(P::TimeMultiplier, 2);
        QCOMPARE(f->page->line(1).timeOn, 20);
        QCOMPARE(f->line(1), QStringLiteral("0404000000000AFF"));

        // Line times are clamped to one byte; Time Off counts 5 ms steps, rounded to the nearest.
        f->page->setTimeOn(1, 65535);
        QCOMPARE(f->line(1), QStringLiteral("040400000000FFFF"));
        f->page->setTimeOff(3, 52);
        QCOMPARE(f->page->image().lineByte(2, 7), 10);
        f->page->setTimeOff(3, 5000);
        QCOMPARE(f->line(3), QStringLiteral("0000FFFF00000AFF"));
        QCOMPARE(f->page->line(3).timeOff, 1275);
    }

    void recognitionToleratesLevelEdgeAndSolenoidsAndAddsCustomForUnknownLines()
    {
        const QStringList standard = f->page->versionEntries();
        f->loadLines(
            "0404FFFF00000AFF 0305FFFF00001EFF 0000FFFF00000A0A - 0103020000000AFF - - 830101FF000000FF");
        QCOMPARE(f->version(), QStringLiteral("Timer"));
        QCOMPARE(f->page->versionEntries(), standard);
        // An inverted level is unknown: "Custom", which keeps what was loaded when chosen.
        f->loadLines("0484FFFF00000AFF 0305FFFF00001EFF 0000FFFF00000A0A - - - - 830101FF000000FF");
        QCOMPARE(f->version(), Msg(460));
        const QString loaded = f->imageText();
        f->page->chooseVersion(f->page->versionIndex());
        QCOMPARE(f->imageText(), loaded);
        f->page->openVersionList();
        QCOMPARE(f->page->versionEntries(), standard);

        f->loadLines("058001FF00000A0A - - 0183010000000AFF 0103060000000AFF - - 828201FF000000FF");
        const QStringList found{f->function(1), f->function(4), f->function(8)};
        QCOMPARE(found, (QStringList{"Credit pulses", "Sorter solenoid", "Credit input"}));
        QCOMPARE(f->page->image().lineFlags(3), QStringLiteral("YNNY"));
        // The sorter number counts the direction bits; these solenoids match no sorter entry.
        QCOMPARE(f->page->image().param(P::SorterNum), 3);
        QVERIFY(f->page->line(5).channels[2] && !f->page->line(5).channels[0]);
        QCOMPARE(f->page->sorterIndex(), -1);
        // An unknown definition has no function and brings no flags.
        f->loadLines("3300000000000000 - - - - - - -");
        QCOMPARE(f->page->line(1).functionIndex, -1);
        QCOMPARE(f->page->image().lineFlags(0), QStringLiteral("NNNN"));
    }

    void parametersKeepLimitsAndUnitsAndUnusedOnesWriteBackUnchanged()
    {
        f->page->setParam(P::Bonus1Level, 5);
        f->page->setParam(P::Bonus2Level, 7);
        QCOMPARE(f->page->paramValue(P::Bonus1Level), 5);
        f->page->setParam(P::Credit, 10);
        f->page->setParam(P::Bonus2Level, 3);
        QCOMPARE(f->page->image().paramText().left(8), QStringLiteral("0A0A010A"));
        f->page->setParam(P::Credit, 0);
        QCOMPARE(f->page->paramValue(P::Credit), 1);

        f->page->setModeByte(0x06);
        f->page->setParam(P::StopTime, 2);
        QCOMPARE(f->page->paramValue(P::StopTime), f->page->stopTimeMinimum());

        // Parameters no function uses are written back unchanged.
        const QString zero = QString(36, QLatin1Char('0')) + QString(18, QLatin1Char('N'));
        QVERIFY(f->page->imageForLoad().setParamText(zero));
        QVERIFY(f->page->imageToWindow());
        f->page->windowToImage();
        QCOMPARE(f->page->image().paramText(), zero);
    }

    void displayByteReadsBackUnchangedLoadedOrChosen()
    {
        // The high digit selects type t + 1; one beyond the list and 0xFF mean "no display".
        const QHash<int, int> typeOf = {{0x05, 1}, {0x12, 2}, {0x22, 0}, {0xFF, 0}};
        for (int b = 0; b < 256; ++b) {
            f->page->imageForLoad().setParam(P::DisplayType, b);
            QVERIFY(f->page->imageToWindow());
            if (typeOf.contains(b))
                QCOMPARE(f->page->displayTypeIndex(), typeOf.value(b));
            f->page->windowToImage();
            QCOMPARE(f->page->image().param(P::DisplayType), b);
        }

        const int type = f->page->displayTypes().size() - 1;
        f->page->chooseDisplayType(type);
        f->page->chooseViewOption(1);
        const int stored = f->page->image().param(P::DisplayType);
        QCOMPARE(stored >> 4, type - 1);
        f->page->imageToWindow();
        QCOMPARE(f->page->viewIndex(), 1);
        QCOMPARE(f->page->image().param(P::DispOptions), 0x20); // "dsp_opt" of the last type
        f->page->chooseDisplayType(0);
        QCOMPARE(f->page->image().param(P::DisplayType), 0xFF);
        // Without a function that shows anything a display is refused.
        f->chooseVersion("Latch outputs");
        f->page->chooseDisplayType(1);
        QCOMPARE(f->informations(), QStringList{Msg(170)});
        QCOMPARE(f->page->displayTypeIndex(), 0);
        QCOMPARE(f->page->image().param(P::DisplayType), 0xFF);
    }

    void countryCodesKeepUnknownCodesAndRebuildFromLists()
    {
        const QStringList names = f->page->countryNames();
        f->page->imageForLoad().setCountryCodes("EUQQHR..");
        f->page->showCountryCodes();
        QCOMPARE(names.value(f->page->countryIndex(0)), QStringLiteral("Euro zone"));
        QCOMPARE(f->page->countryIndex(1), -1);
        QCOMPARE(f->page->channels().ccLabels(), (QStringList{"EU", "QQ", "HR", ".."}));

        f->page->chooseCountry(0, names.indexOf("Italy"));
        QVERIFY(f->page->acceptCountryCodes());
        QCOMPARE(f->page->image().countryCodes(), QStringLiteral("ITQQHR.."));
        // Saving rebuilds from the lists even without "Accept".
        f->page->chooseCountry(2, names.indexOf("Switzerland"));
        QVERIFY(f->page->rebuildCountryCodes());
        QCOMPARE(f->page->image().countryCodes(), QStringLiteral("ITQQCH.."));
    }

    void storeRefusesUsedOrMalformedNamesThenAppendsSectionAndEntry()
    {
        QByteArray expected = f->read("rx30.ini");
        f->prompts.queueAnswer(Prompts::Answer::No); // stops before the name is asked
        QVERIFY(!f->page->storeStandardConfiguration());
        QVERIFY(f->prompts.texts(ScriptedPrompts::Kind::InputText).isEmpty());

        f->prompts.queueAnswer(Prompts::Answer::Yes);
        for (const char *name : {"", "pulse STANDARD", "Settings", "a=b", " lead"})
            f->prompts.queueText(QString::fromLatin1(name));
        f->prompts.queueText(QString()); // Cancel
        QVERIFY(!f->page->storeStandardConfiguration());
        // An empty name is advice, not an error.
        QCOMPARE(f->prompts.texts(ScriptedPrompts::Kind::Information), QStringList{Msg(279)});
        QCOMPARE(f->errors(), (QStringList{Msg(278), Msg(278), Msg(468), Msg(468)}));
        QCOMPARE(f->read("rx30.ini"), expected);

        f->page->setParam(P::Credit, 3);
        f->prompts.queueAnswer(Prompts::Answer::Yes);
        f->prompts.queueText("Shop 7");
        QVERIFY(f->page->storeStandardConfiguration());

        const QByteArray lastEntry = "Latch outputs=1\n";
        expected.replace(lastEntry, lastEntry + "Shop 7=1\n");
        expected += QByteArray(7, '\n') + "[Shop 7]\n";
        for (int k = 0; k < 8; ++k)
            expected += kLineKeys.at(k).toLatin1() + '=' + f->line(k + 1).toLatin1() + '\n';
        const QByteArray params = f->page->image().paramText().toLatin1();
        for (int p = 0; p < 18; ++p)
            expected += P::paramKeys().at(p).toLatin1() + '=' + params.mid(2 * p, 2) + '\n';
        QCOMPARE(f->read("rx30.ini"), expected);
        QCOMPARE(f->version(), QStringLiteral("Shop 7"));
    }

    void assignmentRulesRefuseWithoutChange_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("function");
        QTest::addColumn<int>("message"); // 0: accepted
        QTest::newRow("solo function on a second line") << "Pulse standard" << 5 << "Credit pulses" << 322;
        QTest::newRow("solo function on its own line") << "Pulse standard" << 1 << "Credit pulses" << 0;
        QTest::newRow("conflicting function") << "Pulse standard" << 5 << "Value pulses" << 323;
        QTest::newRow("required function missing") << "Latch outputs" << 3 << "Timer" << 324;
        QTest::newRow("input an output depends on") << "Timer" << 8 << "Credit input" << 325;
        QTest::newRow("input on the shared line") << "Pulse standard" << 7 << "Start button" << 0;
    }

    void assignmentRulesRefuseWithoutChange()
    {
        QFETCH(QString, version);
        QFETCH(int, line);
        QFETCH(QString, function);
        QFETCH(int, message);
        f->chooseVersion(version);
        const QString before = f->imageText();
        const QString assigned = f->function(line);
        QCOMPARE(f->choose(line, function), message == 0);
        QCOMPARE(f->errors(), message ? QStringList{Msg(message)} : QStringList());
        QCOMPARE(f->function(line), message ? assigned : function);
        if (message)
            QCOMPARE(f->imageText(), before);
    }

    void assignedFunctionImposesParametersAndShowsItsControls()
    {
        f->page->setParam(P::MultipriceMode, 1);
        QVERIFY(f->choose(1, "Value pulses"));
        QCOMPARE(f->line(1), QStringLiteral("060601FF00000A0A"));
        QCOMPARE(f->page->line(1).value, 1);
        QCOMPARE(f->page->image().param(P::MultipriceMode), 0);

        // With the start button present the timer may be assigned.
        f->chooseVersion("Latch outputs");
        QVERIFY(f->choose(8, "Start button"));
        QVERIFY(f->choose(3, "Timer"));
        QCOMPARE(f->line(3), QStringLiteral("0404000000000AFF"));
    }

    void timerCheckComparesSecondsWithSeconds()
    {
        f->chooseVersion("Timer"); // timer 10 minutes, credit timer 30 s x credit 2
        QVERIFY(f->page->multiplierMinutes());
        f->page->setParam(P::TimeOutWarning, 20); // 20 s lies well within 10 minutes
        QVERIFY(f->warnings().isEmpty());
        QCOMPARE(f->page->image().param(P::TimeOutWarning), 20);
        f->page->setParam(P::TimeOutWarning, 80); // the credit timer gives 60 s only
        QCOMPARE(f->warnings(), QStringList{Msg(27)});
        QCOMPARE(f->page->paramValue(P::TimeOutWarning), 60);
        // A lower credit makes the credit timer shorter than the warning.
        f->page->setParam(P::Credit, 1);
        QCOMPARE(f->warnings().size(), 2);
        QCOMPARE(f->page->paramValue(P::TimeOutWarning), 30);
        // In seconds the timer output itself becomes the shorter one and pulls the warning down.
        f->page->setMultiplierMinutes(false);
        f->page->setTimeOn(1, 12);
        QCOMPARE(f->warnings().size(), 3);
        QCOMPARE(f->page->image().param(P::TimeOutWarning), 12);
    }

    // Data the program ships must be a fixed point of its own rules: applying a standard
    // configuration (with any sorter it allows), recognising what that wrote as a selector load
    // does, and applying again change nothing; neither does a line's own function.
    void shippedConfigurationsAndSortersAreFixedPoints()
    {
        for (const QString &name : f->page->versionEntries()) {
            for (int s = -1; s < f->page->sorterEntries().size(); ++s) {
                const QString where = name + QStringLiteral(" / ") + f->page->sorterEntries().value(s);
                f->chooseVersion(name);
                if (s >= 0) {
                    f->page->chooseSorter(s);
                    if (!f->page->acceptSorter()) {
                        f->prompts.clear(); // refused: the sorter does not fit this configuration
                        continue;
                    }
                }
                QVERIFY(f->page->windowToImage());
                const QString applied = f->imageText();
                QString params = f->page->image().paramText();
                params.replace(0, 2 * ConfigImage::ParamCount, applied.right(2 * ConfigImage::ParamCount));
                f->page->imageForLoad().setParamText(params);
                f->loadLines(f->linesText());
                QVERIFY(f->page->windowToImage());
                QVERIFY2(f->imageText() == applied,
                         qPrintable(where + ": " + f->imageText() + " != " + applied));
                for (int k = 1; k <= 6; ++k) { // inputs are protected by the outputs needing them
                    const int own = f->page->line(k).functionIndex;
                    if (own < 0 || f->page->line(k).sorter)
                        continue;
                    const QString before = f->page->image().paramText().left(2 * ConfigImage::ParamCount);
                    QVERIFY(f->page->chooseFunction(k, own));
                    QVERIFY2(f->page->image().paramText().left(2 * ConfigImage::ParamCount) == before,
                             qPrintable(where + ": " + f->function(k)));
                }
            }
        }
        QVERIFY2(f->errors().isEmpty(), qPrintable(f->errors().join(QLatin1Char('|'))));
    }

    // A value that does not convert stops the store where it is shown: nothing is written.
    void storeStopsAtAConversionError()
    {
        f->chooseVersion("Value pulses");
        f->page->chooseDisplayType(f->page->displayTypes().indexOf("LED 4 digits"));
        f->page->chooseViewOption(f->page->viewOptions().indexOf("Value"));
        QByteArray rx30 = f->read("rx30.ini");
        rx30.replace("Value=02", "Value=Z2");
        QVERIFY(writeFileBytes(f->path("rx30.ini"), rx30));
        f->prompts.queueAnswer(Prompts::Answer::Yes);
        f->prompts.queueText("Shop 9");
        QVERIFY(!f->page->storeStandardConfiguration());
        QCOMPARE(f->errors().size(), 1);
        QCOMPARE(f->read("rx30.ini"), rx30);
        QVERIFY(!f->page->versionEntries().contains("Shop 9"));
    }

    void sorterAcceptPutsSolenoidsOnFreeOutputsOnly()
    {
        const QString before = f->imageText(); // Output 4 carries a warning
        f->page->chooseSorter(f->page->sorterEntries().indexOf("3 ways sorter"));
        QVERIFY(!f->page->acceptSorter());
        QCOMPARE(f->errors(), QStringList{Msg(240)});
        QCOMPARE(f->imageText(), before);

        const int four = f->page->sorterEntries().indexOf("4 ways sorter");
        f->page->chooseSorter(four);
        QVERIFY(f->page->acceptSorter());
        QCOMPARE(f->page->image().lineText(5), QStringLiteral("0103020000000AFFYNNY"));
        QCOMPARE(f->page->image().param(P::SorterNum), 2); // two direction bits
        // A later refresh finds the same sorter from the solenoids.
        f->page->setParam(P::Credit, 2);
        QCOMPARE(f->page->sorterIndex(), four);

        f->page->chooseSorter(0); // no sorter frees the solenoids
        QVERIFY(f->page->acceptSorter());
        QCOMPARE(f->page->image().lineText(5), QStringLiteral("FFFFFFFFFFFFFFFFNNNY"));
        QCOMPARE(f->page->image().param(P::SorterNum), 0);
    }

    void levelAndEdgeButtonsToggleByteOneAndPictures()
    {
        f->page->toggleEdge(8); // Input 1 = 82 01
        QCOMPARE(f->page->image().lineByte(7, 1), 0x02);
        f->page->toggleLevel(8);
        QCOMPARE(f->page->image().lineByte(7, 1), 0x82);
        f->page->toggleLevel(5); // an unassigned line has no level
        QCOMPARE(f->line(5), QStringLiteral("FFFFFFFFFFFFFFFF"));
        // The edge only exists for inputs with bit 7 of byte 0 set.
        f->page->imageForLoad().setLineText(7, "068101FF000000FF");
        f->page->imageToWindow();
        QVERIFY(!f->page->line(8).edgeVisible);
        f->page->toggleEdge(8);
        QCOMPARE(f->page->image().lineByte(7, 1), 0x81);

        // Bit 7 of byte 1 is the line's level: it changes neither the time step nor the unit.
        f->chooseVersion("Timer");
        for (int k : {1, 2, 8}) {
            const LineRow before = f->page->line(k);
            f->page->toggleLevel(k);
            QVERIFY(f->page->image().lineByte(k - 1, 1) & 0x80);
            QCOMPARE(f->page->line(k).timeOnStep, before.timeOnStep);
            QCOMPARE(f->page->line(k).timeOn, before.timeOn);
        }
    }

    void impulseCountAdvisesOneImpulseWithValuePulses()
    {
        f->page->setImpulses(8, 4); // no value pulse output here
        QVERIFY(f->informations().isEmpty());
        QCOMPARE(f->page->image().lineByte(7, 2), 4);

        f->chooseVersion("Value pulses");
        f->page->setImpulses(7, 3);
        QCOMPARE(f->informations(), QStringList{Msg(166)});
        f->page->setImpulses(7, 1);
        QCOMPARE(f->informations().size(), 1);
    }

    void outputByteTwoHoldsWarningCodeChannelMaskOrPulseCount()
    {
        const QStringList names = f->page->warningNames();
        QCOMPARE(names.value(f->page->line(4).warningIndex), QStringLiteral("Time out"));
        f->page->chooseWarning(4, names.indexOf("Coin jam"));
        QCOMPARE(f->line(4), QStringLiteral("070602FF00000A0A"));

        f->loadLines("050001FF00000A0A 0000FF0000000A0A - 07062AFF00000A0A - - - 820101FF000000FF");
        QCOMPARE(f->page->line(4).warningIndex, -1);
        f->page->setTimeOff(4, 100);
        QCOMPARE(f->line(4), QStringLiteral("07062AFF00000A14"));
        f->page->chooseWarning(4, names.indexOf("Low credit"));
        QCOMPARE(f->line(4), QStringLiteral("070601FF00000A14"));

        // Coin pulse lines keep a channel mask, pulse outputs a count.
        f->page->setLineChannel(2, 1, false); // Output 2 pulses on channels 1..8
        f->page->setLineChannel(2, 16, true);
        QCOMPARE(f->line(2), QStringLiteral("0000FE8000000A0A"));
        f->page->setLineValue(1, 5);
        QCOMPARE(f->line(1), QStringLiteral("050005FF00000A0A"));
    }

    void dipSwitchModeMustBeAllowedByFunctions()
    {
        QCOMPARE(f->page->allowedDipCodes(), (QList<int>{0x00, 0x01, 0x02}));
        const QStringList modes = f->page->dipEntries();
        f->page->chooseDipMode(modes.indexOf("Price select"));
        QCOMPARE(f->page->image().param(P::DipSwMode), 0x01);
        f->page->chooseDipMode(modes.indexOf("Timer select"));
        QCOMPARE(f->errors(), QStringList{Msg(171)});
        QCOMPARE(f->page->image().param(P::DipSwMode), 0);
    }
};

QTEST_GUILESS_MAIN(TestConfigPage)
#include "test_config_page.moc"
