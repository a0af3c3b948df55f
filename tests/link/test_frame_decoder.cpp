// The decoding the communication log shows beside each line: exchanges of every header the
// program sends, as recorded on the wire, and frames that are broken or never answered.
#include "CliRun.h"
#include "app/Messages.h"
#include "link/FrameDecoder.h"
#include "link/HeaderTable.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
HeaderTable shippedTable()
{
    return HeaderTable::load(QStringLiteral(RX_TEST_DATA_DIR));
}
QString pinMark(const QString &digits)
{
    return Msg(905) + digits;
}
} // namespace

class TestFrameDecoder : public QObject
{
    Q_OBJECT

private slots:
    void headersAreNamedWithTheirData_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("requestText");
        QTest::addColumn<QString>("replyText");
        const QString ack = Msg(900);
        const QString date = Msg(921) + u"15"_s + Msg(922) + u"3"_s + Msg(923) + u"5"_s;
        const auto row = [](const char *name, const char *rq, const char *rp, const QString &rqText,
                            const QString &rpText) {
            QTest::newRow(name) << QString::fromLatin1(rq) << QString::fromLatin1(rp) << rqText << rpText;
        };
        row("254", "020001FEFF", "01000200FD", u"Simple poll"_s, ack);
        row("242", "020001F20B", "0103020040E201D7", u"Request serial number"_s, ack + u": 123456"_s);
        row("237", "020001ED10", "01020200058076", u"Read input lines"_s, ack + u": 00000101 10000000"_s);
        row("231", "020201E7FFFF16", "01000200FD", u"Modify inhibit status: 0xFF 0xFF"_s, ack);
        row("229", "020001E518", "010B02000C03000000000000000000E3", u"Read buffered credit or error codes"_s,
            ack + u": "_s + Msg(920) + u"12; 3/0 0/0 0/0 0/0 0/0"_s);
        row("219", "020401DB0102030414", "01000200FD", u"Enter new PIN number: "_s + pinMark(u"9-16"_s), ack);
        row("218 refused", "020401DA123456780B", "01000205F8", u"Enter PIN number: "_s + pinMark(u"9-16"_s),
            Msg(901));
        row("196", "020001C439", "010202000A6F82", u"Request creation date"_s, ack + u": "_s + date);
        row("251", "020101FB03FE", "01000200FD", u"Address change: 3"_s, ack);
        row("255/0", "020101FF00FD", "01060200010203040506E2", u"Request factory challenge"_s,
            ack + u": 6"_s + Msg(907));
        row("255/1", "020701FF01090909090909C0", "01000200FD",
            u"Factory response: "_s + Msg(906) + u"11-22"_s, ack);
        row("255/2", "020401FF02060010E2", "01100200000102030405060708090A0B0C0D0E0F75",
            u"Read memory: 0x0600, 16"_s + Msg(907), ack + u": 16"_s + Msg(907) + Msg(908) + u"0x0600"_s);
        row("255/3 write", "020501FF0307A001024C", "01000200FD", u"Write memory: 0x07A0, 2"_s + Msg(907),
            ack);
        row("255/3 commit", "020101FF03FA", "01000200FD", u"Commit to non-volatile memory"_s, ack);
        row("255/8", "020101FF08F5", "010502005258333001EA", u"Request device type"_s,
            ack + u": \"RX30\\x01\""_s);
        row("unknown header", "020101640197", "01000200FD", Msg(904) + u"100: 1"_s + Msg(907), ack);
        // A read refused by the selector is not a block of memory.
        row("255/2 refused", "020401FF02060010E2", "0101020500F7", u"Read memory: 0x0600, 16"_s + Msg(907),
            Msg(901) + u": 1"_s + Msg(907));
    }
    void headersAreNamedWithTheirData()
    {
        QFETCH(QString, request);
        QFETCH(QString, reply);
        QFETCH(QString, requestText);
        QFETCH(QString, replyText);
        FrameDecoder d(shippedTable());
        QCOMPARE(d.decodeLine(u"-> "_s + request), requestText);
        QCOMPARE(d.decodeLine(u"<- "_s + reply), replyText);
        // The request is used up by its reply: a second reply is read on its own.
        QCOMPARE(d.decodeLine(u"<- 01000200FD"_s), Msg(900));
    }

    void brokenAndUnansweredFramesAreMarked_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QStringList>("expected");
        const QByteArray echo = QByteArray::fromHex("020001FEFF");
        QTest::newRow("silent wire") << QStringList{u"-> 020001FEFF"_s} << 2 << QByteArray()
                                     << QStringList{u"Simple poll"_s, Msg(909)};
        QTest::newRow("echo only") << QStringList{u"-> 020001FEFF"_s} << 2 << echo
                                   << QStringList{u"Simple poll"_s, Msg(910)};
        QTest::newRow("half a reply")
            << QStringList{u"-> 020001FEFF"_s} << 2 << echo + QByteArray::fromHex("0100")
            << QStringList{u"Simple poll"_s, Msg(911) + u"0100"_s};
        QTest::newRow("corrupted echo") << QStringList{u"-> 020001FEFF"_s} << 2 << QByteArray::fromHex("0200")
                                        << QStringList{u"Simple poll"_s, Msg(919) + u"0200"_s};
        QTest::newRow("checksum") << QStringList{u"-> 020001FEFF"_s} << 1 << QByteArray::fromHex("01000200FE")
                                  << QStringList{u"Simple poll"_s, Msg(912) + u"01000200FE"_s};
        QTest::newRow("another station's reply")
            << QStringList{u"-> 020001FEFF"_s} << 1 << QByteArray::fromHex("03000200FB")
            << QStringList{u"Simple poll"_s, Msg(924) + u"03000200FB"_s};
        QTest::newRow("address poll")
            << QStringList{u"-> 000001FD02"_s} << 2 << QByteArray::fromHex("000001FD020203")
            << QStringList{u"Address poll"_s + Msg(918), Msg(917) + u"2, 3"_s};
        QTest::newRow("accepted needs no mark")
            << QStringList{u"-> 020001FEFF"_s, u"<- 01000200FD"_s} << 0 << QByteArray()
            << QStringList{u"Simple poll"_s, Msg(900), QString()};
        QTest::newRow("short") << QStringList{u"-> 0200"_s, u"<- 0100"_s} << 0 << QByteArray()
                               << QStringList{Msg(914), Msg(914), QString()};
        QTest::newRow("length byte") << QStringList{u"-> 020001FEFF"_s, u"<- 0105020000FD"_s} << 0
                                     << QByteArray() << QStringList{u"Simple poll"_s, Msg(915), QString()};
        QTest::newRow("reply checksum") << QStringList{u"-> 020001FEFF"_s, u"<- 01000200FE"_s} << 0
                                        << QByteArray() << QStringList{u"Simple poll"_s, Msg(916), QString()};
        QTest::newRow("not hex") << QStringList{u"-> 02G001FEFF"_s, u"<- 010"_s} << 0 << QByteArray()
                                 << QStringList{Msg(913), Msg(913), QString()};
        QTest::newRow("boot monitor") << QStringList{u"-> 56"_s, u"<- 52583330"_s, u"-> 550102"_s} << 255
                                      << QByteArray::fromHex("550102")
                                      << QStringList{u"Boot monitor identity request"_s, u"\"RX30\""_s,
                                                     u"Boot monitor record, 3"_s + Msg(907), Msg(910)};
    }
    void brokenAndUnansweredFramesAreMarked()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, result);
        QFETCH(QByteArray, received);
        QFETCH(QStringList, expected);
        FrameDecoder d(shippedTable());
        QStringList got;
        for (const QString &l : lines)
            got << d.decodeLine(l);
        got << d.decodeOutcome(result, received);
        QCOMPARE(got, expected);
    }

    void tableIsReadFromTheProgramFolderElseTheBuiltInCopy()
    {
        const HeaderTable shipped = shippedTable();
        QCOMPARE(shipped.skippedLines(), 0);
        QVERIFY(shipped.size() > 60);
        // The built-in copy is the shipped file.
        QTemporaryDir empty;
        QCOMPARE(HeaderTable::load(empty.path()).size(), shipped.size());

        QTemporaryDir dir;
        QVERIFY(writeFileBytes(dir.filePath(HeaderTable::FileName),
                               "# a technician's own names\n"
                               "254\t-\tnone\tack\tAre you there\n"
                               "254\t-\tnone\tack\n"                     // no name
                               "300\t-\tnone\tack\tToo big\n"            // not a header
                               "200\t-\twhat\tack\tUnknown kind\n"       // not a data kind
                               "255\t12\tnone\ttext\tSecret word\r\n")); // CR LF lines are read too
        const HeaderTable own = HeaderTable::load(dir.path());
        QCOMPARE(own.size(), 2);
        QCOMPARE(own.skippedLines(), 3);
        FrameDecoder d(own);
        QCOMPARE(d.decodeLine(u"-> 020001FEFF"_s), u"Are you there"_s);
        QCOMPARE(d.decodeLine(u"-> 020101FF0CF1"_s), u"Secret word"_s);
        QCOMPARE(d.decodeLine(u"<- 01020200414278"_s), Msg(900) + u": \"AB\""_s);
        QCOMPARE(d.decodeLine(u"-> 020001F607"_s), Msg(904) + u"246"_s);
    }
};

QTEST_GUILESS_MAIN(TestFrameDecoder)
#include "test_frame_decoder.moc"
