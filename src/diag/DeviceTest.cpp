#include "diag/DeviceTest.h"

#include "device/DeviceSession.h"
#include "link/CcTalkLink.h"

using namespace DiagReadings;

namespace {
constexpr quint8 IoRegion = 0x02;
constexpr int IoStart = 0x0700;
const QByteArray SolenoidBlockStart = QByteArray::fromHex("0103");
} // namespace

DeviceTest::DeviceTest(DeviceSession &session, QObject *parent) : QObject(parent), m_session(session)
{
    m_poll.setInterval(PollMs);
    m_pulse.setInterval(PulseMs);
    connect(&m_poll, &QTimer::timeout, this, &DeviceTest::tick);
    connect(&m_pulse, &QTimer::timeout, this, &DeviceTest::pulseTick);
    m_solenoidInUse[M] = true;
}

void DeviceTest::open()
{
    m_poll.stop();
    m_pulse.stop();
    m_events.clear();
    m_optoLamps = 0;
    m_insertion = false;
    m_insertionStartPending = false;
    m_trace.clear();
    // Opening talks to the selector too: clicks meanwhile wait, and Close is honoured.
    m_running = true;
    m_inTick = true;

    CcTalkLink &link = m_session.link();
    send(link, QByteArray(1, char(230)), 5);
    m_lastCounter = readEventCounter();

    m_lastSw1.reset();
    m_lastSw2.reset();
    m_loopBit = 0;
    readOutputBlocks();

    m_inTick = false;
    finishExchange();
    emit changed();
}

void DeviceTest::close()
{
    m_running = false;
    m_poll.stop();
    m_pulse.stop();
}

quint8 DeviceTest::readEventCounter()
{
    CreditEvents ev;
    return readCreditEvents(m_session.link(), ev) ? ev.counter : 0;
}

void DeviceTest::readOutputBlocks()
{
    // A block that cannot be read leaves its output (and the solenoid that depends on it)
    // hidden: a line whose function is unknown is not offered for driving.
    std::array<QByteArray, Outputs> blocks;
    for (int i = 1; i <= Outputs; ++i) {
        QByteArray block;
        const bool read =
            m_session.ReadBlock(quint16(IoStart + 8 * (i - 1)), 8, block, IoRegion) == DeviceSession::Done &&
            block.size() >= 2;
        blocks[size_t(i - 1)] = read ? block : QByteArray();
        m_outputInUse[size_t(i - 1)] = read && quint8(block.at(0)) < 0x80;
        // A lamp of a line that is not an output must never join the output mask.
        if (!m_outputInUse[size_t(i - 1)])
            m_outputLamp[size_t(i - 1)] = false;
    }
    const int solenoidLine[Solenoids] = {0, 6, 5, 4}; // S1 on line 6, S2 on 5, S3 on 4
    for (int s = S1; s <= S3; ++s) {
        const QByteArray &b = blocks[size_t(solenoidLine[s] - 1)];
        m_solenoidInUse[size_t(s)] = b.startsWith(SolenoidBlockStart);
        if (!m_solenoidInUse[size_t(s)])
            m_solenoidLamp[size_t(s)] = false;
    }
    m_solenoidInUse[M] = true;
}

void DeviceTest::tick()
{
    if (!m_running || m_inTick)
        return;
    // The link serves window events while it waits: no tick may start inside another.
    m_poll.stop();
    m_inTick = true;
    if (m_insertion)
        insertionTick();
    else if (m_loopBit != 0)
        loopTick();
    else
        normalTick();
    m_inTick = false;
    finishExchange();
    emit changed();
}

void DeviceTest::finishExchange()
{
    if (m_insertionStartPending && m_running) {
        m_insertionStartPending = false;
        startInsertionTest();
    }
    // Closing the window meanwhile must not bring polling back.
    if (m_running)
        m_poll.start();
}

void DeviceTest::insertionTick()
{
    CcTalkLink &link = m_session.link();
    send(link, QByteArray::fromHex("E7FFFF"), 15); // enable all coins
    send(link, QByteArray::fromHex("E401"), 15);   // master inhibit off
    CreditEvents ev;
    if (!readCreditEvents(link, ev) || ev.counter == m_lastCounter)
        return;
    const int n = newEventCount(m_lastCounter, ev.counter);
    m_lastCounter = ev.counter;
    const QStringList lines = eventLines(ev, n);
    if (lines.isEmpty())
        return;
    m_events << lines;
    emit eventsAdded(lines);
}

