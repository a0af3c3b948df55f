// The I/O line rules of the configuration page with the shipped catalogues: function
// assignment checks, recognition, timer check, sorter, level/edge buttons, impulse counts,
// warnings and DIP switch modes.
#include "ConfigFixture.h"

#include <QtTest>

class TestConfigRules : public QObject
{
    Q_OBJECT
    std::unique_ptr<ConfigFixture> f;

private slots:
    void init()
    {
        f = std::make_unique<ConfigFixture>();
        QVERIFY(f->loadShipped());
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
    }

    void assignmentRulesRefuseWithoutChange()
    {
        QFETCH(QString, version);
        QFETCH(int, line);
        QFETCH(QString, function);
        QFETCH(int, message);
        f->chooseVersion(version);
        const QString before = f->imageText();
        QCOMPARE(f->choose(line, function), message == 0);
        QCOMPARE(f->errors(), message ? QStringList{Msg(message)} : QStringList());
        if (message)
            QCOMPARE(f->imageText(), before);
    }

    void assignedFunctionImposesParametersAndShowsItsControls()
    {
        f->page->setParam(P::MultipriceMode, 1);
        QVERIFY(!f->page->paramVisible(P::MultipriceMode));
        QVERIFY(f->choose(1, "Value pulses"));
        QCOMPARE(f->line(1), QStringLiteral("060601FF00000A0A"));
        QCOMPARE(f->page->image().param(P::MultipriceMode), 0);
        QVERIFY(f->page->paramVisible(P::MultipriceMode));
        QVERIFY(!f->page->paramVisible(P::Bonus1Level)); // only credit pulses used it
        QVERIFY(f->page->valueHeaderVisible());
        QCOMPARE(f->page->image().lineFlags(0), QStringLiteral("YYNN"));
        // Unassigning goes through the catalogue's empty entry.
        QVERIFY(f->page->chooseFunction(1, 0));
        QCOMPARE(f->line(1), QStringLiteral("FFFFFFFFFFFFFFFF"));

        // With the start button present the timer may be assigned.
        f->chooseVersion("Latch outputs");
        QVERIFY(f->choose(8, "Start button"));
        QVERIFY(f->choose(3, "Timer"));
        QCOMPARE(f->line(3), QStringLiteral("0404000000000AFF"));
        QCOMPARE(f->page->line(3).note, QStringLiteral("Timer output"));
    }

    void recognitionAcceptsInvertedLevelAndSwappedEdge()
    {
        f->loadLines("058001FF00000A0A 0000FF0000000A0A - 0183010000000AFF - - - 828201FF000000FF");
        QCOMPARE(f->function(1), QStringLiteral("Credit pulses"));
        QCOMPARE(f->function(4), QStringLiteral("Sorter solenoid"));
        QCOMPARE(f->page->image().lineFlags(3), QStringLiteral("YNNY"));
        QCOMPARE(f->function(8), QStringLiteral("Credit input"));
        // An unknown definition has no function and brings no flags.
        f->loadLines("3300000000000000 - - - - - - -");
        QCOMPARE(f->page->line(1).functionIndex, -1);
        QCOMPARE(f->page->image().lineFlags(0), QStringLiteral("NNNN"));
        QVERIFY(f->page->line(1).note.isEmpty());
    }

    void sorterNumberCountsDirectionBits()
    {
        f->loadLines("050001FF00000A0A - - - 0103030000000AFF 0103040000000AFF - -");
        QCOMPARE(f->page->image().param(P::SorterNum), 3);
        QVERIFY(f->page->directionsHeaderVisible());
        QVERIFY(f->page->line(5).channels[1] && !f->page->line(5).channels[2]);
        // Solenoids that match no sorter entry leave the sorter list without selection.
        QCOMPARE(f->page->sorterIndex(), -1);
    }

    void timerCheckLimitsTimeOutWarning()
    {
        f->chooseVersion("Timer"); // timer 10, credit timer 30 x credit 2
        f->page->setParam(P::TimeOutWarning, 8);
        QVERIFY(f->warnings().isEmpty());
        f->page->setParam(P::TimeOutWarning, 20);
        QCOMPARE(f->warnings(), QStringList{Msg(27)});
        QCOMPARE(f->page->image().param(P::TimeOutWarning), 10);

        f->page->setTimeOn(1, 100);
        f->page->setParam(P::TimeOutWarning, 80); // the credit timer gives 60 only
        QCOMPARE(f->warnings().size(), 2);
        QCOMPARE(f->page->paramValue(P::TimeOutWarning), 60);
        // A lower credit makes the credit timer shorter than the warning.
        f->page->setParam(P::Credit, 1);
        QCOMPARE(f->warnings().size(), 3);
        QCOMPARE(f->page->paramValue(P::TimeOutWarning), 30);
        // A shorter timer output pulls the warning down with it.
        f->page->setTimeOn(1, 12);
        QCOMPARE(f->page->paramValue(P::TimeOutWarning), 12);
    }

