#include "DeviceBench.h"

#include "app/Messages.h"
#include "device/CommandTerminal.h"

#include <QtTest>

using Kind = ScriptedPrompts::Kind;

namespace {
QString fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<unreadable>");
}
} // namespace

class TestDeviceLogTerminal : public QObject
{
    Q_OBJECT

private slots:
    void listKeepsTheNewest2001Lines()
    {
        DeviceBench b;
        int removed = 0;
        connect(&b.log, &CommLog::firstLineRemoved, [&removed]() { ++removed; });
        for (int i = 0; i < 2500; ++i)
            b.log.LogLine(QStringLiteral("-> %1").arg(i));
        QCOMPARE(b.log.count(), 2001);
        QCOMPARE(removed, 499);
        QCOMPARE(b.log.lines().first(), QStringLiteral("-> 499"));
        QCOMPARE(b.log.lines().last(), QStringLiteral("-> 2499"));
    }

    void simplePollIsLoggedBothWaysAndMirroredToFile()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        b.usePort(QStringLiteral("SIMA"));
        QVERIFY(b.log.setLogToFile(true));
        QCOMPARE(fileText(b.log.filePath()), QString());
        CommandTerminal terminal(b.session);
        QCOMPARE(terminal.SendCommand(QStringLiteral("fe")), int(CommandTerminal::Sent));
        const QStringList expected = {QStringLiteral("-> 020001FEFF"), QStringLiteral("<- 01000200FD")};
        QCOMPARE(b.log.lines(), expected);
        // Each line is on disk as soon as it is logged, while the file is still open.
        QCOMPARE(fileText(b.log.filePath()), expected.join(QLatin1Char('\n')) + QLatin1Char('\n'));

