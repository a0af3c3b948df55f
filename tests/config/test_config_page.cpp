// The configuration page driven with the shipped catalogues: start-up, versions, common
// parameters, display byte, country codes and storing a standard configuration.
#include "ConfigFixture.h"
#include "config/IniFile.h"

#include <QtTest>

using P = ConfigPage;

class TestConfigPage : public QObject
{
    Q_OBJECT
private slots:
    void startupFillsListsAndAppliesFirstConfiguration();
    void choosingVersionAppliesItsLinesAndParameters();
    void everyStandardConfigurationWritesBackAsStored();
    void recognisedVersionIgnoresSorterSolenoidsOnOutputs4To6();
    void unknownConfigurationsAddCustomUntilTheListIsOpened();
    void choosingCustomKeepsTheLoadedConfiguration();
    void bonusLevelsNeverFallBelowCredit();
    void zeroParametersWithoutFlagsHideControlsAndWriteBackUnchanged();
    void timeMultiplierByteKeepsItsUnitBit();
    void stopTimeAndFraudInhibitUnitLabels();
    void displayByteReadsBackUnchangedForEveryValue();
    void displayChoicesReadBackAsChosen();
    void displayRefusedWithoutDisplayFunctions();
    void viewOptionNamesWhatTheFunctionsCannotShow();
    void countryCodesKeepUnknownCodesAndRebuildFromLists();
    void storeStandardConfigurationAppendsSectionAndEntry();
    void storeRefusesUsedOrMalformedNamesWithoutTouchingFile();
};

void TestConfigPage::startupFillsListsAndAppliesFirstConfiguration()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    IniFile rx30(f.path("rx30.ini"));
    IniFile io(f.path("io.ini"));
    QCOMPARE(f.page->versionEntries(), rx30.keys("Configurations"));
    QCOMPARE(f.page->versionIndex(), 0);
    QVERIFY(f.page->boxesVisible());
    QCOMPARE(f.page->settingsPort(), QStringLiteral("SIMULATOR"));
    QCOMPARE(f.page->settingsAddress(), 2);
    QCOMPARE(f.page->sorterEntries(), rx30.keys("Separators"));
    QCOMPARE(f.page->displayTypeIndex(), 0);
    QCOMPARE(f.page->dipIndex(), 0);
    QCOMPARE(f.page->statisticNames(), rx30.keys("Statistic options"));

    const QStringList outputs = io.keys("OUTPUTS");
    const QStringList inputs = io.keys("INPUTS");
    QCOMPARE(f.page->line(1).functions, outputs);
    QCOMPARE(f.page->line(7).functions, outputs + inputs.mid(1));
    QCOMPARE(f.page->line(8).functions, inputs);

    // The first configuration is in the image, line by line and byte by byte.
    const QString first = f.page->versionEntries().first();
    const QStringList lineKeys = {"Output1", "Output2", "Output3", "Output4",
                                  "Output5", "Output6", "In2Out7", "Input1"};
    for (int k = 1; k <= 8; ++k)
        QCOMPARE(f.line(k), rx30.readValue(first, lineKeys.at(k - 1)));
    for (int p = 0; p < 18; ++p)
        QCOMPARE(f.page->image().paramText().mid(2 * p, 2),
                 rx30.readValue(first, ConfigPage::paramKeys().at(p)));
    QVERIFY(f.page->image().loadedSections & ConfigImage::Configuration);

    // Every line found its function, and the notes come from io.ini.
    for (int k = 1; k <= 8; ++k) {
        const LineRow &row = f.page->line(k);
        QVERIFY2(row.functionIndex >= 0, qPrintable(QString::number(k)));
        QCOMPARE(row.note, io.readValue(row.functions.at(row.functionIndex), "Note"));
    }
    QVERIFY(f.errors().isEmpty());
}

