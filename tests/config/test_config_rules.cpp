// The I/O line rules of the configuration page with the shipped catalogues: function
// assignment checks, recognition, timer check, sorter, level/edge buttons, impulse counts,
// warnings and DIP switch modes.
#include "ConfigFixture.h"

#include <QtTest>

using P = ConfigPage;

class TestConfigRules : public QObject
{
    Q_OBJECT
private slots:
    void soloFunctionCannotBeOnTwoLines();
    void conflictingFunctionIsRefused();
    void mustHaveAndInputProtection();
    void assignedFunctionImposesParametersAndShowsItsControls();
    void recognitionAcceptsInvertedLevelAndSwappedEdge();
    void sorterNumberCountsDirectionBits();
    void timerCheckLimitsTimeOutWarning();
    void lineTimesAreClampedToOneByte();
    void sorterAcceptRefusesOccupiedOutputs();
    void sorterAcceptPutsSolenoidsAndKeepsSelection();
    void levelAndEdgeButtonsToggleByteOneAndPictures();
    void impulseCountAdvisesOneImpulseWithValuePulses();
    void warningCodeFollowsListAndUnknownCodeIsKept();
    void dipSwitchModeMustBeAllowedByFunctions();
    void channelCheckBoxesBecomeChannelMasks();
};

void TestConfigRules::soloFunctionCannotBeOnTwoLines()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped()); // credit pulses on Output 1
    const int creditPulses = f.page->line(5).functions.indexOf("Credit pulses");
    QVERIFY(!f.page->chooseFunction(5, creditPulses));
    QCOMPARE(f.errors(), QStringList{Msg(322)});
    QCOMPARE(f.line(5), QStringLiteral("FFFFFFFFFFFFFFFF"));
    QCOMPARE(f.page->line(5).functionIndex, 0);
    // The same function on the line that carries it is not a second copy.
    QVERIFY(f.page->chooseFunction(1, creditPulses));
}

void TestConfigRules::conflictingFunctionIsRefused()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    QVERIFY(!f.page->chooseFunction(5, f.page->line(5).functions.indexOf("Value pulses")));
    QCOMPARE(f.errors(), QStringList{Msg(323)});
    QCOMPARE(f.line(5), QStringLiteral("FFFFFFFFFFFFFFFF"));
}

void TestConfigRules::mustHaveAndInputProtection()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.page->chooseVersion(f.versionNamed("Latch outputs"));
    const int timer = f.page->line(3).functions.indexOf("Timer");
    QVERIFY(!f.page->chooseFunction(3, timer));
    QCOMPARE(f.errors(), QStringList{Msg(324)});

    const QStringList inputs = f.page->line(8).functions;
    QVERIFY(f.page->chooseFunction(8, inputs.indexOf("Start button")));
    QCOMPARE(f.line(8), QStringLiteral("830101FF000000FF"));
    QVERIFY(f.page->chooseFunction(3, timer));
    QCOMPARE(f.line(3), QStringLiteral("0404000000000AFF"));
    QCOMPARE(f.page->line(3).note, QStringLiteral("Timer output"));

    // The timer depends on the start button: Input 1 cannot be changed now.
    QVERIFY(!f.page->chooseFunction(8, inputs.indexOf("Credit input")));
    QCOMPARE(f.errors().last(), Msg(325));
    QCOMPARE(f.line(8), QStringLiteral("830101FF000000FF"));
    QCOMPARE(inputs.at(f.page->line(8).functionIndex), QStringLiteral("Start button"));
}

void TestConfigRules::assignedFunctionImposesParametersAndShowsItsControls()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.page->setParam(P::MultipriceMode, 1);
    QCOMPARE(f.page->image().param(P::MultipriceMode), 1);
    QVERIFY(!f.page->paramVisible(P::MultipriceMode));
    QVERIFY(f.page->chooseFunction(1, f.page->line(1).functions.indexOf("Value pulses")));
    QCOMPARE(f.line(1), QStringLiteral("060601FF00000A0A"));
    QCOMPARE(f.page->image().param(P::MultipriceMode), 0);
    QVERIFY(f.page->paramVisible(P::MultipriceMode));
    QVERIFY(!f.page->paramVisible(P::Bonus1Level)); // only credit pulses used it
    QVERIFY(f.page->line(1).valueVisible);
    QCOMPARE(f.page->line(1).value, 1);
    QVERIFY(f.page->valueHeaderVisible());
    QCOMPARE(f.page->image().lineFlags(0), QStringLiteral("YYNN"));
    QVERIFY(f.page->image().loadedSections & ConfigImage::Configuration);
    // Unassigning goes through the catalogue's empty entry.
    QVERIFY(f.page->chooseFunction(1, 0));
    QCOMPARE(f.line(1), QStringLiteral("FFFFFFFFFFFFFFFF"));
    QVERIFY(!f.page->line(1).levelVisible);
}

