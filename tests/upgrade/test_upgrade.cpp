#include "UpgradeBench.h"

#include "files/ConfigFiles.h"
#include "stats/ConfigWorkspace.h"
#include "upgrade/FirmwareFile.h"

#include <QtTest>
#include <functional>

using Kind = ScriptedPrompts::Kind;
using FK = SelectorSim::FaultKind;

namespace {

SelectorSim::Fault monitorStatus(char status, int count)
{
    return {FK::MonitorStatus, count, -1, status};
}

QList<QByteArray> fileLines(const QString &path)
{
    QList<QByteArray> lines;
    for (const QByteArray &line : fileBytes(path).split('\n'))
        if (!line.trimmed().isEmpty())
            lines.append(line.trimmed()); // objcopy ends its lines with CR LF
    return lines;
}

// Edits of an objcopy file's lines: header, four data records, termination.
using Lines = QList<QByteArray>;
struct FileCase
{
    const char *name;
    std::function<void(Lines &)> edit;
    FirmwareFile::Problem problem;
    int line;
    const char *ending = "\n";
};

const QList<FileCase> &fileCases()
{
    using P = FirmwareFile::Problem;
    static const QList<FileCase> cases = {
        {"as objcopy made it", [](Lines &) {}, P::None, 0},
        {"crlf and blank lines at the end",
         [](Lines &l) {
             l += Lines{"", ""};
         },
         P::None, 0, "\r\n"},
        {"bad checksum", [](Lines &l) { l[1].back() = l[1].back() == '0' ? '1' : '0'; }, P::BadChecksum, 2},
        {"odd digits", [](Lines &l) { l[1].chop(1); }, P::OddDigits, 2},
        {"not a record", [](Lines &l) { l[1][0] = ':'; }, P::NotARecord, 2},
        {"blank line inside", [](Lines &l) { l.insert(1, ""); }, P::NotARecord, 2},
        {"not hex", [](Lines &l) { l[0][10] = 'G'; }, P::NotHex, 1},
        {"count one too big", [](Lines &l) { l[1][3] = char(l[1][3] + 1); }, P::CountMismatch, 2},
        {"cut before the termination record", [](Lines &l) { l.removeLast(); }, P::NoTermination, 5},
        {"an S4 record", [](Lines &l) { l.insert(2, QByteArray(l[1]).replace(1, 1, "4")); },
         P::UnsupportedType, 3},
        {"header not first", [](Lines &l) { l.swapItemsAt(0, 1); }, P::NoHeader, 1},
        {"header twice", [](Lines &l) { l.insert(3, l[0]); }, P::SecondHeader, 4},
        {"records after the termination", [](Lines &l) { l.append(l[1]); }, P::TerminationNotLast, 6},
        {"header too short to name a selector", [](Lines &l) { l[0] = "S0030000FC"; }, P::HeaderTooShort, 1},
        {"no records",
         [](Lines &l) {
             l = {"", ""};
         },
         P::NoRecords, 0},
        {"larger than any program", [](Lines &) {}, P::TooLarge, 0},
    };
    return cases;
}

} // namespace

// The firmware upgrade against the simulated selector through the real link: the file checks,
// the monitor entry, the record loop with its retries, and the configuration copy around it.
class TestUpgrade : public QObject
{
    Q_OBJECT

private slots:
    // Every file the monitor could not finish with is refused, naming its line, before a
    // single byte goes to the selector.
    void firmwareFileChecks()
    {
        UpgradeBench b;
        const QList<QByteArray> made = fileLines(b.firmware(64));
        QCOMPARE(made.size(), 6);
        const QString path = b.path(QStringLiteral("edited.u19"));
        for (const FileCase &c : fileCases()) {
            Lines lines = made;
            c.edit(lines);
            writeFileBytes(path, lines.join(c.ending) + c.ending);
            if (c.problem == FirmwareFile::Problem::TooLarge)
                QVERIFY(QFile(path).resize(FirmwareFile::MaxFileBytes + 1)); // sparse where it can be
            FirmwareFile file;
            const bool good = c.problem == FirmwareFile::Problem::None;
            QVERIFY2(file.load(path) == good, c.name);
            QVERIFY2(file.problem() == c.problem, c.name);
            QVERIFY2(file.problemLine() == c.line, c.name);
            if (good) {
                QCOMPARE(file.headerIdentity(), QByteArray("RX30BOOT1"));
                QCOMPARE(file.lineCount(), 6);
                continue;
            }
            if (c.line > 0)
                QVERIFY2(file.problemText().startsWith(Msg(950) + QString::number(c.line) + ": "), c.name);
            b.prompts.clear();
            b.bus->clearHostBytes();
            QVERIFY2(b.sequence.run(path) == UpgradeSequence::NotStarted, c.name);
            QVERIFY(b.sequence.fileRefused());
            QCOMPARE(b.errors(), QStringList{file.problemText()});
            QVERIFY2(b.bus->hostBytes().isEmpty(), c.name);
            QVERIFY(!b.sim->inMonitor());
        }
    }