void TestConfigPage::choosingVersionAppliesItsLinesAndParameters()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.page->chooseVersion(f.versionNamed("Timer"));
    QCOMPARE(f.line(1), QStringLiteral("0404000000000AFF"));
    QCOMPARE(f.page->paramValue(P::Credit), 2);
    QVERIFY(f.page->paramVisible(P::TimeMultiplier));
    QVERIFY(f.page->paramVisible(P::TimeOutWarning));
    QVERIFY(f.page->paramVisible(P::RestTime));
    QVERIFY(!f.page->paramVisible(P::Bonus1Value));
    QVERIFY(f.page->multiplierMinutes());
    // Kind 04 runs in time base x multiplier and follows the multiplier's unit letter.
    QCOMPARE(f.page->line(1).timeOn, 10);
    QCOMPARE(f.page->line(1).timeOnUnit, Msg(466));
    QCOMPARE(f.page->line(1).timeOnMaximum, 65535);
    QCOMPARE(f.page->line(2).timeOnUnit, Msg(464));
    QCOMPARE(f.page->line(3).timeOnUnit, Msg(465));
    QCOMPARE(f.page->line(3).timeOn, 50);
    QCOMPARE(f.page->dipEntries().at(f.page->dipIndex()), QStringLiteral("Timer select"));
    QCOMPARE(f.page->allowedDipCodes(), (QList<int>{0x00, 0x10}));
    QCOMPARE(f.page->displayMask(), 0x05);
    QCOMPARE(f.page->displayTypes().at(f.page->displayTypeIndex()), QStringLiteral("LCD 8 digits"));
    QCOMPARE(f.page->viewOptions().at(f.page->viewIndex()), QStringLiteral("Credit and time"));
    QCOMPARE(ConfigPage::displayMultipliers().at(f.page->displayMultiplierIndex()), QStringLiteral("1"));
    QCOMPARE(f.page->decimals(), 2);
}

void TestConfigPage::everyStandardConfigurationWritesBackAsStored()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    IniFile rx30(f.path("rx30.ini"));
    const QStringList lineKeys = {"Output1", "Output2", "Output3", "Output4",
                                  "Output5", "Output6", "In2Out7", "Input1"};
    for (const QString &name : f.page->versionEntries()) {
        f.page->chooseVersion(f.versionNamed(name));
        f.page->windowToImage();
        for (int k = 1; k <= 8; ++k)
            QCOMPARE(f.line(k), rx30.readValue(name, lineKeys.at(k - 1)));
        for (int p = 0; p < 18; ++p)
            QCOMPARE(f.page->image().paramText().mid(2 * p, 2),
                     rx30.readValue(name, ConfigPage::paramKeys().at(p)));
        // Loading what was written recognises the same configuration.
        QStringList lines;
        for (int k = 0; k < 8; ++k)
            lines << f.page->image().lineText(k).left(16);
        f.loadLines(lines);
        QCOMPARE(f.page->versionEntries().at(f.page->versionIndex()), name);
    }
    QVERIFY(f.errors().isEmpty());
    QVERIFY(f.warnings().isEmpty());
}

void TestConfigPage::recognisedVersionIgnoresSorterSolenoidsOnOutputs4To6()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.loadLines({"0404FFFF00000AFF", "0305FFFF00001EFF", "0000FFFF00000A0A", "FFFFFFFFFFFFFFFF",
                 "0103020000000AFF", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "830101FF000000FF"});
    QCOMPARE(f.page->versionEntries().at(f.page->versionIndex()), QStringLiteral("Timer"));
    QVERIFY(!f.page->versionEntries().contains(Msg(460)));
    QVERIFY(f.page->line(5).sorter);
    QCOMPARE(f.page->line(5).note, Msg(248));

    // Bit 7 of byte 1 of a stored line does not hide the configuration either.
    f.loadLines({"0484FFFF00000AFF", "0305FFFF00001EFF", "0000FFFF00000A0A", "FFFFFFFFFFFFFFFF",
                 "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "830101FF000000FF"});
    QCOMPARE(f.page->versionEntries().at(f.page->versionIndex()), QStringLiteral("Custom"));
    QCOMPARE(f.page->line(1).functions.at(f.page->line(1).functionIndex), QStringLiteral("Timer"));
}

void TestConfigPage::unknownConfigurationsAddCustomUntilTheListIsOpened()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    const int standard = f.page->versionEntries().size();
    const QStringList unknown(8, QStringLiteral("FFFFFFFFFFFFFFFF"));
    f.loadLines(unknown);
    f.loadLines(unknown);
    QCOMPARE(f.page->versionEntries().size(), standard + 2);
    QCOMPARE(f.page->versionEntries().mid(standard), (QStringList{Msg(460), Msg(460)}));
    QCOMPARE(f.page->versionIndex(), standard + 1);
    f.page->openVersionList();
    QCOMPARE(f.page->versionEntries().size(), standard);
    QVERIFY(!f.page->versionEntries().contains(Msg(460)));
}

