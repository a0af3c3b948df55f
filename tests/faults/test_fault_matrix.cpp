#include "UpgradeBench.h"

#include "coinprog/CoinProgModel.h"
#include "device/AddressChange.h"
#include "device/PinChange.h"
#include "diag/DeviceTest.h"
#include "link/LinkHooks.h"
#include "stats/ConfigWorkspace.h"

#include <QElapsedTimer>
#include <QtTest>
#include <functional>

// Every device operation against every wire fault, through the real link to the in-process
// simulator. The fault lands on a chosen frame inside the operation (the link logs a frame
// before it goes out, so the selector is armed just in time). Each cell checks: bounded time,
// balanced busy state, the outcome its column states, on failure a message and nothing
// committed, and afterwards the same workspace doing the operation again.

namespace {

using FK = SelectorSim::FaultKind;
using Kind = ScriptedPrompts::Kind;

enum Column { Corrupt, Silent, Late, Extra, NoEcho, Nak, Unplugged, Twin, Columns };
const char *const columnNames[Columns] = {"corrupt checksum", "no reply", "late reply", "extra bytes",
                                          "missing echo",     "NAK",      "unplugged",  "second selector"};
constexpr int LateMs = 1500; // beyond every poll budget the program uses

const QString finished = QStringLiteral("Operation finished");

// The frame a fault lands on: the nth one the link sends that matches, then `skip` more
// frames or boot-monitor records answered normally (records are sent without logging).
struct Target
{
    std::function<bool(const QByteArray &)> match;
    int nth = 0;
    int skip = 0;
};

// Frame matchers on the ccTalk frame as sent: destination, length, source, header, data, checksum.
int header(const QByteArray &f)
{
    return f.size() >= 5 ? quint8(f.at(3)) : -1;
}
auto any = [](const QByteArray &) { return true; };
auto withHeader(int h)
{
    return [h](const QByteArray &f) { return header(f) == h; };
}
// Memory read (2) or write with data (3) of header 255.
auto memory(int sub)
{
    return [sub](const QByteArray &f) { return header(f) == 255 && f.size() > 8 && quint8(f.at(4)) == sub; };
}
bool isCommit(const QByteArray &f)
{
    return f.size() == 6 && header(f) == 255 && quint8(f.at(4)) == 3;
}

struct Bench : LogSink, BusyHooks
{
    QString port = QStringLiteral("FAULTSIM");
    QTemporaryDir dir;
    std::shared_ptr<SimBus> bus = SimulatorPort::registerPort(port);
    SelectorSim *sim = bus->selector(0);
    SelectorSim *twin = nullptr;
    CcTalkLink link;
    ScriptedPrompts prompts;
    DeviceSession session{link, prompts, dir.path()};
    std::unique_ptr<ConfigWorkspace> ws;
    std::unique_ptr<CoinProgModel> coinProg;
    DeviceTest deviceTest{session};
    UpgradeSequence upgrade{session, prompts, dir.path()};
    QString firmware;
    bool ready = false;

    QList<QByteArray> sent; // frames in order
    int faultFrame = -1;    // index in `sent` of the frame the fault landed on
    bool landed = false;
    QByteArray newPin;
    QByteArray uploaded;
    int upgradeResult = -1;
    Column column = Corrupt;
    std::function<void(const QByteArray &)> onSend;
    int begins = 0;
    int ends = 0;
    QList<bool> transferBusy; // the transfer window's cursor hook
    QList<bool> notebook;     // the search's notebook hook
    bool closeAccepted = false;

