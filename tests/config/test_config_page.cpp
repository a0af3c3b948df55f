// The configuration page driven with the shipped catalogues: start-up, versions, common
// parameters, display byte, country codes and storing a standard configuration.
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

    void startupFillsListsAndAppliesFirstConfiguration()
    {
        IniFile rx30(f->path("rx30.ini"));
        IniFile io(f->path("io.ini"));
        QCOMPARE(f->page->versionEntries(), rx30.keys("Configurations"));
        QCOMPARE(f->page->statisticNames(), rx30.keys("Statistic options"));
        QCOMPARE(f->page->settingsPort(), QStringLiteral("SIMULATOR"));
        const QStringList inputs = io.keys("INPUTS");
        QCOMPARE(f->page->line(7).functions, io.keys("OUTPUTS") + inputs.mid(1));
        QCOMPARE(f->page->line(8).functions, inputs);

        QCOMPARE(f->page->versionIndex(), 0);
        QCOMPARE(f->imageText(), f->catalogueText(f->version()));
        for (int k = 1; k <= 8; ++k) {
            QVERIFY2(f->page->line(k).functionIndex >= 0, qPrintable(QString::number(k)));
            QCOMPARE(f->page->line(k).note, io.readValue(f->function(k), "Note"));
        }
        QVERIFY(f->errors().isEmpty());
    }

    void everyStandardConfigurationWritesBackAsStored()
    {
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

    void lineTimeUnitsFollowTheirKindAndDisplayDataSplits()
    {
        f->chooseVersion("Timer");
        // Kind 04 counts in time base x multiplier and shows the multiplier's unit (minutes
        // here), kind 05 counts seconds, the others 5 ms steps.
        QCOMPARE(f->page->line(1).timeOn, 10);
        QCOMPARE(f->page->line(1).timeOnMaximum, 65535);
        QCOMPARE(f->page->line(1).timeOnUnit, Msg(466));
        QCOMPARE(f->page->line(2).timeOnUnit, Msg(464));
        QCOMPARE(f->page->line(3).timeOnUnit, Msg(465));
        QCOMPARE(f->page->line(3).timeOn, 50);
        QCOMPARE(f->page->dipEntries().value(f->page->dipIndex()), QStringLiteral("Timer select"));
        QCOMPARE(f->page->displayMultiplierIndex(), 1);
        QCOMPARE(f->page->decimals(), 2);
    }

    void recognisedVersionIgnoresSorterSolenoidsOnOutputs4To6()
    {
        const QStringList standard = f->page->versionEntries();
        f->loadLines(
            "0404FFFF00000AFF 0305FFFF00001EFF 0000FFFF00000A0A - 0103020000000AFF - - 830101FF000000FF");
        QCOMPARE(f->version(), QStringLiteral("Timer"));
        QCOMPARE(f->page->versionEntries(), standard);
        // An inverted level is a different configuration.
        f->loadLines("0484FFFF00000AFF 0305FFFF00001EFF 0000FFFF00000A0A - - - - 830101FF000000FF");
        QCOMPARE(f->version(), Msg(460));
    }

    void customEntriesKeepLoadedConfigurationUntilTheListIsOpened()
    {
        const QStringList standard = f->page->versionEntries();
        f->loadLines("0200FF0000001400 - - - - - - -");
        f->loadLines("0200FF0000001400 - - - - - - -");
        QCOMPARE(f->page->versionEntries(), (standard + QStringList{Msg(460), Msg(460)}));
        QCOMPARE(f->page->versionIndex(), standard.size() + 1);
        const QString loaded = f->imageText();
        f->page->chooseVersion(standard.size());
        QCOMPARE(f->imageText(), loaded);
        f->page->openVersionList();
        QCOMPARE(f->page->versionEntries(), standard);
    }

    void bonusLevelsNeverFallBelowCredit()
    {
        f->page->setParam(P::Bonus1Level, 5);
        f->page->setParam(P::Bonus2Level, 7);
        QCOMPARE(f->page->paramValue(P::Bonus1Level), 5);
        f->page->setParam(P::Credit, 10);
        f->page->setParam(P::Bonus2Level, 3);
        QCOMPARE(f->page->image().paramText().left(8), QStringLiteral("0A0A010A"));
    }

    void zeroParametersWithoutFlagsHideControlsAndWriteBackUnchanged()
    {
        const QString zero = QString(36, QLatin1Char('0')) + QString(18, QLatin1Char('N'));
        QVERIFY(f->page->imageForLoad().setParamText(zero));
        QVERIFY(f->page->imageToWindow());
        for (int p : {P::Credit, P::Bonus1Level, P::Bonus1Value, P::Bonus2Level, P::Bonus2Value, P::BonusTime,
                      P::RestTime, P::TimeOutWarning, P::TimeMultiplier, P::MultVal, P::MultipriceMode})
            QVERIFY2(!f->page->paramVisible(p), qPrintable(QString::number(p)));
        f->page->windowToImage();
        QCOMPARE(f->page->image().paramText(), zero);
    }

    void timeMultiplierByteKeepsItsUnitBit()
    {
        f->chooseVersion("Timer");
        f->page->imageForLoad().setParam(P::TimeMultiplier, 0x85);
        f->page->imageToWindow();
        QCOMPARE(f->page->paramValue(P::TimeMultiplier), 5);
        f->page->windowToImage();
        QCOMPARE(f->page->image().param(P::TimeMultiplier), 0x85);
        // The timer line's step follows the multiplier; its stored byte does not change.
        QCOMPARE(f->page->line(1).timeOn, 50);
        f->page->setMultiplierMinutes(false);
        QCOMPARE(f->page->image().param(P::TimeMultiplier), 0x05);
        QCOMPARE(f->page->line(1).timeOnUnit, Msg(464));
        f->page->setParam(P::TimeMultiplier, 2);
        QCOMPARE(f->page->line(1).timeOn, 20);
        QCOMPARE(f->line(1), QStringLiteral("0404000000000AFF"));
    }

    void stopTimeAndFraudInhibitUnits()
    {
        QVERIFY(!f->page->stopTimeVisible());
        f->page->setModeByte(0x06);
        QVERIFY(f->page->stopTimeVisible());
        QCOMPARE(f->page->stopModeText(), Msg(36));
        QCOMPARE(f->page->autoprogText(), Msg(37));
        QCOMPARE(f->page->paramUnit(P::StopTime), Msg(106)); // 255
        f->page->setParam(P::StopTime, 2);
        QCOMPARE(f->page->paramValue(P::StopTime), f->page->stopTimeMinimum());
        QCOMPARE(f->page->paramUnit(P::StopTime), Msg(464));
        const QList<QPair<int, int>> inhibitUnits = {{0, 106}, {255, 108}, {30, 464}};
        for (const auto &[value, unit] : inhibitUnits) {
            f->page->setParam(P::InhibitTime, value);
            QCOMPARE(f->page->paramUnit(P::InhibitTime), Msg(unit));
        }
    }

    void displayByteReadsBackUnchangedForEveryValue()
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
    }

    void displayChoicesReadBackAsChosen()
    {
        QCOMPARE(f->page->displayMask(), 0x07); // credit pulses allow credit, value and time
        for (int type = 1; type < f->page->displayTypes().size(); ++type) {
            f->page->chooseDisplayType(type);
            for (int view = 0; view < f->page->viewOptions().size(); ++view) {
                f->page->chooseViewOption(view);
                const int stored = f->page->image().param(P::DisplayType);
                QCOMPARE(stored >> 4, type - 1);
                f->page->imageToWindow();
                QCOMPARE(f->page->displayTypeIndex(), type);
                QCOMPARE(f->page->viewIndex(), view);
                f->page->windowToImage();
                QCOMPARE(f->page->image().param(P::DisplayType), stored);
            }
        }
        QCOMPARE(f->page->image().param(P::DispOptions), 0x20); // "dsp_opt" of the last type
        f->page->chooseDisplayType(0);
        QCOMPARE(f->page->image().param(P::DisplayType), 0xFF);
        QVERIFY(f->informations().isEmpty());
    }

    void displayRefusedWithoutDisplayFunctions()
    {
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
        QCOMPARE(f->page->channels().ccLabels().first(), QStringLiteral("IT"));
        // Saving rebuilds from the lists even without "Accept".
        f->page->chooseCountry(2, names.indexOf("Switzerland"));
        QVERIFY(f->page->rebuildCountryCodes());
        QCOMPARE(f->page->image().countryCodes(), QStringLiteral("ITQQCH.."));
    }

    void storeStandardConfigurationAppendsSectionAndEntry()
    {
        f->page->setParam(P::Credit, 3);
        QByteArray expected = f->read("rx30.ini");
        f->prompts.queueAnswer(Prompts::Answer::Yes);
        f->prompts.queueText("Shop 7");
        QVERIFY(f->page->storeStandardConfiguration());

        const QByteArray lastEntry = "Latch outputs=1\n";
        QCOMPARE(expected.count(lastEntry), 1);
        expected.replace(lastEntry, lastEntry + "Shop 7=1\n");
        expected += QByteArray(7, '\n') + "[Shop 7]\n";
        for (int k = 0; k < 8; ++k)
            expected += kLineKeys.at(k).toLatin1() + '=' + f->line(k + 1).toLatin1() + '\n';
        const QByteArray params = f->page->image().paramText().toLatin1();
        for (int p = 0; p < 18; ++p)
            expected += P::paramKeys().at(p).toLatin1() + '=' + params.mid(2 * p, 2) + '\n';
        QCOMPARE(f->read("rx30.ini"), expected);
        QVERIFY(expected.contains("Credit=03\n"));
        QCOMPARE(f->version(), QStringLiteral("Shop 7"));

        // A fresh page offers it and applies it as stored.
        ConfigFixture g;
        QVERIFY(g.page->loadCatalogues(f->dir.path()));
        g.chooseVersion("Shop 7");
        QCOMPARE(g.imageText(), f->imageText());
    }

    void storeRefusesUsedOrMalformedNamesWithoutTouchingFile()
    {
        const QByteArray before = f->read("rx30.ini");
        // "No" stops before the name is asked.
        f->prompts.queueAnswer(Prompts::Answer::No);
        QVERIFY(!f->page->storeStandardConfiguration());
        QVERIFY(f->prompts.texts(ScriptedPrompts::Kind::InputText).isEmpty());

        f->prompts.queueAnswer(Prompts::Answer::Yes);
        for (const char *name : {"", "pulse STANDARD", "custom", "Settings", "a=b", "[x", " lead", "trail "})
            f->prompts.queueText(QString::fromLatin1(name));
        f->prompts.queueText(QString()); // Cancel
        QVERIFY(!f->page->storeStandardConfiguration());
        QCOMPARE(f->errors(), (QStringList{Msg(279), Msg(278), Msg(278), Msg(278), Msg(468), Msg(468),
                                           Msg(468), Msg(468)}));
        QCOMPARE(f->read("rx30.ini"), before);
    }
};

QTEST_GUILESS_MAIN(TestConfigPage)
#include "test_config_page.moc"