void DeviceTest::loopTick()
{
    CcTalkLink &link = m_session.link();
    send(link, QByteArray(1, char(233)) + char(m_loopBit), 5);
    for (int i = 1; i <= Outputs; ++i)
        m_outputLamp[size_t(i - 1)] = ((m_loopBit >> (i - 1)) & 1) && m_outputInUse[size_t(i - 1)];
    if (m_loopBit == 0x80)
        m_loopBit = 0;
    if (m_loopBit == 0x40)
        send(link, QByteArray::fromHex("F001"), 5);
    m_loopBit = quint8(m_loopBit << 1);
}

void DeviceTest::normalTick()
{
    CcTalkLink &link = m_session.link();

    Inputs in;
    if (readInputs(link, in)) {
        if (!m_lastSw2 || *m_lastSw2 != in.sw2) {
            m_lastSw2 = in.sw2;
            emit dipRedrawn(2);
        }
        if (!m_lastSw1 || *m_lastSw1 != in.sw1) {
            m_lastSw1 = in.sw1;
            emit dipRedrawn(1);
        }
    }

    QString type;
    if (readDeviceType(link, type))
        m_sw2Visible = type == QLatin1String("RX30");

    Analog a;
    if (readAnalog(link, a)) {
        m_analog = a;
        m_trace.add(
            {a.millivolts[0], a.millivolts[1], a.millivolts[2], a.millivolts[3], a.millivolts[4], a.vcc});
    }

    quint8 opto = 0;
    if (readOpto(link, opto))
        m_optoLamps |= quint8(opto & 0x1F); // lamps record every interruption until reset

    static const char solenoidBit[Solenoids] = {0x01, 0x02, 0x04, 0x08};
    for (int s = M; s < Solenoids; ++s) {
        if (m_solenoidLamp[size_t(s)]) {
            send(link, QByteArray(1, char(240)) + solenoidBit[s], 5);
            m_solenoidLamp[size_t(s)] = false;
            break;
        }
    }

    quint8 mask = 0;
    for (int i = 1; i <= Outputs; ++i)
        if (m_outputLamp[size_t(i - 1)])
            mask |= quint8(1u << (i - 1));
    if (m_latch) {
        send(link, QByteArray(1, char(233)) + char(mask), 5);
    } else if (mask != 0) {
        send(link, QByteArray(1, char(238)) + char(mask), 5);
        m_pulse.start();
    }
}

void DeviceTest::pulseTick()
{
    m_pulse.stop();
    m_outputLamp.fill(false);
    emit changed();
}

void DeviceTest::clickOutput(int line)
{
    if (line < 1 || line > Outputs || !m_outputInUse[size_t(line - 1)])
        return;
    m_outputLamp[size_t(line - 1)] = !m_outputLamp[size_t(line - 1)];
    emit changed();
}

void DeviceTest::clickSolenoid(Solenoid s)
{
    if (s < M || s >= Solenoids || !m_solenoidInUse[size_t(s)])
        return;
    m_solenoidLamp[size_t(s)] = true;
    emit changed();
}

void DeviceTest::clickLoop()
{
    m_loopBit = 1;
    m_latch = true;
    emit changed();
}

void DeviceTest::setLatch(bool latch)
{
    // Pulsing cannot be chosen while the loop drives the outputs.
    m_latch = latch || m_loopBit != 0;
    emit changed();
}

void DeviceTest::setInsertionTest(bool on)
{
    if (on == m_insertion)
        return;
    m_insertion = on;
    if (on) {
        m_optoLamps = 0;
        if (m_inTick)
            m_insertionStartPending = true; // after the running tick, never inside it
        else
            startInsertionTest();
    } else {
        m_insertionStartPending = false;
        m_events.clear();
    }
    emit changed();
}

void DeviceTest::startInsertionTest()
{
    m_poll.stop();
    m_lastCounter = readEventCounter();
    if (m_running)
        m_poll.start();
}

void DeviceTest::clearList()
{
    m_events.clear();
    emit changed();
}