    Bench()
    {
        copyProgramFiles(dir.path());
        sim->setPin(QByteArray::fromHex("12345678"));
        sim->setLateReplyMs(LateMs);
        link.setPortName(port);
        link.openPort();
        link.setLogSink(this);
        link.setBusyHooks(this);
        link.LoggingEnabled = true;
        session.setPortLister([this] { return QStringList{port}; });
        session.setNotebookHook([this](bool on) { notebook.append(on); });
        ws = std::make_unique<ConfigWorkspace>(session, prompts, dir.path());
        // The user ticks three channels in the section tree for an upload and takes what
        // the download offers.
        ws->tree().showHook = [](SectionTree &t) {
            if (t.windowCaption != Msg(310))
                return true;
            t.ToggleNode(0);
            for (const QString channel : {"Channel 1", "Channel 2", "Channel 3"})
                t.ToggleNode(node(t, channel));
            return true;
        };
        ws->transfer().busy = [this](bool on) { transferBusy.append(on); };
        coinProg = std::make_unique<CoinProgModel>(session, ws->page().channelsForEdit(), prompts);
        QObject::connect(coinProg.get(), &CoinProgModel::closeAccepted, [this] { closeAccepted = true; });
        upgrade.setBackupEnabled(false);
        upgrade.upgrade().setSettleMs(20);
        ready = ws->load() && session.Identify();
        session.ReportFlag = true;
    }
    ~Bench() override
    {
        coinProg.reset();
        link.closePort();
        SimulatorPort::unregisterPort(port);
    }

    void LogLine(const QString &line) override
    {
        if (!line.startsWith(QLatin1String("-> ")))
            return;
        sent.append(QByteArray::fromHex(line.mid(3).toLatin1()));
        if (onSend)
            onSend(sent.last());
    }
    void BeginBusy() override { ++begins; }
    void EndBusy() override { ++ends; }