void TestConfigPage::choosingCustomKeepsTheLoadedConfiguration()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.loadLines({"0200FF0000001400", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF",
                 "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF"});
    const QString before = f.page->image().paramText() + f.line(1);
    f.page->chooseVersion(f.page->versionEntries().indexOf(Msg(460)));
    QCOMPARE(f.page->image().paramText() + f.line(1), before);
}

void TestConfigPage::bonusLevelsNeverFallBelowCredit()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.page->setParam(P::Bonus1Level, 5);
    f.page->setParam(P::Bonus2Level, 7);
    QCOMPARE(f.page->paramValue(P::Bonus1Level), 5);
    f.page->setParam(P::Credit, 10);
    QCOMPARE(f.page->paramValue(P::Bonus1Level), 10);
    QCOMPARE(f.page->paramValue(P::Bonus2Level), 10);
    f.page->setParam(P::Bonus2Level, 3);
    QCOMPARE(f.page->paramValue(P::Bonus2Level), 10);
    QCOMPARE(f.page->image().paramText().left(8), QStringLiteral("0A0A010A"));
    f.page->setParam(P::Credit, 0); // the credit is at least 1
    QCOMPARE(f.page->paramValue(P::Credit), 1);
}

void TestConfigPage::zeroParametersWithoutFlagsHideControlsAndWriteBackUnchanged()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    const QString zero = QString(36, QLatin1Char('0')) + QString(18, QLatin1Char('N'));
    QVERIFY(f.page->imageForLoad().setParamText(zero));
    QVERIFY(f.page->imageToWindow());
    for (int p : {P::Credit, P::Bonus1Level, P::Bonus1Value, P::Bonus2Level, P::Bonus2Value, P::BonusTime,
                  P::RestTime, P::TimeOutWarning, P::TimeMultiplier, P::MultVal, P::MultipriceMode})
        QVERIFY2(!f.page->paramVisible(p), qPrintable(QString::number(p)));
    f.page->windowToImage();
    QCOMPARE(f.page->image().paramText(), zero);
}

void TestConfigPage::timeMultiplierByteKeepsItsUnitBit()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.page->chooseVersion(f.versionNamed("Timer"));
    f.page->imageForLoad().setParam(P::TimeMultiplier, 0x85);
    f.page->imageToWindow();
    QCOMPARE(f.page->paramValue(P::TimeMultiplier), 5);
    QVERIFY(f.page->multiplierMinutes());
    QCOMPARE(f.page->paramUnit(P::TimeMultiplier), Msg(466));
    f.page->windowToImage();
    QCOMPARE(f.page->image().param(P::TimeMultiplier), 0x85);
    // The timer line's step follows the multiplier; its stored byte does not change.
    QCOMPARE(f.page->line(1).timeOnStep, 5);
    QCOMPARE(f.page->line(1).timeOn, 50);
    f.page->setMultiplierMinutes(false);
    QCOMPARE(f.page->image().param(P::TimeMultiplier), 0x05);
    QCOMPARE(f.page->line(1).timeOnUnit, Msg(464));
    f.page->setParam(P::TimeMultiplier, 2);
    QCOMPARE(f.page->line(1).timeOn, 20);
    QCOMPARE(f.line(1), QStringLiteral("0404000000000AFF"));
}

void TestConfigPage::stopTimeAndFraudInhibitUnitLabels()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    QVERIFY(!f.page->stopTimeVisible());
    f.page->setModeByte(0x06);
    QVERIFY(f.page->stopTimeVisible());
    QCOMPARE(f.page->stopModeText(), Msg(36));
    QCOMPARE(f.page->autoprogText(), Msg(37));
    QCOMPARE(f.page->paramUnit(P::StopTime), Msg(106)); // 255
    f.page->setParam(P::StopTime, 2);
    QCOMPARE(f.page->paramValue(P::StopTime), f.page->stopTimeMinimum());
    QCOMPARE(f.page->paramUnit(P::StopTime), Msg(464));
    QCOMPARE(f.page->paramUnit(P::InhibitTime), Msg(106));
    f.page->setParam(P::InhibitTime, 255);
    QCOMPARE(f.page->paramUnit(P::InhibitTime), Msg(108));
    f.page->setParam(P::InhibitTime, 30);
    QCOMPARE(f.page->paramUnit(P::InhibitTime), Msg(464));
    QCOMPARE(f.page->image().param(P::InhibitTime), 30);
}