    void recordStatusesDecideTheEnd_data()
    {
        QTest::addColumn<char>("status");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("message");
        QTest::addColumn<int>("framesOfSecondRecord");
        const int failed = int(FirmwareUpgrade::FailedStatus);
        QTest::newRow("3 twice then 0 continues") << '3' << 2 << int(FirmwareUpgrade::Finished) << 981 << 3;
        QTest::newRow("3 three times") << '3' << 3 << failed << 64 << 3;
        QTest::newRow("4 three times") << '4' << 3 << failed << 149 << 3;
        QTest::newRow("not a digit ends at once") << 'x' << 3 << failed << 308 << 1;
    }
    void recordStatusesDecideTheEnd()
    {
        QFETCH(char, status);
        QFETCH(int, count);
        QFETCH(int, outcome);
        QFETCH(int, message);
        QFETCH(int, framesOfSecondRecord);
        UpgradeBench b;
        const QString fw = b.firmware(64);
        QVERIFY(b.inMonitorFor(fw));
        // The header is accepted; the first data record meets the injected answers.
        QByteArray header = FirmwareFile::frame(fileLines(fw).first(), true);
        b.sim->injectFault(monitorStatus('0', 1));
        b.sim->injectFault(monitorStatus(status, count));
        QCOMPARE(int(b.upgrade.download_prgm()), outcome);
        // Short of the end, the selector waits in its monitor and the user learns how to recover it.
        const bool finished = outcome == int(FirmwareUpgrade::Finished);
        QCOMPARE(b.prompts.allTexts(),
                 QStringList{finished ? Msg(message).arg("1.21") : Msg(message) + Msg(978)});
        QCOMPARE(b.sim->inMonitor(), !finished);
        const QList<QByteArray> frames = b.recordFrames();
        QCOMPARE(frames.first(), header);
        QCOMPARE(frames.count(frames.at(1)), framesOfSecondRecord);
        if (!finished)
            QCOMPARE(frames.size(), 1 + framesOfSecondRecord);
        QVERIFY(b.portRestored());
    }

    // The last record accepted is not yet a working selector: it must answer in its program.
    void aSelectorThatDoesNotComeBackIsNoSuccess()
    {
        const struct
        {
            SelectorSim::Fault fault;
            QString message;
            bool inMonitor;
        } cases[] = {
            // The monitor acknowledges every record and programs none: the program never starts.
            {monitorStatus('0', -1), Msg(979) + Msg(978), true},
            {{FK::NoReply, -1, 254}, Msg(980), false},
        };
        for (const auto &c : cases) {
            UpgradeBench b;
            QVERIFY(b.inMonitorFor(b.firmware(64)));
            b.sim->injectFault(c.fault);
            QCOMPARE(b.upgrade.download_prgm(), FirmwareUpgrade::NotRestarted);
            QCOMPARE(b.errors(), QStringList{c.message});
            QCOMPARE(b.sim->inMonitor(), c.inMonitor);
            QVERIFY(b.portRestored());
        }
    }