void TestConfigRules::recognitionAcceptsInvertedLevelAndSwappedEdge()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.loadLines({"058001FF00000A0A", "0000FF0000000A0A", "FFFFFFFFFFFFFFFF", "0183010000000AFF",
                 "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "828201FF000000FF"});
    QCOMPARE(f.page->line(1).functions.at(f.page->line(1).functionIndex), QStringLiteral("Credit pulses"));
    QCOMPARE(f.page->line(4).functions.at(f.page->line(4).functionIndex), QStringLiteral("Sorter solenoid"));
    QCOMPARE(f.page->image().lineFlags(3), QStringLiteral("YNNY"));
    QCOMPARE(f.page->line(8).functions.at(f.page->line(8).functionIndex), QStringLiteral("Credit input"));
    // An unknown definition has no function and brings no flags.
    f.loadLines({"3300000000000000", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF",
                 "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF"});
    QCOMPARE(f.page->line(1).functionIndex, -1);
    QCOMPARE(f.page->image().lineFlags(0), QStringLiteral("NNNN"));
    QVERIFY(f.page->line(1).note.isEmpty());
}

void TestConfigRules::sorterNumberCountsDirectionBits()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.loadLines({"050001FF00000A0A", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF",
                 "0103030000000AFF", "0103040000000AFF", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF"});
    QCOMPARE(f.page->image().param(P::SorterNum), 3);
    QVERIFY(f.page->directionsHeaderVisible());
    QVERIFY(f.page->line(5).sorter);
    QVERIFY(f.page->line(5).channels[0] && f.page->line(5).channels[1] && !f.page->line(5).channels[2]);
    // Solenoids that match no sorter entry leave the sorter list without selection.
    QCOMPARE(f.page->sorterIndex(), -1);
}

void TestConfigRules::timerCheckLimitsTimeOutWarning()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.page->chooseVersion(f.versionNamed("Timer")); // timer 10, credit timer 30 x credit 2
    f.page->setParam(P::TimeOutWarning, 8);
    QVERIFY(f.warnings().isEmpty());
    f.page->setParam(P::TimeOutWarning, 20);
    QCOMPARE(f.warnings(), QStringList{Msg(27)});
    QCOMPARE(f.page->paramValue(P::TimeOutWarning), 10);
    QCOMPARE(f.page->image().param(P::TimeOutWarning), 10);

    f.page->setTimeOn(1, 100);
    QCOMPARE(f.page->image().lineByte(0, 6), 100);
    f.page->setParam(P::TimeOutWarning, 80); // the credit timer gives 60 only
    QCOMPARE(f.warnings().size(), 2);
    QCOMPARE(f.page->paramValue(P::TimeOutWarning), 60);

    // A lower credit makes the credit timer shorter than the warning.
    f.page->setParam(P::Credit, 1);
    QCOMPARE(f.warnings().size(), 3);
    QCOMPARE(f.page->paramValue(P::TimeOutWarning), 30);
    // A shorter timer output pulls the warning down with it.
    f.page->setTimeOn(1, 12);
    QCOMPARE(f.page->paramValue(P::TimeOutWarning), 12);
}

void TestConfigRules::lineTimesAreClampedToOneByte()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.page->chooseVersion(f.versionNamed("Timer"));
    const QString line2 = f.page->image().lineText(1);
    f.page->setTimeOn(1, 65535);
    QCOMPARE(f.page->image().lineText(0), QStringLiteral("040400000000FFFFYNNN"));
    QCOMPARE(f.page->image().lineText(1), line2);
    QCOMPARE(f.page->image().paramText().size(), 54);
    // Time Off steps of 5 ms, rounded to the nearest step.
    f.page->setTimeOff(3, 52);
    QCOMPARE(f.page->image().lineByte(2, 7), 10);
    QCOMPARE(f.page->line(3).timeOff, 50);
    // 1300 ms is 260 steps: stored as 255, shown as what is stored.
    f.page->setTimeOff(3, 5000);
    QCOMPARE(f.page->image().lineByte(2, 7), 255);
    QCOMPARE(f.page->line(3).timeOff, 1275);
    QCOMPARE(f.page->image().lineText(2).left(12), QStringLiteral("0000FFFF0000"));
}