void TestConfigPage::displayByteReadsBackUnchangedForEveryValue()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    for (int b = 0; b < 256; ++b) {
        f.page->imageForLoad().setParam(P::DisplayType, b);
        QVERIFY(f.page->imageToWindow());
        f.page->windowToImage();
        QCOMPARE(f.page->image().param(P::DisplayType), b);
    }
    // The documented selections.
    f.page->imageForLoad().setParam(P::DisplayType, 0xFF);
    f.page->imageToWindow();
    QCOMPARE(f.page->displayTypeIndex(), 0);
    f.page->imageForLoad().setParam(P::DisplayType, 0x12);
    f.page->imageToWindow();
    QCOMPARE(f.page->displayTypeIndex(), 2);
    QCOMPARE(f.page->viewOptions().at(f.page->viewIndex()), QStringLiteral("Value"));
    f.page->imageForLoad().setParam(P::DisplayType, 0x01);
    f.page->imageToWindow();
    QCOMPARE(f.page->displayTypeIndex(), 1);
}

void TestConfigPage::displayChoicesReadBackAsChosen()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped()); // credit pulses allow credit, value and time
    QCOMPARE(f.page->displayMask(), 0x07);
    for (int type = 1; type < f.page->displayTypes().size(); ++type) {
        f.page->chooseDisplayType(type);
        QVERIFY(f.page->viewVisible());
        for (int view = 0; view < f.page->viewOptions().size(); ++view) {
            f.page->chooseViewOption(view);
            const int stored = f.page->image().param(P::DisplayType);
            QCOMPARE(stored >> 4, type - 1);
            f.page->imageToWindow();
            QCOMPARE(f.page->displayTypeIndex(), type);
            QCOMPARE(f.page->viewIndex(), view);
            f.page->windowToImage();
            QCOMPARE(f.page->image().param(P::DisplayType), stored);
        }
    }
    f.page->chooseDisplayType(2);
    QCOMPARE(f.page->image().param(P::DispOptions), 0x20); // its "dsp_opt"
    f.page->chooseDisplayType(0);
    QCOMPARE(f.page->image().param(P::DisplayType), 0xFF);
    QVERIFY(!f.page->viewVisible());
    QVERIFY(f.informations().isEmpty());
}

void TestConfigPage::displayRefusedWithoutDisplayFunctions()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.page->chooseVersion(f.versionNamed("Latch outputs"));
    QCOMPARE(f.page->displayMask(), 0);
    f.page->chooseDisplayType(1);
    QCOMPARE(f.informations(), QStringList{Msg(170)});
    QCOMPARE(f.page->displayTypeIndex(), 0);
    QCOMPARE(f.page->viewIndex(), -1);
    QCOMPARE(f.page->image().param(P::DisplayType), 0xFF);
}

void TestConfigPage::viewOptionNamesWhatTheFunctionsCannotShow()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.page->chooseVersion(f.versionNamed("Value pulses")); // credit and value only
    QCOMPARE(f.page->displayMask(), 0x03);
    QCOMPARE(f.page->displayTypeIndex(), 2);
    QCOMPARE(f.page->viewOptions().at(f.page->viewIndex()), QStringLiteral("Value"));
    QVERIFY(f.page->multiplierVisible());
    f.page->chooseViewOption(f.page->viewOptions().indexOf("Time"));
    QCOMPARE(f.informations(), QStringList{Msg(169) + Msg(297)});
    QVERIFY(!f.page->multiplierVisible());
    QCOMPARE(f.page->image().param(P::DisplayType), 0x10); // time masked away
    f.page->chooseViewOption(f.page->viewOptions().indexOf("Credit"));
    QCOMPARE(f.informations().size(), 1);
}

