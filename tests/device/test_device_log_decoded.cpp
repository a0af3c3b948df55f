// The decoded communication log against the simulated selector: what the program itself sends
// is named, failed exchanges are marked, and the files keep the log lines in their first column.
#include "DeviceBench.h"

#include "app/Messages.h"
#include "device/ExchangeLogFile.h"

#include <QtTest>

class TestDeviceLogDecoded : public QObject
{
    Q_OBJECT

private slots:
    void everyExchangeOfTheProgramIsNamedAndThePinIsMarked()
    {
        DeviceBench b;
        SelectorSim *s = b.identifiedSim(QByteArray::fromHex("FFFFFEFE")); // channels need the PIN
        b.session.ReportFlag = true;
        QVERIFY(b.session.Identify());
        b.prompts.queuePassword(u"12345678"_s);
        QByteArray block;
        QCOMPARE(b.session.ReadBlock(0x0600, 16, block, 0x01), 0);
        QCOMPARE(b.session.WriteBlock(0x0600, block, 0x01), 0);
        QCOMPARE(b.session.ReadBlock(0x07A0, 8, block, 0x08), 0);
        QVERIFY(b.session.CommitToNV());
        QVERIFY(b.session.AddressPoll());

        QSet<QString> names;
        int pinLines = 0;
        for (int row = 0; row < b.log.count(); ++row) {
            const CommLogEntry &e = b.log.entry(row);
            QVERIFY2(!e.decoded.isEmpty(), qPrintable(e.line));
            if (e.line.startsWith(u"-> "_s)) {
                // Named by the table, never as a bare number or a broken frame.
                QVERIFY2(!e.decoded.startsWith(Msg(904)) && !e.decoded.contains(u"frame"_s),
                         qPrintable(e.decoded));
                names << e.decoded.section(u':', 0, 0).section(u" | "_s, 0, 0);
                if (e.decoded.contains(Msg(905))) {
                    ++pinLines;
                    // The digits named are the PIN's.
                    QCOMPARE(e.line.mid(3).mid(8, 8), u"12345678"_s);
                    QVERIFY(e.decoded.endsWith(u"9-16"_s));
                }
            } else {
                QVERIFY2(e.decoded.startsWith(Msg(900)), qPrintable(e.line + u' ' + e.decoded));
                QCOMPARE(e.header, b.log.entry(row - 1).header);
            }
        }
        QCOMPARE(pinLines, 2); // once for the read, once for the write
        for (const char *name :
             {"Request manufacturer id", "Request product code", "Request serial number",
              "Request software revision", "Request build code", "Request creation date", "Request base year",
              "Request device type", "Enter PIN number", "Read memory", "Write memory",
              "Commit to non-volatile memory", "Reset device"})
            QVERIFY2(names.contains(QString::fromLatin1(name)), name);
        // The address poll is answered by a bare byte, which the link counts as a time-out.
        QCOMPARE(b.log.entry(b.log.count() - 1).decoded,
                 u"Address poll"_s + Msg(918) + u" | "_s + Msg(917) + QString::number(s->address()));
    }

    void failedExchangesAreMarkedAndTheFileKeepsTheLogInItsFirstColumn()
    {
        DeviceBench b;
        SelectorSim *s = b.openSim();
        QSignalSpy changed(&b.log, &CommLog::entryChanged);
        QVERIFY(b.log.setLogToFile(true));
        QByteArray reply;
        const QByteArray poll(1, char(254));
        QCOMPARE(b.link.Transact(2, poll, 10, reply), quint8(CcTalkLink::Ok));
        s->injectFault(fault(FK::CorruptChecksum, 254));
        QCOMPARE(b.link.Transact(2, poll, 10, reply), quint8(CcTalkLink::ChecksumError));
        s->injectFault(fault(FK::NoReply, 254));
        QCOMPARE(b.link.Transact(2, poll, 10, reply), quint8(CcTalkLink::Timeout));
        s->injectFault(fault(FK::NoEcho, 254));
        QCOMPARE(b.link.Transact(2, poll, 10, reply), quint8(CcTalkLink::Timeout));

        QCOMPARE(b.log.lines(), (QStringList{u"-> 020001FEFF"_s, u"<- 01000200FD"_s, u"-> 020001FEFF"_s,
                                             u"-> 020001FEFF"_s, u"-> 020001FEFF"_s}));
        QCOMPARE(changed.count(), 3);
        QVERIFY(b.log.entry(2).decoded.startsWith(u"Simple poll | "_s + Msg(912)));
        QCOMPARE(b.log.entry(3).decoded, u"Simple poll | "_s + Msg(910));
        QCOMPARE(b.log.entry(4).decoded, u"Simple poll | "_s + Msg(919) + u"01000200FD"_s);
        QVERIFY(!b.log.entry(1).fault && b.log.entry(2).fault && b.log.entry(4).fault);

        QStringList file = fileLines(b.log.filePath());
        QCOMPARE(file.takeLast(), QString()); // each line ends in a newline
        QCOMPARE(firstColumn(file), b.log.lines());
        for (int row = 0; row < file.size(); ++row)
            QCOMPARE(file.at(row), b.log.entry(row).toText());
        QVERIFY(file.at(0).contains(u"\t+"_s));
    }

    void commandLineLogHoldsOneExchangePerLine()
    {
        DeviceBench b;
        SelectorSim *s = b.openSim();
        const QString path = b.dir.filePath(u"exchanges.txt"_s);
        {
            ExchangeLogFile file(b.log);
            QVERIFY(file.open(path));
            QByteArray reply;
            QCOMPARE(b.link.Transact(2, QByteArray(1, char(254)), 10, reply), quint8(CcTalkLink::Ok));
            s->setUnplugged(true);
            QCOMPARE(b.link.Transact(2, QByteArray(1, char(246)), 5, reply), quint8(CcTalkLink::Timeout));
            s->setUnplugged(false);
            QCOMPARE(b.link.Transact(2, QByteArray(1, char(242)), 10, reply), quint8(CcTalkLink::Ok));
        }
        const QStringList lines = fileLines(path);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.last().isEmpty());
        QCOMPARE(lines.at(0).section(u'\t', 0, 0), u"-> 020001FEFF  <- 01000200FD"_s);
        QVERIFY(lines.at(0).endsWith(u"\tSimple poll | "_s + Msg(900)));
        QCOMPARE(lines.at(1).section(u'\t', 0, 0), u"-> 020001F607"_s);
        QVERIFY(lines.at(1).endsWith(u"\tRequest manufacturer id | "_s + Msg(910)));
        QVERIFY(lines.at(2).startsWith(u"-> 020001F20B  <- 0103020"_s)); // the log goes on after a failure
        // It may hold the PIN: only its owner can read it.
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }
};

QTEST_GUILESS_MAIN(TestDeviceLogDecoded)
#include "test_device_log_decoded.moc"
