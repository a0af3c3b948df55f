// The program folder, the communication log with its file mirror, and the command terminal writing to it.
#include "DeviceBench.h"

#include "app/DataDir.h"
#include "app/Messages.h"
#include "device/CommandTerminal.h"

#include <QtTest>

#include <sys/stat.h>

class TestDeviceFolderLogTerminal : public QObject
{
    Q_OBJECT

private slots:
    void programFolderIsExplicitThenWorkingWithCatalogueThenSeededUserFolder()
    {
        QTemporaryDir root;
        const QString cwd = root.filePath(u"cwd"_s);
        const QString user = root.filePath(u"user"_s);
        const QString seedA = root.filePath(u"nocatalogue"_s);
        const QString seedB = root.filePath(u"installed"_s);
        for (const QString &d : {cwd, user, seedA, seedB})
            QDir().mkpath(d);
        QVERIFY(writeFileBytes(seedA + u"/io.ini"_s, "wrong seed"));
        QVERIFY(writeFileBytes(seedB + u"/rx30.ini"_s, "installed catalogue"));
        QVERIFY(writeFileBytes(seedB + u"/io.ini"_s, "installed io"));
        QFile::setPermissions(seedB + u"/io.ini"_s, QFileDevice::ReadOwner);
        QVERIFY(writeFileBytes(user + u"/rx30.ini"_s, "edited by the user"));
        const QStringList seeds = {seedA, seedB};

        QCOMPARE(DataDir::resolve(root.path(), seeds, cwd, user).path,
                 QFileInfo(root.path()).absoluteFilePath());
        const auto r = DataDir::resolve(QString(), seeds, cwd, user);
        QCOMPARE(r.path, QFileInfo(user).absoluteFilePath());
        QVERIFY(r.seeded);
        QCOMPARE(fileBytes(user + u"/rx30.ini"_s), QByteArray("edited by the user"));
        QCOMPARE(fileBytes(user + u"/io.ini"_s), QByteArray("installed io"));
        QVERIFY(!DataDir::resolve(QString(), seeds, cwd, user).seeded);

        QVERIFY(writeFileBytes(cwd + u"/rx30.ini"_s, "[SETTINGS]\n"));
        QCOMPARE(DataDir::resolve(QString(), seeds, cwd, user).path, QFileInfo(cwd).absoluteFilePath());
    }

    void terminalChecksTheCommandThenTheAccessBeforeSending()
    {
        DeviceBench b;
        b.identifiedSim(QByteArray::fromHex("FFFF0000")); // reads need the PIN
        CommandTerminal terminal(b.session);
        const QList<QPair<QString, QString>> malformed = {
            {u"FF02G7A0"_s, Msg(421) + u"G"_s},
            {u"F"_s, Msg(422)},
            {u"FF"_s.repeated(257), Msg(423)},
        };
        for (const auto &c : malformed) {
            b.prompts.clear();
            QCOMPARE(terminal.SendCommand(c.first), int(CommandTerminal::Rejected));
            QCOMPARE(b.prompts.allTexts(), QStringList{c.second});
        }
        QVERIFY(b.log.lines().isEmpty());

        b.prompts.clear();
        b.prompts.queuePassword(u"12345678"_s);
        QCOMPARE(terminal.SendCommand(u"FF0207A008"_s), int(CommandTerminal::Sent));
        QCOMPARE(b.sentHeaders(), (QList<int>{218, 255}));
        QVERIFY(b.log.lines().last().startsWith(u"<- 01080200"_s));
        // FF07 needs the factory level, and the PIN level is not asked for; refused, it is still sent.
        b.log.clear();
        b.prompts.clear();
        terminal.SendCommand(u"FF0701"_s);
        QCOMPARE(b.prompts.allTexts(), QStringList{Msg(296)});
        QVERIFY(!b.session.PinCheckSuppressed);
        // A write with an incomplete address takes the two digits present: 0x07 is outside the map.
        QCOMPARE(terminal.SendCommand(u"FF0307"_s), int(CommandTerminal::Refused));
        QCOMPARE(b.prompts.allTexts(), (QStringList{Msg(296), Msg(296)}));
        QCOMPARE(b.sentHeaders(), (QList<int>{255, 255}));
        QVERIFY(b.sent().at(1).startsWith(u"020201FF0307"_s));
    }

    void logFileHoldingThePinIsTheOwnersWhateverTheUmaskAndAnEarlierFile()
    {
        DeviceBench b;
        b.identifiedSim(QByteArray::fromHex("FFFF0000")); // reads need the PIN
        const QString path = b.log.filePath();
        // An earlier log left readable by everyone, and someone reading it.
        QVERIFY(writeFileBytes(path, "-> old\n"));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(0x6666)));
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        const mode_t previous = umask(0);
        const bool on = b.log.setLogToFile(true);
        umask(previous);
        QVERIFY(on);
        b.prompts.queuePassword(u"12345678"_s);
        CommandTerminal terminal(b.session);
        QCOMPARE(terminal.SendCommand(u"FF0207A008"_s), int(CommandTerminal::Sent));
        // Every frame is logged, the PIN exchange too, so only the owner may read it.
        QVERIFY(fileBytes(path).contains("-> 020401DA12345678"));
        struct stat st = {};
        QVERIFY(stat(path.toLocal8Bit().constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), 0600);
        // The earlier reader sees only the earlier file.
        QCOMPARE(earlier.readAll(), QByteArray("-> old\n"));
        // Switched on again, under the same umask, the same.
        umask(0);
        const bool again = b.log.setLogToFile(false) && b.log.setLogToFile(true);
        umask(previous);
        QVERIFY(again);
        QVERIFY(stat(path.toLocal8Bit().constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), 0600);
        QCOMPARE(fileBytes(path), QByteArray());
    }

    // A write is checked against the write bank, whatever the read bank says.
    void terminalChecksWritesAgainstTheirOwnMask()
    {
        DeviceBench b;
        b.identifiedSim(QByteArray::fromHex("FFFFFF00")); // only writes need the PIN
        CommandTerminal terminal(b.session);
        b.prompts.queuePassword(u"12345678"_s);
        QCOMPARE(terminal.SendCommand(u"FF0307A001"_s), int(CommandTerminal::Sent));
        QCOMPARE(b.prompts.texts(ScriptedPrompts::Kind::Password), QStringList{Msg(116)});
        QCOMPARE(b.sentHeaders(), (QList<int>{218, 255}));
    }

    void unwritableLogFileIsSwitchedOffOnceAndExchangeCompletes()
    {
        if (!QFileInfo::exists(u"/dev/full"_s))
            QSKIP("needs /dev/full");
        DeviceBench b;
        b.openSim();
        QVERIFY(QFile::link(u"/dev/full"_s, b.log.filePath()));
        QSignalSpy changes(&b.log, &CommLog::logToFileChanged);
        QVERIFY(b.log.setLogToFile(true));
        QByteArray reply;
        for (int i = 0; i < 2; ++i)
            QCOMPARE(b.link.Transact(2, QByteArray(1, char(254)), 10, reply), quint8(CcTalkLink::Ok));
        QVERIFY(!b.log.logToFile());
        QCOMPARE(changes.count(), 2); // on, then off once
        QCOMPARE(b.prompts.allTexts().size(), 1);
        QVERIFY(b.prompts.texts(Kind::Error).at(0).startsWith(Msg(424)));
        QCOMPARE(b.log.count(), 4);
    }
};

QTEST_GUILESS_MAIN(TestDeviceFolderLogTerminal)
#include "test_device_log_terminal.moc"
