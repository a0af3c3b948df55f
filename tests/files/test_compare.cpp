// Compare before Download against the simulated selector through the real link: what is read
// first, what is written with and without "Write only what changed", and blocks that cannot be read.
#include "FilesBench.h"

#include "files/BlockCompare.h"
#include "files/DownloadCompare.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QtTest>

namespace {
QStringList ops(const FilesBench &b, const char *kind)
{
    return b.memoryOps().filter(QRegularExpression(QLatin1Char('^') + QLatin1String(kind)));
}

// A technician's edit of one block in a saved file.
void editBlock(const QString &file, const QByteArray &address, const QByteArray &value)
{
    writeAll(file, withBlock(readAll(file), address, value));
}
} // namespace

class TestCompare : public QObject
{
    Q_OBJECT

private slots:
    void onlyTheEditedBlockIsWrittenWhenOnlyChangesAreWanted()
    {
        FilesBench b;
        QCOMPARE(b.transfer.Upload(), ConfigTransfer::Done);
        const QString file = b.path("unit.xml");
        QCOMPARE(b.files.FileSave(file), ConfigFiles::Done);
        const int blocks = readAll(file).count("<Data caption");
        // Channel 2 becomes a copy of channel 1 (a record the window accepts as it is).
        const QByteArray channel1 = blockValue(readAll(file), "0x0600");
        const QByteArray channel3 = blockValue(readAll(file), "0x0620");
        QVERIFY(channel1 != blockValue(readAll(file), "0x0610") && channel3 != channel1);
        editBlock(file, "0x0610", channel1);
        QCOMPARE(b.files.FileOpen(file), ConfigFiles::Done);

        // Off (as shipped): every block is written, as Download always did.
        DownloadCompare compare(b.tree, b.session, b.page.rx30Path());
        QVERIFY(!compare.writeOnlyChanged());
        b.transfer.writeFilter = [&](int node) { return compare.shouldWrite(node); };
        b.tree.showHook = [&](SectionTree &) {
            compare.prepareWrites();
            return true;
        };
        b.sent.clear();
        QElapsedTimer full;
        full.start();
        QCOMPARE(b.transfer.Download(), ConfigTransfer::Done);
        const qint64 fullMs = full.elapsed();
        // Reads only to bring the statistics back after their options were written.
        const int readBack = static_cast<int>(ops(b, "R").size());
        const int written = static_cast<int>(ops(b, "W").size());
        QVERIFY2(written >= blocks - 2,
                 qPrintable(QString::number(written))); // counters are not written back
        QCOMPARE(b.sim->nvMemory(0x0610, 16), QByteArray::fromHex(channel1));

        // On: the blocks are read first and only the one that differs is written.
        editBlock(file, "0x0610", channel3);
        QCOMPARE(b.files.FileOpen(file), ConfigFiles::Done);
        compare.reset();
        QVERIFY(compare.setWriteOnlyChanged(true));
        b.sent.clear();
        b.prompts.clear();
        QElapsedTimer changed;
        changed.start();
        QCOMPARE(b.transfer.Download(), ConfigTransfer::Done);
        const qint64 changedMs = changed.elapsed();
        QCOMPARE(b.prompts.allTexts(), QStringList{"Operation finished"});
        QCOMPARE(ops(b, "W"), QStringList{"W 0610 " + QString::fromLatin1(channel3)});
        // Neighbouring blocks are read together: far fewer reads than blocks.
        const int reads = static_cast<int>(ops(b, "R").size()) - readBack;
        QVERIFY2(reads > 0 && reads < written / 4, qPrintable(QString::number(reads)));
        QCOMPARE(b.sim->nvMemory(0x0610, 16), QByteArray::fromHex(channel3));
        QCOMPARE(b.memoryOps().last(), QStringLiteral("C"));
        qInfo("full Download %lld ms (%d blocks written); only what changed %lld ms (1 written)", fullMs,
              written, changedMs);

        // The choice is remembered for the next run.
        QVERIFY(DownloadCompare(b.tree, b.session, b.page.rx30Path()).writeOnlyChanged());
    }

    void aBlockTheSelectorWillNotReadIsUnknownAndWrittenAsBefore()
    {
        FilesBench b;
        QCOMPARE(b.transfer.Upload(), ConfigTransfer::Done);
        // The selector refuses every read that covers channel 3.
        b.onSend = [&b](const QByteArray &f) {
            if (f.size() == 9 && quint8(f[3]) == 255 && f[4] == 2) {
                const int at = (quint8(f[5]) << 8) | quint8(f[6]);
                if (at <= 0x0620 && 0x0620 < at + quint8(f[7]))
                    b.sim->injectFault({Fault::Nak, 1, 255});
            }
        };
        DownloadCompare compare(b.tree, b.session, b.page.rx30Path());
        compare.setWriteOnlyChanged(true);
        b.transfer.writeFilter = [&](int node) { return compare.shouldWrite(node); };
        b.tree.showHook = [&](SectionTree &) {
            compare.compare();
            return true;
        };
        b.sent.clear();
        QCOMPARE(b.transfer.Download(), ConfigTransfer::Done);
        const BlockCompare::Block *unknown = compare.blockOf(node(b.tree, "0x0620"));
        QVERIFY(unknown);
        QCOMPARE(unknown->status, BlockCompare::Unknown);
        QVERIFY(unknown->current.isEmpty());
        QVERIFY(compare.blockOf(node(b.tree, "0x0600"))->status == BlockCompare::Same);
        // Written: the unreadable block, as before, and the blocks that differ; nothing the selector holds.
        QStringList expected;
        for (const BlockCompare::Block &blk : compare.blocks())
            if (blk.status != BlockCompare::Same)
                expected << QStringLiteral("W ") +
                                QStringLiteral("%1").arg(blk.address, 4, 16, QLatin1Char('0')).toUpper() +
                                QLatin1Char(' ') + blk.wanted;
        const QStringList writes = ops(b, "W");
        QCOMPARE(writes, expected);
        QVERIFY(writes.filter(QStringLiteral("W 0620 ")).size() == 1);
        QVERIFY(writes.size() < compare.blocks().size() / 4);
    }
};

QTEST_GUILESS_MAIN(TestCompare)
#include "test_compare.moc"
