#include "config/ChannelTable.h"

#include <QRandomGenerator>
#include <QtTest>

class TestChannelTable : public QObject
{
    Q_OBJECT
private slots:
    void everyRecordWithValidPathRoundTrips()
    {
        ChannelTable t;
        const QByteArray erased(16, char(0xFF));
        t.StringToChannel(3, erased);
        QCOMPARE(t.ChannelToString(3), erased);
        QRandomGenerator rng(1234);
        for (int i = 0; i < 500; ++i) {
            QByteArray rec(16, char(0));
            for (int b = 0; b < 16; ++b)
                rec[b] = char(rng.bounded(256));
            const int path = int(rng.bounded(10));
            rec[13] = char(path == 9 ? 255 : path);
            const int channel = 1 + int(rng.bounded(16));
            t.StringToChannel(channel, rec);
            QCOMPARE(t.ChannelToString(channel), rec);
        }
    }

    void statusCheckBoxesKeepTheirSensesAndUpperBitsSurvive()
    {
        ChannelTable t;
        QByteArray rec(16, char(0));
        rec[12] = char(0x5A); // upper bits 0x50 are not shown
        t.StringToChannel(1, rec);
        const ChannelRow &r = t.row(1);
        QCOMPARE(QList<bool>({r.ccTalk, r.selective, r.enabled, r.fake}),
                 QList<bool>({false, false, true, true}));
        // Each check box sets its own bit with its own sense.
        t.setCcTalk(1, true);
        t.setSelective(1, true);
        t.setEnabled(1, false);
        t.setFake(1, false);
        QCOMPARE(quint8(t.ChannelToString(1).at(12)), quint8(0x55));
    }

    void identificationAndPathBytesSplitIntoTheirLists()
    {
        ChannelTable t;
        QByteArray rec(16, char(0));
        rec[13] = char(9);    // a path without entry
        rec[14] = char(0x9B); // CC 2, mint 1, value code 11
        t.StringToChannel(4, rec);
        QCOMPARE(t.row(4).cvf, 11);
        QCOMPARE(t.row(4).mint, 1);
        QCOMPARE(t.row(4).cc, 2);
        QCOMPARE(t.row(4).direction, -1);
        QCOMPARE(quint8(t.ChannelToString(4).at(13)), quint8(255));
        // A list without selection encodes as all ones in its field.
        t.setMint(4, -1);
        QCOMPARE(quint8(t.ChannelToString(4).at(14)), quint8(0xBB));
    }

    void channelOutsideRangeOrShortRecordTouchesNothing()
    {
        ChannelTable t;
        const QByteArray rec(16, char(7));
        t.StringToChannel(16, rec);
        t.StringToChannel(0, QByteArray(16, char(1)));
        t.StringToChannel(17, QByteArray(16, char(1)));
        t.StringToChannel(5, QByteArray(15, char(1)));
        QCOMPARE(t.ChannelToString(16), rec);
        QVERIFY(t.ChannelToString(17).isEmpty());
        QVERIFY(t.row(5).boxes[0].isEmpty());
    }

    void boxesRefuseValuesAbove255AndEmptyBoxFailsEncode()
    {
        ChannelTable t;
        t.StringToChannel(1, QByteArray(16, char(0x20)));
        QVERIFY(!t.setBox(1, 0, QStringLiteral("256")));
        QVERIFY(!t.setBox(1, 0, QStringLiteral("1x")));
        QVERIFY(!t.setValue(1, QStringLiteral("300")));
        QCOMPARE(t.row(1).boxes[0], QStringLiteral("32"));
        QVERIFY(t.setBox(1, 11, QString()));
        QString error;
        QVERIFY(t.ChannelToString(1, &error).isEmpty());
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestChannelTable)
#include "test_channel_table.moc"