    // Arms `column` to land on the target frame.
    void arm(const Target &t, Column column)
    {
        faultFrame = -1;
        landed = false;
        this->column = column;
        bus->clearHostBytes();
        if (column == Twin) {
            // Another selector of the same type at the same address, with its own serial number,
            // PIN and configuration: overlapping answers combine on the open-collector line.
            auto other = std::make_unique<SelectorSim>();
            other->identity().serialNumber = 7654321;
            other->setPin(QByteArray::fromHex("CAFEBABE"));
            other->setMemory(0x0600, QByteArray(0x40, char(0x11)));
            other->setMemory(0x0800, QByteArray(60, char(0x22)));
            twin = bus->addSelector(std::move(other));
            landed = true;
            return;
        }
        auto seen = std::make_shared<int>(0);
        onSend = [this, t, column, seen](const QByteArray &frame) {
            if (landed || !t.match(frame) || (*seen)++ != t.nth)
                return;
            landed = true;
            faultFrame = int(sent.size()) - 1;
            static const FK kinds[] = {FK::CorruptChecksum, FK::NoReply, FK::LateReply, FK::ExtraBytes,
                                       FK::NoEcho,          FK::Nak,     FK::Unplugged};
            SelectorSim::Fault f{kinds[column], column == Unplugged ? -1 : 1, -1};
            f.skip = t.skip;
            sim->injectFault(f);
        };
    }
    // The wire is sound again. A late answer still on its way is dropped: the user takes
    // longer than that to click again.
    void disarm()
    {
        onSend = nullptr;
        sim->clearFaults();
        sim->setUnplugged(false);
        if (twin)
            bus->removeSelector(twin);
        twin = nullptr;
        bus->flush();
    }
    QList<QByteArray> sentAfterFault() const { return sent.mid(faultFrame + 1); }
    // Whether a boot-monitor record went out twice in a row.
    bool repeatedRecord() const
    {
        const QByteArray wire = bus->hostBytes();
        QByteArray last;
        for (int i = wire.indexOf(char(0x55)); i >= 0 && i + 2 < wire.size();) {
            const QByteArray record = wire.mid(i, 3 + quint8(wire.at(i + 2)));
            if (record == last)
                return true;
            last = record;
            i = wire.indexOf(char(0x55), i + record.size());
        }
        return false;
    }
    void resetPrompts() { prompts = ScriptedPrompts(); }
};

// One device operation as the windows run it. arrange() brings the workspace to where the
// user starts the operation, act() is the user's action and returns what the program claims,
// done() checks the selector (or the window) really holds the result.
struct Operation
{
    const char *name;
    const char *expected; // one letter per column: S succeeds, F fails
    std::function<Target(Column)> target;
    qint64 boundMs;
    std::function<void(Bench &, int round)> arrange;
    std::function<bool(Bench &)> act;
    std::function<bool(Bench &, int round)> done;
    // A failure shows a message (rows whose window shows failures otherwise say how).
    std::function<bool(Bench &)> reported = [](Bench &b) {
        return !b.prompts.texts(Kind::Error).isEmpty() || !b.prompts.texts(Kind::Warning).isEmpty();
    };
};

Target at(std::function<bool(const QByteArray &)> match, int nth = 0)
{
    return Target{std::move(match), nth, 0};
}

QByteArray pattern(int round, int size)
{
    QByteArray out;
    for (int i = 0; i < size; ++i)
        out.append(char(0x30 + round * 7 + i));
    return out;
}

QByteArray channelRecord(int round)
{
    CoinProgControls c;
    c.params = {{90, 110, 72, 130, 60, 100, 6, 8, 6, 8, 10, 4}};
    c.value = 40 + round;
    return c.toRecord();
}

const QList<Operation> &operations()
{
    static const QList<Operation> ops = {
        {"Search", "SSSSSSFS", [](Column) { return at(any); }, 8000, [](Bench &, int) {},
         [](Bench &b) { return b.session.Search(); },
         [](Bench &b, int) {
             return b.prompts.texts(Kind::Information).size() == 1 && b.notebook.size() >= 2 &&
                    b.notebook.first() == false && b.notebook.last() == true;
         }},
        {"Upload", "FFFFFFFF", [](Column) { return at(memory(2), 1); }, 5000,
         [](Bench &b, int round) { b.sim->setMemory(0x0610, channelRecord(round)); },
         [](Bench &b) { return b.ws->transfer().Upload() == ConfigTransfer::Done; },
         [](Bench &b, int round) {
             return b.ws->page().channels().ChannelToString(2) == channelRecord(round) &&
                    b.prompts.texts(Kind::Information) == QStringList{finished};
         }},
        {"Download", "FFFFFFFS", [](Column) { return at(memory(3), 1); }, 5000,
         [](Bench &b, int round) {
             // The window holds what was uploaded; the selector then changes behind it.
             QVERIFY(b.ws->transfer().Upload() == ConfigTransfer::Done);
             b.uploaded = b.sim->memory(0x0600, 16);
             b.sim->setMemory(0x0600, channelRecord(round));
         },
         [](Bench &b) { return b.ws->transfer().Download() == ConfigTransfer::Done; },
         [](Bench &b, int) {
             return b.sim->nvMemory(0x0600, 16) == b.uploaded &&
                    b.prompts.texts(Kind::Information) == QStringList{finished};
         }},
        {"Statistics write", "FFFFFFFS", [](Column) { return at(memory(3), 1); }, 5000,
         [](Bench &b, int) {
             QVERIFY(b.ws->statistics().statisticsRead());
             const int now = b.ws->statistics().selection(5);
             b.ws->statistics().chooseOption(5, now == 0 ? 1 : 0);
         },
         [](Bench &b) { return b.ws->statistics().writeButton(); },
         [](Bench &b, int) {
             StatisticsPage &s = b.ws->statistics();
             return b.sim->nvMemory(StatisticsPage::OptionsAddress + 4, 1).toHex().toUpper() ==
                        s.optionCode(s.selection(5)).toLatin1() &&
                    b.prompts.texts(Kind::Information) == QStringList{finished};
         }},
        {"Statistics erase", "FFFFFFFS", [](Column) { return at(memory(3), 1); }, 5000,
         [](Bench &b, int round) {
             b.sim->setMemory(0x0610, pattern(round, 16));
             b.sim->setMemory(0x0800, QByteArray::fromHex("000777"));
             ErasingModel &e = b.ws->erasing();
             e.setChannelChecked(1, true);
             e.setChannelChecked(2, true);
             e.setStatChecked(1, true);
             b.prompts.queueAnswer(Prompts::Answer::Yes);
         },
         [](Bench &b) {
             return b.ws->erasing().erase() && b.prompts.texts(Kind::Information) == QStringList{finished};
         },
         [](Bench &b, int) {
             return b.sim->nvMemory(0x0610, 16) == QByteArray(16, char(0xFF)) &&
                    b.sim->nvMemory(0x0800, 3) == QByteArray(3, char(0));
         }},
        {"Address change", "FFFFFFFS", [](Column) { return at(withHeader(251)); }, 3000,
         [](Bench &b, int round) {
             // After "Error write address" the selector may have moved without its answer
             // arriving: the user searches again.
             if (round > 0)
                 QVERIFY(b.session.Search());
         },
         [](Bench &b) { return AddressChange(b.link, b.prompts).Apply(b.link.DeviceAddress + 1); },
         [](Bench &b, int) { return b.sim->address() == b.link.DeviceAddress; }},
        {"PIN change", "FFFFFFFF", [](Column) { return at(withHeader(219)); }, 3000, [](Bench &, int) {},
         [](Bench &b) {
             const QString now = QString::fromLatin1(b.sim->pin().toHex());
             const QString next = now == "12345678" ? "1234ABCD" : "12345678";
             b.newPin = QByteArray::fromHex(next.toLatin1());
             return PinChange(b.link, b.prompts).Apply(now, next, next);
         },
         [](Bench &b, int) { return b.sim->pin() == b.newPin; }},
        {"Coin programming save and close", "FFFFFFFS", [](Column) { return at(memory(3)); }, 5000,
         [](Bench &b, int round) {
             b.closeAccepted = false;
             QVERIFY(b.coinProg->openFromToolbar());
             b.coinProg->windowOpened();
             b.coinProg->controlsForEdit() = CoinProgControls::fromRecord(channelRecord(round));
             b.prompts.queueAnswer(Prompts::Answer::Ok);  // save channel 1
             b.prompts.queueAnswer(Prompts::Answer::Yes); // keep the channels taught
         },
         [](Bench &b) {
             b.coinProg->saveChannelClick();
             b.coinProg->closeClick();
             return b.closeAccepted && b.prompts.texts(Kind::Error).isEmpty();
         },
         [](Bench &b, int round) { return b.sim->nvMemory(0x0600, 16) == channelRecord(round); }},
        {"Test window tick", "FFFFFFFF", [](Column) { return at(withHeader(237)); }, 3000,
         [](Bench &b, int round) {
             b.deviceTest.open();
             b.sim->setInputs(QByteArray(1, char(round + 1)) + char(0));
         },
         [](Bench &b) {
             b.deviceTest.tick();
             return b.deviceTest.sw1() == quint8(b.sim->inputs().at(0));
         },
         [](Bench &b, int) { return b.deviceTest.polling() && b.deviceTest.pollTimer().isActive(); },
         // The test window shows no messages: a failed reading leaves its part as it was, and
         // the window keeps polling.
         [](Bench &b) {
             return b.deviceTest.sw1() != quint8(b.sim->inputs().at(0)) &&
                    b.deviceTest.pollTimer().isActive();
         }},
        {"Firmware transfer", "SSSSSFFS",
         [](Column c) {
             Target t =
                 at([](const QByteArray &f) { return f.size() == 6 && header(f) == 255 && f.at(4) == 6; });
             // Faults the boot monitor can show land on its third record; the rest on the
             // command that enters the monitor.
             if (c == Silent || c == Late || c == NoEcho || c == Unplugged)
                 t.skip = 4; // the command itself, the monitor's identity, two records
             return t;
         },
         15000,
         [](Bench &b, int) {
             b.bus->clearHostBytes();
             if (b.firmware.isEmpty())
                 b.firmware = makeFirmware(b.dir.path(), b.sim->monitorIdentity(), 96);
         },
         [](Bench &b) {
             b.upgradeResult = b.upgrade.run(b.firmware);
             return b.upgradeResult == UpgradeSequence::Flashed;
         },
         [](Bench &b, int round) {
             // A record whose status was lost is sent again.
             const bool retry = round == 0 && (b.column == Silent || b.column == Late || b.column == NoEcho);
             const QStringList shown = b.prompts.texts(Kind::Information);
             return shown.size() == 1 && shown.first().startsWith(finished) && b.repeatedRecord() == retry;
         },
         // A monitor that cannot be reached is named before the window closes, as is a failed transfer.
         [](Bench &b) {
             return b.upgradeResult != UpgradeSequence::Flashed && !b.prompts.texts(Kind::Error).isEmpty();
         }},
    };
    return ops;
}

} // namespace