    // A running selector is checked for the file's type before it is switched into its monitor;
    // the monitor's own check of all 9 identity bytes stays behind it.
    void aFileForAnotherSelectorNeverStrandsOne()
    {
        const struct
        {
            QByteArray identity;
            bool startInMonitor;
            QString message;
        } cases[] = {
            {"RX20BOOT1", false, Msg(977).arg("RX20", "RX30")},
            {"RX30BOOT2", false, Msg(303) + Msg(978)},
            {"RX20BOOT1", true, Msg(303) + Msg(978)},
            // The demo's file on anything but the in-process simulated selector.
            {"RX30DEMO1", false, Msg(987)},
        };
        for (const auto &c : cases) {
            UpgradeBench b;
            if (c.startInMonitor)
                b.sim->enterMonitor();
            b.sequence.setBackupEnabled(false);
            b.upgrade.status = [&b](const QString &text) {
                if (text == Msg(218))
                    b.bus->clearHostBytes(); // the monitor is entered: what follows is the transfer
            };
            const bool sameType =
                (c.identity.startsWith("RX30") && !c.identity.contains("DEMO")) || c.startInMonitor;
            QCOMPARE(b.sequence.run(makeFirmware(b.dir.path(), c.identity, 64)),
                     sameType ? UpgradeSequence::TransferFailed : UpgradeSequence::NotStarted);
            QCOMPARE(b.errors(), QStringList{c.message});
            QCOMPARE(b.sim->inMonitor(), sameType);
            QCOMPARE(b.bus->hostBytes().isEmpty(), sameType); // nothing after the monitor's identity
            QCOMPARE(b.sim->recordsAccepted(), 0);
            QVERIFY(b.portRestored());
        }
    }

    void upgradePermissionClearIsRefusedBeforeTheMonitor()
    {
        UpgradeBench b;
        b.sim->setMasks(QByteArray::fromHex("FFBFFFBF"));
        QVERIFY(b.session.Identify());
        b.session.FactoryAccessEnabled = false;
        // Refused before the configuration is read and saved.
        b.prompts.clear();
        QCOMPARE(b.sequence.run(b.firmware(64)), UpgradeSequence::AccessRefused);
        QCOMPARE(b.errors(), QStringList{"This operation is not allowed!"});
        QVERIFY(b.sequence.backupFile().isEmpty());
        QVERIFY(QDir(b.dir.path()).entryList({"1234567_*"}).isEmpty());
        QVERIFY(!b.sim->inMonitor());
        QCOMPARE(b.link.baudRate(), 9600);
    }

    // The copy before the flash reads as a user's Upload does, so the PIN it needs is asked in
    // the user's own prompts. A copy that cannot be saved stops the upgrade unless the user goes
    // on without it; declined or refused, the selector keeps running its program.
    void aCopyThatCannotBeSavedStopsTheUpgradeUnlessTheUserGoesOn()
    {
        UpgradeBench b;
        b.sim->setMasks(QByteArray::fromHex("FFFF0000"));
        b.sim->setPin(QByteArray::fromHex("1234ABCD"));
        QVERIFY(b.session.Identify());
        const QString fw = b.firmware(64);
        b.sequence.setBackupPath(b.path("missing/copy.xml"));
        b.prompts.clear();
        b.prompts.queuePassword("1234ABCD");
        b.prompts.queueAnswer(Prompts::Answer::No);
        QCOMPARE(b.sequence.run(fw), UpgradeSequence::NotStarted);
        QCOMPARE(b.prompts.texts(Kind::Password).size(), 1);
        QCOMPARE(b.prompts.texts(Kind::Confirm), QStringList{Msg(960)});
        QVERIFY(!b.sim->inMonitor());

        b.sequence.setAskWhenBackupFails(false);
        b.prompts.clear();
        QCOMPARE(b.sequence.run(fw), UpgradeSequence::NotStarted);
        QCOMPARE(b.errors().last(), Msg(965));
        QVERIFY(b.prompts.texts(Kind::Confirm).isEmpty());
        QVERIFY(!b.sim->inMonitor());

        b.sequence.setAskWhenBackupFails(true);
        b.prompts.queueAnswer(Prompts::Answer::Yes);
        QCOMPARE(b.sequence.run(fw), UpgradeSequence::Flashed);
        QVERIFY(b.sequence.backupFile().isEmpty());
        QVERIFY(!b.sequence.offerRestore());
    }

