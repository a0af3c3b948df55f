#include "UpgradeBench.h"

#include "files/ConfigFiles.h"
#include "stats/ConfigWorkspace.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/UpgradeWindowModel.h"

#include <QtTest>
#include <stdexcept>

using Kind = ScriptedPrompts::Kind;
using FK = SelectorSim::FaultKind;

namespace {

SelectorSim::Fault monitorStatus(char status, int count)
{
    return {FK::MonitorStatus, count, -1, status};
}

QStringList fileLines(const QString &path)
{
    return QString::fromLatin1(readAll(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

// The firmware upgrade against the simulated selector through the real link: the file checks,
// the monitor entry, the record loop with its retries, and the configuration copy around it.
class TestUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void firmwareFileChecks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("problem");
        QTest::addColumn<int>("line");
        using P = FirmwareFile::Problem;
        QTest::newRow("good") << "S00C000052583330424F4F543181\nS1050000AABB95\nS9030000FC\n"
                              << int(P::None) << 0;
        QTest::newRow("crlf and trailing blank lines")
            << "S00C000052583330424F4F543181\r\nS9030000FC\r\n\r\n\n"
            << int(P::None) << 0;
        QTest::newRow("bad checksum") << "S00C000052583330424F4F543181\nS1050000AABB94\n"
                                      << int(P::BadChecksum) << 2;
        QTest::newRow("odd digits") << "S00C000052583330424F4F543181\nS1050000AABB9\n"
                                    << int(P::OddDigits) << 2;
        QTest::newRow("not S") << "S00C000052583330424F4F543181\n:1050000AABB95\n" << int(P::NotARecord) << 2;
        QTest::newRow("type not a digit") << "SX0C000052583330424F4F543181\n" << int(P::NotARecord) << 1;
        QTest::newRow("one character") << "S00C000052583330424F4F543181\nS\nS9030000FC\n"
                                       << int(P::NotARecord) << 2;
        QTest::newRow("blank line inside") << "S00C000052583330424F4F543181\n\nS9030000FC\n"
                                           << int(P::NotARecord) << 2;
        QTest::newRow("not hex") << "S00C000052583330424F4F5431G1\n" << int(P::NotHex) << 1;
        QTest::newRow("count too big") << "S1060000AABB94\n" << int(P::CountMismatch) << 1;
        QTest::newRow("no count") << "S1\n" << int(P::CountMismatch) << 1;
        QTest::newRow("empty file") << "\n\n" << int(P::NoRecords) << 0;
    }
    void firmwareFileChecks()
    {
        QFETCH(QString, text);
        QFETCH(int, problem);
        QFETCH(int, line);
        QTemporaryDir dir;
        const QString path = dir.filePath("f.u19");
        writeAll(path, text.toLatin1());
        FirmwareFile file;
        QCOMPARE(file.load(path), problem == int(FirmwareFile::Problem::None));
        QCOMPARE(int(file.problem()), problem);
        QCOMPARE(file.problemLine(), line);
        if (problem != int(FirmwareFile::Problem::None))
            QVERIFY(!file.problemText().isEmpty());
    }

    void headerIdentityAndFramesOfAnObjcopyFile()
    {
        QTemporaryDir dir;
        const QString path = makeFirmware(dir.path(), "RX30BOOT1", 40);
        QVERIFY2(!path.isEmpty(), "objcopy did not run");
        FirmwareFile file;
        QVERIFY(file.load(path));
        QCOMPARE(file.headerIdentity(), QByteArray("RX30BOOT1"));
        QCOMPARE(file.lineCount(), 5); // header, three data records, start address
    }

    void goodFileFlashesAndTheSelectorComesBackWithItsConfiguration()
    {
        UpgradeBench b;
        const QString fw = b.firmware(256);
        const QByteArray nvBefore = b.sim->nvImage();
        const int lines = fileLines(fw).size();
        QCOMPARE(b.sim->identity().softwareRevision, QByteArray("1.20"));
        QVERIFY(b.inMonitorFor(fw));
        QVERIFY(b.sim->inMonitor());
        QCOMPARE(b.upgrade.MonitorIdentity, b.sim->monitorIdentity());
        QCOMPARE(b.upgrade.download_prgm(), FirmwareUpgrade::Finished);
        QCOMPARE(b.prompts.allTexts(), QStringList{"Operation finished"});
        QCOMPARE(b.recordFrames().size(), lines);
        QCOMPARE(b.sim->recordsAccepted(), lines);
        QVERIFY(!b.sim->inMonitor());
        QCOMPARE(b.sim->identity().softwareRevision, QByteArray("1.21"));
        QCOMPARE(b.sim->nvImage(), nvBefore);
        QVERIFY(b.portRestored());
        // The bar moved per record and was reset at the end.
        QCOMPARE(b.progress.last(), qMakePair(0, lines));
        QVERIFY(b.progress.contains(qMakePair(lines - 1, lines)));
        // The selector answers in its program again.
        QVERIFY(b.session.Identify());
        QCOMPARE(b.session.identity.softwareRevision, QStringLiteral("1.21"));
    }

    void recordStatusesDecideTheEnd_data()
    {
        QTest::addColumn<char>("status");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("framesOfSecondRecord");
        QTest::newRow("3 twice then 0 continues")
            << '3' << 2 << int(FirmwareUpgrade::Finished) << "Operation finished" << 3;
        QTest::newRow("3 three times")
            << '3' << 3 << int(FirmwareUpgrade::FailedStatus) << "Checksum error!" << 3;
        QTest::newRow("4 three times")
            << '4' << 3 << int(FirmwareUpgrade::FailedStatus) << "FLASH programming error!" << 3;
        QTest::newRow("9 three times")
            << '9' << 3 << int(FirmwareUpgrade::FailedStatus) << "Unrecognized error!" << 3;
        QTest::newRow("1 ends at once")
            << '1' << 3 << int(FirmwareUpgrade::FailedStatus) << "Type error!" << 1;
        QTest::newRow("2 ends at once")
            << '2' << 3 << int(FirmwareUpgrade::FailedStatus) << "FLASH erase error!" << 1;
        QTest::newRow("not a digit ends at once")
            << 'x' << 3 << int(FirmwareUpgrade::FailedStatus) << "Unrecognized error!" << 1;
    }
    void recordStatusesDecideTheEnd()
    {
        QFETCH(char, status);
        QFETCH(int, count);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        QFETCH(int, framesOfSecondRecord);
        UpgradeBench b;
        const QString fw = b.firmware(64);
        QVERIFY(b.inMonitorFor(fw));
        // The header is accepted; the first data record meets the injected answers.
        QByteArray header = FirmwareFile::frame(fileLines(fw).first(), true);
        b.sim->injectFault(monitorStatus('0', 1));
        b.sim->injectFault(monitorStatus(status, count));
        QCOMPARE(int(b.upgrade.download_prgm()), outcome);
        QCOMPARE(b.prompts.allTexts(), QStringList{message});
        const QList<QByteArray> frames = b.recordFrames();
        QCOMPARE(frames.first(), header);
        QCOMPARE(frames.count(frames.at(1)), framesOfSecondRecord);
        if (outcome != int(FirmwareUpgrade::Finished))
            QCOMPARE(frames.size(), 1 + framesOfSecondRecord);
        QVERIFY(b.portRestored());
    }

    void theLastLineIsSentAndItsStatusReported()
    {
        UpgradeBench b;
        const QString fw = b.firmware(32);
        const QStringList lines = fileLines(fw);
        QVERIFY(b.inMonitorFor(fw));
        // Every line but the last is accepted; the last is refused three times.
        b.sim->injectFault(monitorStatus('0', int(lines.size()) - 1));
        b.sim->injectFault(monitorStatus('4', 3));
        QCOMPARE(b.upgrade.download_prgm(), FirmwareUpgrade::FailedStatus);
        QCOMPARE(b.errors(), QStringList{"FLASH programming error!"});
        const QList<QByteArray> frames = b.recordFrames();
        const QByteArray last = FirmwareFile::frame(lines.last(), false);
        QCOMPARE(frames.size(), lines.size() + 2);
        QCOMPARE(frames.count(last), 3);
        QCOMPARE(b.upgrade.recordsSent(), int(lines.size()));
    }

    // A file whose header names another selector, or is too short to name one.
    void aFileForAnotherSelectorSendsNothingAfterTheIdentity_data()
    {
        QTest::addColumn<QByteArray>("identity");
        QTest::addColumn<QString>("header");
        QTest::newRow("another selector's identity") << QByteArray("RX20BOOT1") << QString();
        QTest::newRow("header shorter than an identity") << QByteArray() << "S0030000FC";
    }
    void aFileForAnotherSelectorSendsNothingAfterTheIdentity()
    {
        QFETCH(QByteArray, identity);
        QFETCH(QString, header);
        UpgradeBench b;
        const QString fw = identity.isEmpty() ? b.firmware(32) : makeFirmware(b.dir.path(), identity, 64);
        if (!header.isEmpty()) {
            QStringList lines = fileLines(fw);
            lines[0] = header;
            writeAll(fw, lines.join('\n').toLatin1() + '\n');
        }
        QVERIFY(b.inMonitorFor(fw));
        QCOMPARE(b.upgrade.download_prgm(), FirmwareUpgrade::Refused);
        QCOMPARE(b.errors(), QStringList{"Type error!"});
        QVERIFY(b.bus->hostBytes().isEmpty());
        QCOMPARE(b.sim->recordsAccepted(), 0);
        QVERIFY(b.portRestored());
    }

    void anExceptionMidTransferStillRestoresThePortAndTheLog()
    {
        UpgradeBench b;
        QVERIFY(b.inMonitorFor(b.firmware(128)));
        b.upgrade.progress = [](int value, int) {
            if (value >= 3)
                throw std::runtime_error("window gone");
        };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, b.upgrade.download_prgm());
        QVERIFY(b.portRestored());
    }

    void noAnswerToTheFirstRecordIsATimeOut()
    {
        UpgradeBench b;
        QVERIFY(b.inMonitorFor(b.firmware(64)));
        b.sim->injectFault({FK::NoReply, 1, -1});
        QCOMPARE(b.upgrade.download_prgm(), FirmwareUpgrade::TimedOut);
        QCOMPARE(b.errors(), QStringList{"Time out!"});
        QVERIFY(b.portRestored());
    }

    void upgradePermissionClearIsRefusedBeforeTheMonitor()
    {
        UpgradeBench b;
        b.sim->setMasks(QByteArray::fromHex("FFBFFFBF"));
        QVERIFY(b.session.Identify());
        b.session.FactoryAccessEnabled = false;
        b.prompts.clear();
        QCOMPARE(b.upgrade.start_monitor(), int(FirmwareUpgrade::AccessRefused));
        QCOMPARE(b.errors(), QStringList{"This operation is not allowed!"});
        QVERIFY(!b.sim->inMonitor());
        QVERIFY(b.upgrade.MonitorIdentity.isEmpty());
        // The whole sequence: nothing was sent to a monitor and the port is back at 9600.
        b.prompts.clear();
        b.sequence.setBackupEnabled(false);
        QCOMPARE(b.sequence.run(b.firmware(64)), UpgradeSequence::MonitorMissing);
        QCOMPARE(b.sim->recordsAccepted(), 0);
        QCOMPARE(b.link.baudRate(), 9600);
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

    void malformedFileIsRefusedBeforeAnythingIsSent()
    {
        UpgradeBench b;
        const QString fw = b.firmware(64);
        QByteArray text = readAll(fw);
        text[text.indexOf('\n') + 10] = text.at(text.indexOf('\n') + 10) == 'A' ? 'B' : 'A';
        writeAll(fw, text);
        b.bus->clearHostBytes();
        QCOMPARE(b.sequence.run(fw), UpgradeSequence::NotStarted);
        QCOMPARE(b.errors().size(), 1);
        QVERIFY(b.errors().first().contains(Msg(955)));
        QVERIFY(b.bus->hostBytes().isEmpty());
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
        QCOMPARE(readAll(copy), readAll(b.path("manual.xml")));
        // Where the copy went, then the flash's own word; the reads made for it stay quiet.
        QCOMPARE(b.prompts.texts(Kind::Information),
                 (QStringList{Msg(958) + QDir::toNativeSeparators(copy), "Operation finished"}));
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

    void selectorAlreadyInItsMonitorIsSaidBeforeStarting()
    {
        UpgradeBench b;
        b.sim->enterMonitor();
        const QString fw = b.firmware(64);
        b.prompts.queueAnswer(Prompts::Answer::No);
        QCOMPARE(b.sequence.run(fw), UpgradeSequence::NotStarted);
        QCOMPARE(b.prompts.texts(Kind::Confirm), QStringList{Msg(959)});
        QCOMPARE(b.sim->recordsAccepted(), 0);
        QVERIFY(b.sequence.backupFile().isEmpty());

        b.prompts.clear();
        b.prompts.queueAnswer(Prompts::Answer::Yes);
        QCOMPARE(b.sequence.run(fw), UpgradeSequence::Flashed);
        QVERIFY(b.sequence.backupFile().isEmpty());
        QVERIFY(!b.sequence.offerRestore());
    }

    void windowStateFollowsOpenStartAndClose()
    {
        UpgradeBench b;
        b.sequence.setBackupEnabled(false);
        UpgradeWindowModel window(b.session, b.prompts, b.dir.path());
        window.sequence().upgrade().setSettleMs(20);
        window.sequence().setBackupEnabled(false);
        QList<int> positions;
        QObject::connect(&window, &UpgradeWindowModel::changed,
                         [&] { positions.append(window.progressValue()); });
        const QString fw = b.firmware(128);
        const int lines = fileLines(fw).size();

        // Start before a file is chosen, and again after the window was shown anew.
        window.activate();
        b.bus->clearHostBytes();
        QVERIFY(!window.start());
        QCOMPARE(b.errors(), QStringList{"Open file first!"});
        b.prompts.queueFileName(fw);
        QVERIFY(window.openFile());
        QCOMPARE(b.prompts.shown().last().text, Msg(191));
        QCOMPARE(window.fileLabel(), QDir::toNativeSeparators(fw));
        window.activate();
        QVERIFY(!window.fileChosen());
        QVERIFY(!window.start());
        QVERIFY(b.bus->hostBytes().isEmpty());

        // A file for another selector: the window stays open with nothing in its status.
        b.prompts.clear();
        b.prompts.queueFileName(makeFirmware(b.dir.path(), "RX20BOOT1", 64));
        QVERIFY(window.openFile());
        QVERIFY(!window.start());
        QCOMPARE(b.errors(), QStringList{"Type error!"});
        QVERIFY(window.statusText().isEmpty());
        QCOMPARE(window.progressValue(), 0);
        b.sim->leaveMonitor();

        // A good file: the bar moves record by record, the time is shown, the window closes.
        b.prompts.clear();
        b.prompts.queueFileName(fw);
        QVERIFY(window.openFile());
        positions.clear();
        QVERIFY(window.start());
        QCOMPARE(window.progressMaximum(), lines);
        for (int i = 1; i < lines; ++i)
            QVERIFY2(positions.contains(i), qPrintable(QString::number(i)));
        QVERIFY(window.statusText().startsWith(Msg(217)));
        QVERIFY(window.statusText().endsWith(" ms"));
        window.close();
        QVERIFY(window.statusText().isEmpty());
        QVERIFY(window.fileLabel().isEmpty());
        QCOMPARE(window.progressValue(), 0);
        QCOMPARE(b.link.baudRate(), 9600);
    }

    void simulatedMonitorChecksTheHeaderIdentity()
    {
        // A header for another selector, sent as it is, is refused by the monitor itself.
        UpgradeBench b;
        b.sim->enterMonitor();
        const QString fw = makeFirmware(b.dir.path(), "RX20BOOT1", 16);
        b.link.SetBaud(9600);
        QByteArray reply;
        QCOMPARE(b.link.RawExchange(FirmwareFile::frame(fileLines(fw).first(), true), 1, 50, reply),
                 CcTalkLink::RawOk);
        QCOMPARE(reply, QByteArray("1"));
        const QString good = b.firmware(16);
        QCOMPARE(b.link.RawExchange(FirmwareFile::frame(fileLines(good).first(), true), 1, 50, reply),
                 CcTalkLink::RawOk);
        QCOMPARE(reply, QByteArray("0"));
    }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "test_upgrade.moc"