class TestFaultMatrix : public QObject
{
    Q_OBJECT

    // One workspace per operation, kept across its faults: each cell leaves it as the
    // program left it after the failure and the repeat.
    std::unique_ptr<Bench> m_bench;
    int m_benchRow = -1;

private slots:
    void matrix_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        for (int r = 0; r < operations().size(); ++r)
            for (int c = 0; c < Columns; ++c)
                QTest::newRow(qPrintable(QStringLiteral("%1 / %2").arg(QLatin1String(operations()[r].name),
                                                                       QLatin1String(columnNames[c]))))
                    << r << c;
    }

    void matrix()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        const Operation &op = operations()[row];
        const bool succeeds = op.expected[column] == 'S';
        if (m_benchRow != row) {
            m_bench.reset();
            m_bench = std::make_unique<Bench>();
            m_benchRow = row;
        }
        Bench &b = *m_bench;
        QVERIFY(b.ready);
        b.resetPrompts();
        op.arrange(b, 0);
        b.prompts.clear(); // answers queued by arrange() stay
        b.sent.clear();
        b.begins = b.ends = 0;
        b.transferBusy.clear();
        b.notebook.clear();
        const QByteArray nvBefore = b.sim->nvImage();
        const QByteArray revisionBefore = b.sim->identity().softwareRevision;

        b.arm(op.target(Column(column)), Column(column));
        QElapsedTimer clock;
        clock.start();
        const bool claimed = op.act(b);
        const qint64 ms = clock.elapsed();
        const bool reported = op.reported(b);
        const bool done = claimed && op.done(b, 0);
        b.disarm();
        const QStringList shown = b.prompts.allTexts();
        qInfo("%lld ms, %s; shown: %s", ms, claimed ? "success" : "failure",
              qPrintable(shown.join(QLatin1String(" | "))));

        QVERIFY2(b.landed, "the fault never reached the wire");
        QVERIFY2(ms < op.boundMs, qPrintable(QString::number(ms)));
        QCOMPARE(b.begins, b.ends);
        QCOMPARE(b.transferBusy.count(true), b.transferBusy.count(false));
        if (!b.notebook.isEmpty())
            QCOMPARE(b.notebook.last(), true);
        QCOMPARE(claimed, succeeds);
        if (succeeds) {
            QVERIFY(done);
        } else {
            QVERIFY2(reported, "failure not shown");
            QVERIFY(!shown.contains(finished));
            QCOMPARE(b.sim->nvImage(), nvBefore);
            QCOMPARE(b.sim->identity().softwareRevision, revisionBefore);
            for (const QByteArray &f : b.sentAfterFault())
                QVERIFY2(!isCommit(f), "committed after the failure");
        }

        // The same workspace does it again once the wire is sound.
        b.resetPrompts();
        op.arrange(b, 1);
        b.prompts.clear();
        QVERIFY2(op.act(b), qPrintable(b.prompts.allTexts().join(QLatin1String(" | "))));
        QVERIFY(op.done(b, 1));
        qInfo("cell with its repeat: %lld ms", clock.elapsed());
    }

    void cleanupTestCase() { m_bench.reset(); }
};

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "test_fault_matrix.moc"
