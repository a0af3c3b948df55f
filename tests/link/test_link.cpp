#include "FrameBytes.h"
#include "link/CcTalkLink.h"
#include "link/LoopbackPort.h"
#include "link/PortFactory.h"

#include <QElapsedTimer>
#include <QTest>

#include <ctime>

namespace {

// Counts busy calls so tests can check EndBusy runs on every path.
struct BusyCounter : BusyHooks
{
    int begins = 0;
    int ends = 0;
    void BeginBusy() override { ++begins; }
    void EndBusy() override { ++ends; }
};

struct LogRecorder : LogSink
{
    QStringList lines;
    void LogLine(const QString &line) override { lines << line; }
};

} // namespace

class LinkTest : public QObject
{
    Q_OBJECT

    LoopbackPort *m_port = nullptr; // owned by the link
    CcTalkLink *m_link = nullptr;
    BusyCounter m_busy;
    LogRecorder m_log;

private slots:
    void init()
    {
        PortFactory::registerVirtual(QStringLiteral("LOOP"), [this] {
            auto port = std::make_unique<LoopbackPort>(QStringLiteral("LOOP"));
            m_port = port.get();
            return port;
        });
        m_link = new CcTalkLink;
        m_busy = BusyCounter();
        m_log = LogRecorder();
        m_link->setBusyHooks(&m_busy);
        m_link->setLogSink(&m_log);
        m_link->LoggingEnabled = true;
        m_link->setPortName(QStringLiteral("LOOP"));
        QVERIFY(m_link->openPort());
    }

    void cleanup()
    {
        delete m_link;
        m_link = nullptr;
        PortFactory::unregisterVirtual(QStringLiteral("LOOP"));
    }

    void simplePollIsFramedAndItsAckAccepted()
    {
        m_port->queueReply(frameBytes({1, 0, 2, 0, 253}));
        QByteArray reply;
        QCOMPARE(m_link->Transact(2, QByteArray(1, char(254)), 5, reply), quint8(CcTalkLink::Ok));
        QCOMPARE(m_port->written(), frameBytes({2, 0, 1, 254, 255}));
        QCOMPARE(reply, frameBytes({1, 0, 2, 0, 253}));
        QCOMPARE(m_link->RxBuffer.size(), 10);
        QCOMPARE(m_log.lines, QStringList({"-> 020001FEFF", "<- 01000200FD"}));
        QCOMPARE(m_busy.begins, 1);
        QCOMPARE(m_busy.ends, 1);
    }

    // Replies that are not taken: the caller's reply stays as it was and only the frame sent is
    // logged.
    void repliesOnTheWire_data()
    {
        QTest::addColumn<bool>("echo");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("result");

        QTest::newRow("checksum off by one")
            << true << frameBytes({1, 0, 2, 0, 254}) << int(CcTalkLink::ChecksumError);
        // Another station's frame on the bus is not the answer to our command.
        QTest::newRow("addressed to another station")
            << true << withChecksum(frameBytes({3, 0, 2, 0})) << int(CcTalkLink::ChecksumError);
        QTest::newRow("missing echo") << false << frameBytes({1, 0, 2, 0, 253}) << int(CcTalkLink::Timeout);
        QTest::newRow("extra bytes") << true << frameBytes({1, 0, 2, 0, 253, 0x55})
                                     << int(CcTalkLink::Timeout);
        QTest::newRow("short reply") << true << frameBytes({1, 1, 2, 0, 252}) << int(CcTalkLink::Timeout);
    }

    void repliesOnTheWire()
    {
        QFETCH(bool, echo);
        QFETCH(QByteArray, answer);
        QFETCH(int, result);
        m_port->setEcho(echo);
        m_port->queueReply(answer);
        QByteArray reply("keep");
        QCOMPARE(int(m_link->Transact(2, QByteArray(1, char(254)), 5, reply)), result);
        QCOMPARE(reply, QByteArray("keep"));
        QCOMPARE(m_log.lines, QStringList{"-> 020001FEFF"});
        QCOMPARE(m_busy.ends, 1);
    }