void TestConfigRules::sorterAcceptRefusesOccupiedOutputs()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped()); // Output 4 carries a warning
    const QString before =
        f.page->image().lineText(3) + f.page->image().lineText(4) + f.page->image().lineText(5);
    f.page->chooseSorter(f.page->sorterEntries().indexOf("3 ways sorter"));
    QVERIFY(!f.page->acceptSorter());
    QCOMPARE(f.errors(), QStringList{Msg(240)});
    QCOMPARE(f.page->sorterIndex(), 0);
    QCOMPARE(f.page->image().lineText(3) + f.page->image().lineText(4) + f.page->image().lineText(5), before);
}

void TestConfigRules::sorterAcceptPutsSolenoidsAndKeepsSelection()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    const int four = f.page->sorterEntries().indexOf("4 ways sorter");
    f.page->chooseSorter(four);
    QVERIFY(f.page->acceptSorter());
    QCOMPARE(f.informations(), QStringList{Msg(239)});
    QCOMPARE(f.page->sorterIndex(), four);
    QCOMPARE(f.line(4), QStringLiteral("0706BFFF00000A0A")); // not used by this sorter
    QCOMPARE(f.page->image().lineText(4), QStringLiteral("0103010000000AFFYNNY"));
    QCOMPARE(f.page->image().lineText(5), QStringLiteral("0103020000000AFFYNNY"));
    QCOMPARE(f.page->image().param(P::SorterNum), 4);
    QCOMPARE(f.page->line(5).note, Msg(248));
    QVERIFY(f.page->line(5).timeOnVisible);
    QCOMPARE(f.page->line(5).timeOnUnit, Msg(465));
    // A later refresh finds the same sorter from the solenoids.
    f.page->setParam(P::Credit, 2);
    QCOMPARE(f.page->sorterIndex(), four);

    f.page->chooseSorter(0); // no sorter frees the solenoids
    QVERIFY(f.page->acceptSorter());
    QCOMPARE(f.page->image().lineText(4), QStringLiteral("FFFFFFFFFFFFFFFFNNNY"));
    QCOMPARE(f.page->image().lineText(5), QStringLiteral("FFFFFFFFFFFFFFFFNNNY"));
    QCOMPARE(f.page->image().param(P::SorterNum), 0);
    QVERIFY(!f.page->directionsHeaderVisible());
    QVERIFY(f.page->line(5).note.isEmpty());
}

void TestConfigRules::levelAndEdgeButtonsToggleByteOneAndPictures()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped()); // Input 1 = 82 01
    QCOMPARE(f.page->line(8).levelPicture, QStringLiteral("B1P"));
    QCOMPARE(f.page->line(8).edgePicture, QStringLiteral("BUP"));
    QVERIFY(f.page->line(8).edgeVisible);
    f.page->toggleEdge(8);
    QCOMPARE(f.page->image().lineByte(7, 1), 0x02);
    QCOMPARE(f.page->line(8).levelPicture, QStringLiteral("B1Z"));
    QCOMPARE(f.page->line(8).edgePicture, QStringLiteral("BDN"));
    f.page->toggleLevel(8);
    QCOMPARE(f.page->image().lineByte(7, 1), 0x82);
    QCOMPARE(f.page->line(8).levelPicture, QStringLiteral("B0Z"));
    QCOMPARE(f.page->line(8).edgePicture, QStringLiteral("BUP"));
    f.page->recogniseFunctions();
    QCOMPARE(f.page->line(8).functions.at(f.page->line(8).functionIndex), QStringLiteral("Credit input"));

    // Outputs: B0I / B1I by bit 7; an unassigned line has no level button.
    QCOMPARE(f.page->line(1).levelPicture, QStringLiteral("B0I"));
    f.page->toggleLevel(1);
    QCOMPARE(f.page->image().lineByte(0, 1), 0x80);
    QCOMPARE(f.page->line(1).levelPicture, QStringLiteral("B1I"));
    QVERIFY(!f.page->line(5).levelVisible);
    f.page->toggleLevel(5);
    QCOMPARE(f.line(5), QStringLiteral("FFFFFFFFFFFFFFFF"));

    // The edge only exists for inputs with bit 7 of byte 0 set.
    f.page->imageForLoad().setLineText(7, "068101FF000000FF");
    f.page->imageToWindow();
    f.page->toggleEdge(8);
    QCOMPARE(f.page->image().lineByte(7, 1), 0x81);
    QVERIFY(!f.page->line(8).edgeVisible);
    f.page->imageForLoad().setLineText(7, "868101FF000000FF");
    f.page->imageToWindow();
    f.page->toggleEdge(8);
    QCOMPARE(f.page->image().lineByte(7, 1), 0x82);
}

