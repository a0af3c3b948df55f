#include "FrameBytes.h"
#include "link/Checksum.h"
#include "link/ReplyWait.h"

#include <QTest>

namespace {

const QByteArray kPoll = frameBytes({2, 0, 1, 254, 255}); // simple poll to address 2, as sent
const QByteArray kAck = frameBytes({1, 0, 2, 0, 253});    // its acknowledgement

// Feeds arrivals[i] just before poll i + 1 (nothing once they run out) until the wait ends.
ReplyWait run(ReplyWait wait, const QList<QByteArray> &arrivals)
{
    for (int i = 0; !wait.finished(); ++i) {
        if (i < arrivals.size())
            wait.feed(arrivals.at(i));
        wait.poll();
    }
    return wait;
}

} // namespace

class ReplyWaitTest : public QObject
{
    Q_OBJECT

private slots:
    void framedReplies_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("budget");
        QTest::addColumn<QList<QByteArray>>("arrivals");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("pollsSpent");
        QTest::addColumn<QByteArray>("reply");

        using L = QList<QByteArray>;
        QTest::newRow("ack behind its echo") << kPoll << 5 << L{kPoll + kAck} << 0 << 1 << kAck;
        QTest::newRow("ack on the last poll") << kPoll << 3 << L{{}, {}, kPoll + kAck} << 0 << 3 << kAck;
        QTest::newRow("extra byte in the same poll")
            << kPoll << 4 << L{kPoll + kAck + 'U'} << 2 << 4 << QByteArray();
        QTest::newRow("echo only") << kPoll << 2 << L{kPoll} << 2 << 2 << QByteArray();
        const QByteArray longest = withChecksum(frameBytes({1, 255, 2, 0}) + QByteArray(255, 'z'));
        QTest::newRow("255 data bytes") << kPoll << 2 << L{kPoll + longest} << 0 << 1 << longest;
    }

    void framedReplies()
    {
        QFETCH(QByteArray, sent);
        QFETCH(int, budget);
        QFETCH(QList<QByteArray>, arrivals);
        QFETCH(int, result);
        QFETCH(int, pollsSpent);
        QFETCH(QByteArray, reply);
        const ReplyWait wait = run(ReplyWait::framed(sent.size(), budget), arrivals);
        QCOMPARE(int(wait.result()), result);
        QCOMPARE(wait.pollsSpent(), pollsSpent);
        QCOMPARE(wait.reply(), reply);
    }

    // Wherever the bytes are cut between two polls, the reply is taken at the poll that sees it
    // whole; and once more bytes than it announces are there, never.
    void anySplitOfEchoAndReplyGivesTheSameReply()
    {
        const QByteArray sent = withChecksum(frameBytes({2, 3, 1, 255, 2, 0x06, 16}));
        const QByteArray reply = withChecksum(frameBytes({1, 16, 2, 0}) + QByteArray("0123456789ABCDEF"));
        const QByteArray wire = sent + reply;
        for (int a = 0; a <= wire.size(); ++a) {
            for (int b = a; b <= wire.size(); ++b) {
                const QList<QByteArray> pieces{wire.left(a), wire.mid(a, b - a), wire.mid(b)};
                const ReplyWait taken = run(ReplyWait::framed(sent.size(), 4), pieces);
                QCOMPARE(int(taken.result()), int(ReplyWait::Accepted));
                QCOMPARE(taken.pollsSpent(), b == wire.size() ? (a == wire.size() ? 1 : 2) : 3);
                QCOMPARE(taken.reply(), reply);
                QList<QByteArray> noisy = pieces;
                noisy.last() += '\0';
                if (b < wire.size())
                    QCOMPARE(int(run(ReplyWait::framed(sent.size(), 4), noisy).result()),
                             int(ReplyWait::TimedOut));
            }
        }
    }
};

QTEST_GUILESS_MAIN(ReplyWaitTest)
#include "test_reply_wait.moc"