    void unframableCommandsAreRefusedBeforeSending()
    {
        QByteArray reply("keep");
        QCOMPARE(m_link->Transact(2, QByteArray("FG01"), 5, false, false, reply),
                 quint8(CcTalkLink::BadCommand));
        QVERIFY(!m_link->lastError().isEmpty());
        QCOMPARE(m_link->Transact(2, QByteArray(), 5, reply), quint8(CcTalkLink::BadCommand));
        QCOMPARE(m_link->Transact(2, QByteArray(257, char(1)), 5, reply), quint8(CcTalkLink::BadCommand));
        QVERIFY(m_port->written().isEmpty());
        QVERIFY(m_log.lines.isEmpty());
        QCOMPARE(reply, QByteArray("keep"));
        QCOMPARE(m_busy.begins, 3);
        QCOMPARE(m_busy.ends, 3);
        // 255 data bytes is the most a frame holds, and it goes out.
        QCOMPARE(m_link->Transact(2, QByteArray(256, char(1)), 1, reply), quint8(CcTalkLink::Timeout));
        QCOMPARE(m_port->written().size(), 260);
    }

    void vanishedPortTimesOutAndCanBeOpenedAgain()
    {
        m_port->setResponder([this](const QByteArray &) {
            m_port->vanish();
            return frameBytes({1, 0, 2, 0, 253});
        });
        QByteArray reply;
        QCOMPARE(m_link->Transact(2, QByteArray(1, char(254)), 3, reply), quint8(CcTalkLink::Timeout));
        QVERIFY(!m_link->isPortOpen());
        m_port->setResponder({});
        QVERIFY(m_link->openPort());
        m_port->queueReply(frameBytes({1, 0, 2, 0, 253}));
        QCOMPARE(m_link->Transact(2, QByteArray(1, char(254)), 5, reply), quint8(CcTalkLink::Ok));
    }

    // The boot monitor's exchange takes the bytes behind the echo; a reply there after the first
    // wait is taken on Transact's last poll, the raw exchange needs one poll more and says "6".
    void rawExchangeTakesTheBytesBehindTheEchoOnePollLaterThanTransact()
    {
        QByteArray reply;
        m_port->queueReply(QByteArray("RX30ABCDE"));
        QCOMPARE(m_link->RawExchange(QByteArray("V"), 9, 10, reply), quint8(CcTalkLink::RawOk));
        QCOMPARE(reply, QByteArray("RX30ABCDE"));
        QCOMPARE(m_log.lines, QStringList({"-> 56", "<- 525833304142434445"}));
        m_port->queueReply(frameBytes({1, 0, 2, 0, 253}));
        QCOMPARE(m_link->Transact(2, QByteArray(1, char(254)), 1, reply), quint8(CcTalkLink::Ok));
        m_port->queueReply(QByteArray("0"));
        QCOMPARE(m_link->RawExchange(QByteArray("U"), 1, 1, reply), quint8(CcTalkLink::RawTimeout));
        QCOMPARE(reply, QByteArray("6"));
        m_port->queueReply(QByteArray("0"));
        QCOMPARE(m_link->RawExchange(QByteArray("U"), 1, 2, reply), quint8(CcTalkLink::RawOk));
        QCOMPARE(reply, QByteArray("0"));
        m_port->queueReply(QByteArray("0!")); // more than the status
        QCOMPARE(m_link->RawExchange(QByteArray("U"), 1, 5, reply), quint8(CcTalkLink::RawTimeout));
        m_port->setEcho(false);
        QCOMPARE(m_link->RawExchange(QByteArray("U"), 1, 5, reply), quint8(CcTalkLink::RawTimeout));
        QCOMPARE(reply, QByteArray("6"));
        QCOMPARE(m_busy.begins, m_busy.ends);
    }

    void pumpDelayWaitsWithoutSpinning()
    {
        QElapsedTimer wall;
        wall.start();
        const std::clock_t cpu0 = std::clock();
        for (int i = 0; i < 10; ++i)
            CcTalkLink::PumpDelay(10);
        const double cpuMs = 1000.0 * double(std::clock() - cpu0) / CLOCKS_PER_SEC;
        QVERIFY(wall.elapsed() >= 100);
        QVERIFY2(cpuMs < 20, qPrintable(QString::number(cpuMs)));
    }
};

QTEST_GUILESS_MAIN(LinkTest)
#include "test_link.moc"