void TestConfigRules::impulseCountAdvisesOneImpulseWithValuePulses()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    f.page->setImpulses(8, 4); // no value pulse output here
    QVERIFY(f.informations().isEmpty());
    QCOMPARE(f.page->image().lineByte(7, 2), 4);
    QCOMPARE(f.page->line(8).impulsesCaption, Msg(143));

    f.page->chooseVersion(f.versionNamed("Value pulses"));
    QVERIFY(f.page->line(7).impulsesVisible);
    QCOMPARE(f.page->line(7).impulsesCaption, Msg(470));
    QCOMPARE(f.page->line(7).impulses, 2);
    f.page->setImpulses(7, 3);
    QCOMPARE(f.informations(), QStringList{Msg(166)});
    QCOMPARE(f.page->image().lineByte(6, 2), 3);
    f.page->setImpulses(7, 1);
    QCOMPARE(f.informations().size(), 1);
    // Byte 1 = 0 means a plain level input: no count.
    f.page->chooseVersion(f.versionNamed("Latch outputs"));
    QVERIFY(!f.page->line(8).impulsesVisible);
}

void TestConfigRules::warningCodeFollowsListAndUnknownCodeIsKept()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    const QStringList names = f.page->warningNames();
    QVERIFY(f.page->line(4).warningVisible);
    QVERIFY(!f.page->line(4).timeOnVisible);
    QCOMPARE(names.at(f.page->line(4).warningIndex), QStringLiteral("Time out"));
    QVERIFY(f.page->paramVisible(P::TimeOutWarning)); // warning code BF
    f.page->chooseWarning(4, names.indexOf("Coin jam"));
    QCOMPARE(f.line(4), QStringLiteral("070602FF00000A0A"));
    QVERIFY(!f.page->paramVisible(P::TimeOutWarning));

    f.loadLines({"050001FF00000A0A", "0000FF0000000A0A", "000000FF00000A0A", "07062AFF00000A0A",
                 "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "800001FF00000A0A", "820101FF000000FF"});
    QCOMPARE(f.page->line(4).warningIndex, -1);
    f.page->windowToImage();
    QCOMPARE(f.line(4), QStringLiteral("07062AFF00000A0A"));
    f.page->setTimeOff(4, 100);
    QCOMPARE(f.line(4), QStringLiteral("07062AFF00000A14"));
    f.page->chooseWarning(4, names.indexOf("Low credit"));
    QCOMPARE(f.line(4), QStringLiteral("070601FF00000A14"));
}

void TestConfigRules::dipSwitchModeMustBeAllowedByFunctions()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped());
    QCOMPARE(f.page->allowedDipCodes(), (QList<int>{0x00, 0x01, 0x02}));
    QVERIFY(f.page->dipVisible());
    const QStringList modes = f.page->dipEntries();
    f.page->chooseDipMode(modes.indexOf("Price select"));
    QCOMPARE(f.page->image().param(P::DipSwMode), 0x01);
    QCOMPARE(f.page->dipIndex(), modes.indexOf("Price select"));
    f.page->chooseDipMode(modes.indexOf("Timer select"));
    QCOMPARE(f.errors(), QStringList{Msg(171)});
    QCOMPARE(f.page->dipIndex(), 0);
    QCOMPARE(f.page->image().dipMode, 0);
    QCOMPARE(f.page->image().param(P::DipSwMode), 0);
}

void TestConfigRules::channelCheckBoxesBecomeChannelMasks()
{
    ConfigFixture f;
    QVERIFY(f.loadShipped()); // Output 2 pulses on channels 1..8
    QVERIFY(f.page->line(2).channelsVisible);
    QVERIFY(f.page->channelHeaderVisible());
    f.page->setLineChannel(2, 1, false);
    f.page->setLineChannel(2, 16, true);
    QCOMPARE(f.line(2), QStringLiteral("0000FE8000000A0A"));
    QVERIFY(!f.page->line(2).channels[0]);
    QVERIFY(f.page->line(2).channels[15]);
    // A pulse count is a value, not a channel mask.
    f.page->setLineValue(1, 5);
    QCOMPARE(f.line(1), QStringLiteral("050005FF00000A0A"));
}

QTEST_GUILESS_MAIN(TestConfigRules)
#include "test_config_rules.moc"