    void monitorAnsweringOnlyAt38400IsFound()
    {
        UpgradeBench b;
        b.sim->setMonitorBaud(38400);
        b.sim->enterMonitor();
        QVERIFY(b.inMonitorFor(b.firmware(128)));
        QCOMPARE(b.link.baudRate(), 38400);
        QCOMPARE(b.upgrade.download_prgm(), FirmwareUpgrade::Finished);
        QCOMPARE(b.link.baudRate(), 9600);
        QVERIFY(!b.sim->inMonitor());

        // No monitor at either rate: the port does not stay at 38400.
        b.sim->setUnplugged(true);
        b.sequence.setBackupEnabled(false);
        b.prompts.clear();
        QCOMPARE(b.sequence.run(b.firmware(128)), UpgradeSequence::MonitorMissing);
        QCOMPARE(b.link.baudRate(), 9600);
        QCOMPARE(b.errors(),
                 QStringList{"No boot monitor answered at 9600 or 38400 baud: the firmware was not sent."});
    }

    void backupEqualsAnUploadAndRestoreWritesBackWhatDiffers()
    {
        UpgradeBench b;
        // A configuration of this selector's own, stored in its permanent memory.
        b.sim->setMemory(0x0744, QByteArray::fromHex("A1B2C306"));
        // The fourth country code is one a configuration file does not carry.
        b.sim->setMemory(0x07B2, QByteArray("EUTKHRIT"));
        b.sim->commit();
        const QString fw = b.firmware(256);

        // What a user's Upload and File Save give just before.
        ScriptedPrompts quiet;
        DeviceSession other(b.link, quiet, b.dir.path());
        ConfigWorkspace ws(other, quiet, b.dir.path());
        QVERIFY(ws.load());
        ws.tree().showHook = [](SectionTree &) { return true; };
        QCOMPARE(ws.transfer().Upload(), ConfigTransfer::Done);
        ws.tree().showHook = [](SectionTree &) { return true; };
        QCOMPARE(ws.files().FileSave(b.path("manual.xml")), ConfigFiles::Done);
        const QByteArray nvBefore = b.sim->nvImage();

        QCOMPARE(b.sequence.run(fw), UpgradeSequence::Flashed);
        const QString copy = b.sequence.backupFile();
        QVERIFY(copy.startsWith(b.dir.path() + "/1234567_"));
        QVERIFY(copy.endsWith(".xml"));
        QCOMPARE(fileBytes(copy), fileBytes(b.path("manual.xml")));
        // Where the copy went, then the flash's own word; the reads made for it stay quiet.
        QCOMPARE(b.prompts.texts(Kind::Information),
                 (QStringList{Msg(958) + QDir::toNativeSeparators(copy), Msg(981).arg("1.21")}));
        QCOMPARE(b.sim->identity().softwareRevision, QByteArray("1.21"));

        // The new program came up with one block changed: only that block goes back.
        b.sim->setMemory(0x07A0, QByteArray(1, char(b.sim->nvMemory(0x07A0, 1).at(0) ^ 0x5A)));
        b.sim->commit();
        b.link.LoggingEnabled = true;
        b.bus->clearHostBytes();
        b.prompts.clear();
        b.prompts.queueAnswer(Prompts::Answer::Yes);
        QVERIFY(b.sequence.offerRestore());
        QCOMPARE(b.sim->nvImage(), nvBefore);
        // Written: the credit; not written: the country codes, the channels, the statistic counters.
        const QByteArray host = b.bus->hostBytes();
        QVERIFY(host.contains(QByteArray::fromHex("FF0307A0")));
        QVERIFY(!host.contains(QByteArray::fromHex("FF0307B2")));
        QVERIFY(!host.contains(QByteArray::fromHex("FF030600")));
        QVERIFY(!host.contains(QByteArray::fromHex("FF030800")));

        // Nothing differs any more: nothing is written.
        b.bus->clearHostBytes();
        b.prompts.clear();
        b.prompts.queueAnswer(Prompts::Answer::Yes);
        QVERIFY(!b.sequence.offerRestore());
        QVERIFY(b.prompts.texts(Kind::Information).contains(Msg(964)));
        QVERIFY(!b.bus->hostBytes().contains(QByteArray::fromHex("FF0307")));
    }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "test_upgrade.moc"