void TestConfigPage::countryCodesKeepUnknownCodesAndRebuildFromLists()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    const QStringList names = f.page->countryNames();
    QCOMPARE(f.page->image().countryCodes(), QStringLiteral("........"));
    QCOMPARE(names.at(f.page->countryIndex(0)), QStringLiteral("Not used"));

    f.page->imageForLoad().setCountryCodes("EUQQHR..");
    f.page->showCountryCodes();
    QCOMPARE(names.at(f.page->countryIndex(0)), QStringLiteral("Euro zone"));
    QCOMPARE(f.page->countryIndex(1), -1);
    QCOMPARE(names.at(f.page->countryIndex(2)), QStringLiteral("Croatia"));
    QCOMPARE(f.page->channels().ccLabels(), (QStringList{"EU", "QQ", "HR", ".."}));

    f.page->chooseCountry(0, names.indexOf("Italy"));
    QVERIFY(f.page->acceptCountryCodes());
    QCOMPARE(f.page->image().countryCodes(), QStringLiteral("ITQQHR.."));
    QCOMPARE(f.page->channels().ccLabels().first(), QStringLiteral("IT"));
    // Saving rebuilds from the lists even without "Accept".
    f.page->chooseCountry(2, names.indexOf("Switzerland"));
    QVERIFY(f.page->rebuildCountryCodes());
    QCOMPARE(f.page->image().countryCodes(), QStringLiteral("ITQQCH.."));
}

void TestConfigPage::storeStandardConfigurationAppendsSectionAndEntry()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.page->setEditMode(true);
    f.page->setParam(P::Credit, 3);
    const QByteArray before = f.read("rx30.ini");
    f.prompts.queueAnswer(Prompts::Answer::Yes);
    f.prompts.queueText("Shop 7");
    QVERIFY(f.page->storeStandardConfiguration());

    QByteArray expected = before;
    const QByteArray lastEntry = "Latch outputs=1\n";
    QVERIFY(expected.count(lastEntry) == 1);
    expected.replace(lastEntry, lastEntry + "Shop 7=1\n");
    expected += QByteArray(7, '\n') + "[Shop 7]\n";
    const QStringList lineKeys = {"Output1", "Output2", "Output3", "Output4",
                                  "Output5", "Output6", "In2Out7", "Input1"};
    for (int k = 0; k < 8; ++k)
        expected += lineKeys.at(k).toLatin1() + '=' + f.page->image().lineText(k).left(16).toLatin1() + '\n';
    for (int p = 0; p < 18; ++p)
        expected += ConfigPage::paramKeys().at(p).toLatin1() + '=' +
                    f.page->image().paramText().mid(2 * p, 2).toLatin1() + '\n';
    QCOMPARE(f.read("rx30.ini"), expected);
    QVERIFY(expected.contains("Credit=03\n"));
    QCOMPARE(f.page->versionEntries().last(), QStringLiteral("Shop 7"));
    QCOMPARE(f.page->versionIndex(), f.page->versionEntries().size() - 1);

    // A fresh page offers it and applies it as stored.
    ConfigFixture g;
    QVERIFY(g.page->loadCatalogues(f.dir.path()));
    g.page->chooseVersion(g.versionNamed("Shop 7"));
    QCOMPARE(g.page->image().paramText().left(36), f.page->image().paramText().left(36));
}

void TestConfigPage::storeRefusesUsedOrMalformedNamesWithoutTouchingFile()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    const QByteArray before = f.read("rx30.ini");
    // "No" stops before the name is asked.
    f.prompts.queueAnswer(Prompts::Answer::No);
    QVERIFY(!f.page->storeStandardConfiguration());
    QVERIFY(f.prompts.texts(ScriptedPrompts::Kind::InputText).isEmpty());

    f.prompts.queueAnswer(Prompts::Answer::Yes);
    for (const char *name : {"", "pulse STANDARD", "custom", "Settings", "a=b", "[x", " lead", "trail "})
        f.prompts.queueText(QString::fromLatin1(name));
    f.prompts.queueText(QString()); // Cancel
    QVERIFY(!f.page->storeStandardConfiguration());
    QCOMPARE(f.errors(),
             (QStringList{Msg(279), Msg(278), Msg(278), Msg(278), Msg(468), Msg(468), Msg(468), Msg(468)}));
    QCOMPARE(f.read("rx30.ini"), before);
}

QTEST_GUILESS_MAIN(TestConfigPage)
#include "test_config_page.moc"