        // Switching the mirror off and on again starts an empty file; the list is untouched.
        QVERIFY(b.log.setLogToFile(false));
        QVERIFY(b.log.setLogToFile(true));
        QCOMPARE(fileText(b.log.filePath()), QString());
        QCOMPARE(b.log.count(), 2);
    }

    void silentDeviceLeavesOnlyTheSentLine()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("EMPTY"), 0);
        b.usePort(QStringLiteral("EMPTY"));
        CommandTerminal terminal(b.session);
        QCOMPARE(terminal.SendCommand(QStringLiteral("FE")), int(CommandTerminal::NoReply));
        QCOMPARE(b.log.lines(), QStringList{QStringLiteral("-> 020001FEFF")});
        QVERIFY(b.prompts.shown().isEmpty());
    }

    void malformedCommandsSendNothing()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        b.usePort(QStringLiteral("SIMA"));
        b.session.AccessMasks = {{0xFF, 0xFF, 0x00, 0x00}};
        CommandTerminal terminal(b.session);
        const QList<QPair<QString, QString>> cases = {
            {QStringLiteral("FF02G7A0"), Msg(421) + QStringLiteral("G")},
            {QStringLiteral("FE;"), Msg(421) + QStringLiteral(";")},
            {QStringLiteral(""), Msg(422)},
            {QStringLiteral("F"), Msg(422)},
            {QStringLiteral("FF").repeated(257), Msg(423)},
        };
        for (const auto &c : cases) {
            b.prompts.clear();
            QCOMPARE(terminal.SendCommand(c.first), int(CommandTerminal::Rejected));
            QCOMPARE(b.prompts.texts(Kind::Error), QStringList{c.second});
            QVERIFY(b.prompts.texts(Kind::Password).isEmpty());
        }
        QVERIFY(b.log.lines().isEmpty());
        // Blanks between the digits are not part of the command.
        QCOMPARE(CommandTerminal::normalise(QStringLiteral(" ff 02 07a0 08 ")), QStringLiteral("FF0207A008"));
    }

    void memoryCommandsPassTheAccessCheckFirst()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        SelectorSim *sim = b.sim(QStringLiteral("SIMA"));
        sim->setMasks(QByteArray::fromHex("FFFF0000"));
        sim->setPin(QByteArray::fromHex("CAFEBABE"));
        b.usePort(QStringLiteral("SIMA"));
        QVERIFY(b.session.Identify());
        b.log.clear();
        b.prompts.queuePassword(QStringLiteral("CAFEBABE"));
        CommandTerminal terminal(b.session);
        QCOMPARE(terminal.SendCommand(QStringLiteral("FF0207A008")), int(CommandTerminal::Sent));
        QCOMPARE(b.sentHeaders(), (QList<int>{218, 255}));
        QCOMPARE(b.log.lines().last().left(11), QStringLiteral("<- 01080200"));
        QVERIFY(CommandTerminal::needsAccessCheck(QStringLiteral("FF0207A008")));
        QVERIFY(!CommandTerminal::needsAccessCheck(QStringLiteral("FF02")));
        QVERIFY(!CommandTerminal::needsAccessCheck(QStringLiteral("FE")));
    }

    void factoryCommandsAndUnknownAddressesAreRefusedButStillSent()
    {
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        b.sim(QStringLiteral("SIMA"))->setMasks(QByteArray::fromHex("FFFF0000"));
        b.usePort(QStringLiteral("SIMA"));
        QVERIFY(b.session.Identify());
        CommandTerminal terminal(b.session);
        // FF07 needs the factory level; the PIN level is not asked for.
        b.log.clear();
        terminal.SendCommand(QStringLiteral("FF0701"));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(296)});
        QVERIFY(b.prompts.texts(Kind::Password).isEmpty());
        QVERIFY(!b.session.PinCheckSuppressed);
        QCOMPARE(b.sentHeaders(), QList<int>{255});
        // A write with an incomplete address takes the two digits present: 0x07 is outside the map.
        b.prompts.clear();
        b.log.clear();
        QCOMPARE(terminal.SendCommand(QStringLiteral("FF0307")), int(CommandTerminal::Refused));
        QCOMPARE(b.prompts.texts(Kind::Error), QStringList{Msg(296)});
        QCOMPARE(b.sent().size(), 1);
        QVERIFY(b.sent().at(0).startsWith(QStringLiteral("020201FF0307")));
    }

    void clearingAsksAndLeavesTheFile()
    {
        DeviceBench b;
        QVERIFY(b.log.setLogToFile(true));
        b.log.LogLine(QStringLiteral("-> 020001FEFF"));
        b.prompts.queueAnswer(Prompts::Answer::Cancel);
        QVERIFY(!b.log.ClearLog());
        QCOMPARE(b.log.count(), 1);
        b.prompts.queueAnswer(Prompts::Answer::Ok);
        QVERIFY(b.log.ClearLog());
        QCOMPARE(b.log.count(), 0);
        QCOMPARE(b.prompts.texts(Kind::Confirm), (QStringList{Msg(213), Msg(213)}));
        QCOMPARE(fileText(b.log.filePath()), QStringLiteral("-> 020001FEFF\n"));
    }

    void unwritableLogFileIsSwitchedOffOnceAndExchangeCompletes()
    {
        if (!QFileInfo::exists(QStringLiteral("/dev/full")))
            QSKIP("needs /dev/full");
        DeviceBench b;
        b.addBus(QStringLiteral("SIMA"));
        b.usePort(QStringLiteral("SIMA"));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), b.log.filePath()));
        QList<bool> changes;
        connect(&b.log, &CommLog::logToFileChanged, [&changes](bool on) { changes << on; });
        QVERIFY(b.log.setLogToFile(true));
        QByteArray reply;
        QCOMPARE(b.link.Transact(2, QByteArray(1, char(254)), 10, reply), quint8(CcTalkLink::Ok));
        QCOMPARE(b.link.Transact(2, QByteArray(1, char(254)), 10, reply), quint8(CcTalkLink::Ok));
        QVERIFY(!b.log.logToFile());
        QCOMPARE(changes, (QList<bool>{true, false}));
        QCOMPARE(b.prompts.texts(Kind::Error).size(), 1);
        QVERIFY(b.prompts.texts(Kind::Error).at(0).startsWith(Msg(424)));
        QCOMPARE(b.log.count(), 4);

        // A log file that cannot be created at all is refused the same way.
        DeviceBench c;
        QVERIFY(QDir(c.dir.path()).mkdir(QStringLiteral("log.txt")));
        QVERIFY(!c.log.setLogToFile(true));
        QVERIFY(!c.log.logToFile());
        QCOMPARE(c.prompts.texts(Kind::Error).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDeviceLogTerminal)
#include "test_device_log_terminal.moc"