    void lineTimesAreClampedToOneByte()
    {
        f->chooseVersion("Timer");
        const QString line2 = f->line(2);
        f->page->setTimeOn(1, 65535);
        QCOMPARE(f->line(1), QStringLiteral("040400000000FFFF"));
        QCOMPARE(f->line(2), line2);
        // Time Off counts 5 ms steps, rounded to the nearest; 5000 ms is stored as 255.
        f->page->setTimeOff(3, 52);
        QCOMPARE(f->page->image().lineByte(2, 7), 10);
        f->page->setTimeOff(3, 5000);
        QCOMPARE(f->line(3), QStringLiteral("0000FFFF00000AFF"));
        QCOMPARE(f->page->line(3).timeOff, 1275);
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
        QCOMPARE(f->informations(), QStringList{Msg(239)});
        QCOMPARE(f->line(4), QStringLiteral("0706BFFF00000A0A")); // not used by this sorter
        QCOMPARE(f->page->image().lineText(5), QStringLiteral("0103020000000AFFYNNY"));
        QCOMPARE(f->page->image().param(P::SorterNum), 4);
        QCOMPARE(f->page->line(5).note, Msg(248));
        QCOMPARE(f->page->line(5).timeOnUnit, Msg(465));
        // A later refresh finds the same sorter from the solenoids.
        f->page->setParam(P::Credit, 2);
        QCOMPARE(f->page->sorterIndex(), four);

        f->page->chooseSorter(0); // no sorter frees the solenoids
        QVERIFY(f->page->acceptSorter());
        QCOMPARE(f->page->image().lineText(5), QStringLiteral("FFFFFFFFFFFFFFFFNNNY"));
        QCOMPARE(f->page->image().param(P::SorterNum), 0);
        QVERIFY(!f->page->directionsHeaderVisible());
    }

    void levelAndEdgeButtonsToggleByteOneAndPictures()
    {
        f->page->toggleEdge(8); // Input 1 = 82 01
        QCOMPARE(f->page->image().lineByte(7, 1), 0x02);
        QCOMPARE(f->page->line(8).edgePicture, QStringLiteral("BDN"));
        f->page->toggleLevel(8);
        QCOMPARE(f->page->image().lineByte(7, 1), 0x82);
        QCOMPARE(f->page->line(8).levelPicture, QStringLiteral("B0Z"));
        f->page->recogniseFunctions();
        QCOMPARE(f->function(8), QStringLiteral("Credit input"));

        f->page->toggleLevel(1);
        QCOMPARE(f->page->line(1).levelPicture, QStringLiteral("B1I"));
        f->page->toggleLevel(5); // an unassigned line has no level
        QCOMPARE(f->line(5), QStringLiteral("FFFFFFFFFFFFFFFF"));
        // The edge only exists for inputs with bit 7 of byte 0 set.
        f->page->imageForLoad().setLineText(7, "068101FF000000FF");
        f->page->imageToWindow();
        QVERIFY(!f->page->line(8).edgeVisible);
        f->page->toggleEdge(8);
        QCOMPARE(f->page->image().lineByte(7, 1), 0x81);
    }

    void impulseCountAdvisesOneImpulseWithValuePulses()
    {
        f->page->setImpulses(8, 4); // no value pulse output here
        QVERIFY(f->informations().isEmpty());
        QCOMPARE(f->page->image().lineByte(7, 2), 4);

        f->chooseVersion("Value pulses");
        QCOMPARE(f->page->line(7).impulsesCaption, Msg(470));
        QCOMPARE(f->page->line(8).impulsesCaption, Msg(143));
        f->page->setImpulses(7, 3);
        QCOMPARE(f->informations(), QStringList{Msg(166)});
        f->page->setImpulses(7, 1);
        QCOMPARE(f->informations().size(), 1);
        // Byte 1 = 0 means a plain level input: no count.
        f->chooseVersion("Latch outputs");
        QVERIFY(!f->page->line(8).impulsesVisible);
    }

    void warningCodeFollowsListAndUnknownCodeIsKept()
    {
        const QStringList names = f->page->warningNames();
        QCOMPARE(names.value(f->page->line(4).warningIndex), QStringLiteral("Time out"));
        QVERIFY(f->page->paramVisible(P::TimeOutWarning)); // warning code BF
        f->page->chooseWarning(4, names.indexOf("Coin jam"));
        QCOMPARE(f->line(4), QStringLiteral("070602FF00000A0A"));
        QVERIFY(!f->page->paramVisible(P::TimeOutWarning));

        f->loadLines("050001FF00000A0A 0000FF0000000A0A - 07062AFF00000A0A - - - 820101FF000000FF");
        QCOMPARE(f->page->line(4).warningIndex, -1);
        f->page->setTimeOff(4, 100);
        QCOMPARE(f->line(4), QStringLiteral("07062AFF00000A14"));
        f->page->chooseWarning(4, names.indexOf("Low credit"));
        QCOMPARE(f->line(4), QStringLiteral("070601FF00000A14"));
    }

    void dipSwitchModeMustBeAllowedByFunctions()
    {
        QCOMPARE(f->page->allowedDipCodes(), (QList<int>{0x00, 0x01, 0x02}));
        const QStringList modes = f->page->dipEntries();
        f->page->chooseDipMode(modes.indexOf("Price select"));
        QCOMPARE(f->page->image().param(P::DipSwMode), 0x01);
        f->page->chooseDipMode(modes.indexOf("Timer select"));
        QCOMPARE(f->errors(), QStringList{Msg(171)});
        QCOMPARE(f->page->dipIndex(), 0);
        QCOMPARE(f->page->image().param(P::DipSwMode), 0);
    }

    void channelCheckBoxesBecomeChannelMasks()
    {
        f->page->setLineChannel(2, 1, false); // Output 2 pulses on channels 1..8
        f->page->setLineChannel(2, 16, true);
        QCOMPARE(f->line(2), QStringLiteral("0000FE8000000A0A"));
        QVERIFY(!f->page->line(2).channels[0] && f->page->line(2).channels[15]);
        // A pulse count is a value, not a channel mask.
        f->page->setLineValue(1, 5);
        QCOMPARE(f->line(1), QStringLiteral("050005FF00000A0A"));
    }
};

QTEST_GUILESS_MAIN(TestConfigRules)
#include "test_config_rules.moc"
