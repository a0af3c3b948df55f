// The coin programming arithmetic against values worked out by hand, and the values the
// program folder's rx30.ini contributes.
#include "CliRun.h"
#include "coinprog/CoinCalc.h"
#include "coinprog/CoinProgModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Sample = CoinCalc::Sample;
Q_DECLARE_METATYPE(Sample)

namespace {
// Samples in which every parameter takes the same values.
QList<Sample> same(const QList<int> &values)
{
    QList<Sample> out;
    for (int v : values)
        out.append({v, v, v, v, v, v});
    return out;
}
} // namespace

class TestCoinCalc : public QObject
{
    Q_OBJECT
private slots:
    void centreAndTolerance_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("preset");
        QTest::addColumn<int>("addend");
        QTest::addColumn<int>("centre");
        QTest::addColumn<int>("tolerance");
        // One sample: the reading itself, a tolerance of the addend alone.
        QTest::newRow("one sample") << QList<int>{117} << int(CoinCalc::Middle) << 3 << 117 << 3;
        // Mean 11.5, s = 2.1213: 4.157 / 5.367 / 2.758.
        QTest::newRow("10 13 middle") << QList<int>{10, 13} << int(CoinCalc::Middle) << 0 << 12 << 4;
        QTest::newRow("10 13 high") << QList<int>{10, 13} << int(CoinCalc::High) << 0 << 12 << 5;
        QTest::newRow("10 13 low") << QList<int>{10, 13} << int(CoinCalc::Low) << 0 << 12 << 3;
        QTest::newRow("10 13 addend") << QList<int>{10, 13} << int(CoinCalc::Middle) << 2 << 12 << 6;
        // Halves go to the even neighbour; s = 0.7071 x 1.96 = 1.386.
        QTest::newRow("mean 12.5") << QList<int>{12, 13} << int(CoinCalc::Middle) << 0 << 12 << 1;
        QTest::newRow("mean 13.5") << QList<int>{13, 14} << int(CoinCalc::Middle) << 0 << 14 << 1;
        // 10, 12, 14: mean 12, s = 2 (n - 1 in the divisor), 3.92.
        QTest::newRow("n-1 deviation") << QList<int>{10, 12, 14} << int(CoinCalc::Middle) << 0 << 12 << 4;
        // 0 and 255: s = 180.3, x 2.53 = 456: the widest window, not a wrapped one.
        QTest::newRow("wide held") << QList<int>{0, 255} << int(CoinCalc::High) << 0 << 128 << 255;
        QTest::newRow("addend held") << QList<int>{10, 13} << int(CoinCalc::Middle) << 253 << 12 << 255;
    }
    void centreAndTolerance()
    {
        QFETCH(QList<int>, values);
        QFETCH(int, preset);
        QFETCH(int, addend);
        CoinCalc::Addends add{};
        add.fill(addend);
        const CoinCalc::Result r = CoinCalc::compute(same(values), preset, add);
        for (size_t k = 0; k < 6; ++k) {
            QTEST(r.centre[k], "centre");
            QTEST(r.tolerance[k], "tolerance");
        }
    }

    void parametersAreIndependent()
    {
        const CoinCalc::Result r = CoinCalc::compute({{10, 0, 100, 7, 255, 1}, {13, 0, 101, 7, 255, 2}},
                                                     CoinCalc::Middle, {0, 1, 2, 3, 4, 5});
        QCOMPARE(r.centre, (Sample{12, 0, 100, 7, 255, 2}));
        QCOMPARE(r.tolerance, (Sample{4, 1, 3, 3, 4, 6}));
    }

    // The window's own record conversion: bits 4-6 of the status byte set, bit 7 clear.
    void windowRecord_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("written");
        // Enabled, ccTalk, direction 3, CVF 5, mint 1, CC 2, value 20; bit 7 dropped.
        QTest::newRow("flags") << QByteArray::fromHex("0102030405060708090A0B0CF0039514")
                               << QByteArray::fromHex("0102030405060708090A0B0C70039514");
        QTest::newRow("all flags") << QByteArray::fromHex("0102030405060708090A0B0C0F080000")
                                   << QByteArray::fromHex("0102030405060708090A0B0C7F080000");
        // "Dir." above 8 shows no selection, which is stored as 255.
        QTest::newRow("direction 9") << QByteArray::fromHex("0102030405060708090A0B0C0009FF01")
                                     << QByteArray::fromHex("0102030405060708090A0B0C70FFFF01");
    }
    void windowRecord()
    {
        QFETCH(QByteArray, stored);
        QTEST(CoinProgControls::fromRecord(stored).toRecord(), "written");
    }

    void addends_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<Sample>("expected");
        QTest::newRow("version 3") << 3 << Sample{1, 2, 3, 4, 5, 6};
        // Non-numeric is 0, out of range held within a byte, missing keys 0.
        QTest::newRow("bad values") << 4 << Sample{0, 255, 0, 0, 0, 7};
        // A version above 9 names its section in decimal digits.
        QTest::newRow("version 12") << 12 << Sample{9, 9, 9, 9, 9, 9};
        QTest::newRow("no section") << 5 << Sample{0, 0, 0, 0, 0, 0};
    }
    void addends()
    {
        QFETCH(int, version);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rx30.ini"));
        QVERIFY(writeFileBytes(path,
                               "[BASE_3]\nAM1_ADD=1\nPH1_ADD=2\nAM2_ADD=3\nPH2_ADD=4\nPI3_ADD=5\nDIM_ADD=6\n"
                               "[BASE_4]\nAM1_ADD=x2\nPH1_ADD=300\nAM2_ADD=-4\nPH2_ADD=\nDIM_ADD=7\n"
                               "[BASE_12]\nAM1_ADD=9\nPH1_ADD=9\nAM2_ADD=9\nPH2_ADD=9\nPI3_ADD=9\nDIM_ADD=9\n"
                               "[BASE_<]\nAM1_ADD=1\n"));
        QTEST(CoinCalc::addends(path, version), "expected");
        QCOMPARE(CoinCalc::addends(dir.filePath(QStringLiteral("none.ini")), 3), (Sample{0, 0, 0, 0, 0, 0}));
    }
};

QTEST_GUILESS_MAIN(TestCoinCalc)
#include "test_coin_calc.moc"
