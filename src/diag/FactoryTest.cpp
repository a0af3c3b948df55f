#include "diag/FactoryTest.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "device/DeviceSession.h"
#include "device/FactoryChallenge.h"
#include "diag/DiagReadings.h"
#include "link/CcTalkLink.h"

#include <QEventLoop>
#include <cstdlib>

namespace {
constexpr quint8 IoRegion = 0x02;
constexpr quint8 ModesRegion = 0x04;
constexpr quint16 LineSevenBlock = 0x0730;
constexpr quint16 AveragesAddress = 0x0751;
constexpr quint16 Pi3Address = 0x0759;
constexpr quint16 OffsetsAddress = 0x075C;
// Line 7 as an output for the loop-back check.
const QByteArray TemporaryLineSeven = QByteArray::fromHex("02004100FFFF1400");
constexpr int CoinPollPauseMs = 50;

QString hex2(int v)
{
    return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
}

quint8 u8(const QByteArray &b, int i)
{
    return quint8(b.at(i));
}
} // namespace

FactoryTest::FactoryTest(DeviceSession &session, const QString &iniPath, QObject *parent)
    : QObject(parent), m_session(session), m_iniPath(iniPath)
{
    m_timer.setInterval(CycleMs);
    connect(&m_timer, &QTimer::timeout, this, &FactoryTest::cycle);
}

void FactoryTest::activate()
{
    m_sections = ProductionIni::sections(m_iniPath);
    // Access was granted for the first selector; each one plugged later is unlocked alike.
    m_factoryGranted = (m_session.UnlockedLevels & DeviceSession::FactoryLevel) != 0;
    m_running = true;
    m_timer.start();
}

void FactoryTest::close()
{
    m_running = false;
    m_timer.stop();
    setStatus(212);
    wait(500);
}

void FactoryTest::update()
{
    emit changed();
}

QString FactoryTest::status() const
{
    return m_statusMessage ? Msg(m_statusMessage) : QString();
}

void FactoryTest::setStatus(int message)
{
    m_statusMessage = message;
    update();
}

void FactoryTest::wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool FactoryTest::ask(const QByteArray &command, int polls, int need, QByteArray &data, quint8 *result)
{
    return DiagReadings::request(m_session.link(), command, polls, need, data, result);
}

bool FactoryTest::fail(int message)
{
    m_session.prompts().error(Msg(message));
    return false;
}

void FactoryTest::cycle()
{
    if (!m_running || m_inCycle)
        return;
    m_timer.stop();
    m_inCycle = true;

    m_panel = Panel::Waiting;
    setStatus(317);
    QByteArray d;
    if (ask(QByteArray(1, char(254)), 10, 0, d)) {
        const bool report = m_session.ReportFlag;
        m_session.ReportFlag = false;
        m_session.Identify(); // fills the device panel
        m_session.ReportFlag = report;
        unlockFactoryLevel();

        m_lines.clear();
        m_listColour = ListColour::Normal;
        m_averages.clear();
        m_panel = Panel::Testing;
        m_failed = NoStep;
        update();
        using StepFn = bool (FactoryTest::*)();
        const StepFn steps[] = {&FactoryTest::productCodeTest, &FactoryTest::dipSwitchTest,
                                &FactoryTest::opticTest,       &FactoryTest::outputTest,
                                &FactoryTest::analogTest,      &FactoryTest::calibration};
        // Close ends the test at the next step: what is not checked has not passed.
        for (int i = 0; i < 6 && m_failed == NoStep; ++i)
            if (!m_running || !(this->*steps[i])())
                m_failed = Step(i + 1);

        if (m_failed == NoStep) {
            // The verdict stands while the passed selector is watched until it is pulled.
            m_panel = Panel::Passed;
            setStatus(288);
            insertionTest();
        } else {
            m_panel = Panel::Failed;
            setStatus(137);
        }
        // Wait for removal.
        while (m_running && ask(QByteArray(1, char(254)), 10, 0, d))
            wait(CycleMs);
        m_lines.clear();
        update();
    }

    m_inCycle = false;
    if (m_running)
        m_timer.start();
}

void FactoryTest::unlockFactoryLevel()
{
    if (!m_factoryGranted || m_session.FactoryPassword.size() != 6)
        return;
    QByteArray challenge;
    if (!ask(QByteArray::fromHex("FF00"), 10, 6, challenge))
        return;
    QByteArray d;
    ask(QByteArray::fromHex("FF01") +
            FactoryChallenge::response(challenge.left(6), m_session.FactoryPassword),
        10, 0, d);
}

bool FactoryTest::productCodeTest()
{
    setStatus(287);
    QByteArray d;
    if (!ask(QByteArray::fromHex("FF08"), 10, 4, d))
        return fail(78);
    const QString type = QString::fromLatin1(d.left(4));
    if (!m_sections.contains(type)) {
        m_session.prompts().error(type + Msg(15));
        return false;
    }
    m_limits = ProductionIni::read(m_iniPath, type);
    return true;
}

bool FactoryTest::dipSwitchTest()
{
    setStatus(286);
    QByteArray d;
    if (!ask(QByteArray(1, char(237)), 20, 2, d))
        return fail(78);
    if ((u8(d, 0) & 0x3F) != m_limits.sw1)
        return fail(101);
    if ((u8(d, 1) & 0x3F) != m_limits.sw2)
        return fail(102);
    return true;
}

bool FactoryTest::opticTest()
{
    setStatus(289);
    QByteArray d;
    if (!ask(QByteArray(1, char(236)), 10, 1, d))
        return fail(78);
    const quint8 opto = u8(d, 0);
    if (opto == 0)
        return true;
    QString text = Msg(193);
    for (int k = 0; k < 5; ++k)
        if (opto & (1 << k))
            text += QStringLiteral(", FT") + QString::number(k + 1);
    m_session.prompts().error(text + hex2(opto));
    return false;
}

bool FactoryTest::outputTest()
{
    setStatus(290);
    QByteArray kept;
    bool replaced = false;
    bool ok = outputLines(kept, replaced);
    // The selector never keeps the temporary line 7 block, whatever ended the loop.
    if (replaced) {
        const bool restored = m_session.WriteBlock(LineSevenBlock, kept, IoRegion) == DeviceSession::Done &&
                              m_session.CommitToNV();
        if (!restored && ok)
            ok = fail(78);
        wait(150);
    }
    QByteArray d;
    ask(QByteArray::fromHex("F001"), 10, 0, d);
    return ok;
}

bool FactoryTest::outputLines(QByteArray &kept, bool &replaced)
{
    QByteArray d;
    // Every way out of a latched output unlatches it first; a lost reply may hide a latch taken.
    const auto unlatch = [this, &d] { return ask(QByteArray::fromHex("E900"), 10, 0, d); };
    for (int k = 1; k <= 7; ++k) {
        if (!m_running)
            return false;
        const quint8 mask = quint8(1u << (k - 1));
        if (k == 7) {
            QByteArray block;
            if (m_session.ReadBlock(LineSevenBlock, 8, block, IoRegion) != DeviceSession::Done)
                return fail(78);
            kept = block;
            // From here on the block is restored, even if the write went only partly through.
            replaced = true;
            if (m_session.WriteBlock(LineSevenBlock, TemporaryLineSeven, IoRegion) != DeviceSession::Done ||
                !m_session.CommitToNV())
                return fail(78);
            wait(150);
        }
        if (!ask(QByteArray(1, char(233)) + char(mask), 10, 0, d)) {
            unlatch();
            return fail(78);
        }
        wait(5);
        if (!ask(QByteArray(1, char(237)), 20, 2, d)) {
            unlatch();
            return fail(78);
        }
        if (u8(d, 0) & 0x80) {
            unlatch();
            m_session.prompts().error(Msg(200) + QString::number(k) + Msg(9));
            return false;
        }
        if (!unlatch())
            return fail(78);
        if (k == 7) {
            replaced = false;
            if (m_session.WriteBlock(LineSevenBlock, kept, IoRegion) != DeviceSession::Done ||
                !m_session.CommitToNV()) {
                replaced = true; // tried once more on the way out
                return fail(78);
            }
            wait(150);
        }
    }
    return true;
}

bool FactoryTest::analogTest()
{
    wait(500);
    QByteArray d;
    int ph1 = 0, ph2 = 0, pi3 = 0;
    for (int i = 0; i < 4; ++i) {
        if (!ask(QByteArray::fromHex("FF04"), 10, 11, d))
            return fail(78);
        ph1 += u8(d, 5);
        ph2 += u8(d, 7);
        pi3 += u8(d, 8);
    }
    if (!ask(QByteArray::fromHex("FF04"), 20, 11, d))
        return fail(78);

    auto outside = [&](int value, int lo, int hi, int message, const QByteArray &raw) {
        if (value >= lo && value <= hi)
            return false;
        m_session.prompts().error(Msg(message) + QString::fromLatin1(raw.toHex().toUpper()));
        return true;
    };
    const ProductionLimits &l = m_limits;
    if (outside(u8(d, 0) * 256 + u8(d, 1), l.reg1Min, l.reg1Max, 221, d.mid(0, 2)) ||
        outside(u8(d, 2) * 256 + u8(d, 3), l.reg2Min, l.reg2Max, 222, d.mid(2, 2)))
        return false;
    const int messages[ProductionLimits::AnalogCount] = {32, 209, 35, 210, 211, 316, 283};
    for (int i = 0; i < ProductionLimits::AnalogCount; ++i)
        if (outside(u8(d, 4 + i), l.analogMin[size_t(i)], l.analogMax[size_t(i)], messages[i],
                    d.mid(4 + i, 1)))
            return false;

    QByteArray averages;
    averages.append(char(DiagReadings::roundHalfEven(ph1, 4)));
    averages.append(char(DiagReadings::roundHalfEven(ph2, 4)));
    if (m_session.WriteBlock(AveragesAddress, averages, ModesRegion) != DeviceSession::Done ||
        m_session.WriteBlock(Pi3Address, QByteArray(1, char(DiagReadings::roundHalfEven(pi3, 4))),
                             ModesRegion) != DeviceSession::Done)
        return fail(78);
    return true;
}

void FactoryTest::setAverages(const std::array<int, 6> &sums, int n)
{
    m_averages.clear();
    for (int s : sums)
        m_averages += hex2(n > 0 ? DiagReadings::roundHalfEven(s, n) : 0) + QLatin1Char(' ');
    update();
}

bool FactoryTest::calibration()
{
    setStatus(50);
    const ProductionLimits &l = m_limits;
    // Without a number of coins there is no average to calibrate against.
    if (l.minInsertion == 0) {
        m_session.prompts().error(Msg(49) + QStringLiteral("MIN_INSERTION"));
        return false;
    }
    wait(200);
    QByteArray d;
    if (!ask(QByteArray::fromHex("FF0207") + char(OffsetsAddress & 0xFF) + char(6), 10, 6, d))
        return fail(78);
    bool calibrated = false;
    for (int i = 0; i < 6; ++i)
        calibrated = calibrated || (u8(d, i) != 0 && u8(d, i) != 255);
    if (calibrated && m_session.prompts().confirm(Msg(31), Prompts::Buttons::YesNo) != Prompts::Answer::Yes)
        return true;

    std::array<int, 6> sums{};
    int n = 0;
    if (!collectCoins(sums, n))
        return false;
    m_listColour = ListColour::Green;
    update();

    QByteArray offsets;
    for (int i = 0; i < ProductionLimits::Parameters; ++i) {
        const QString name = QString::fromLatin1(ProductionIni::ParameterNames[i]);
        // target - sum / MIN_INSERTION, kept as a fraction so that rounding is exact.
        const long long num = (long long)l.targets[size_t(i)] * l.minInsertion - sums[size_t(i)];
        const long long den = l.minInsertion;
        if (std::llabs(num) > (long long)l.maxError * den) {
            m_session.prompts().error(Msg(49) + name);
            return false;
        }
        const int magnitude = DiagReadings::roundHalfEven(std::llabs(num), den);
        // Bit 7 is the sign: a larger magnitude cannot be written without becoming another value.
        if (magnitude > 0x7F) {
            m_session.prompts().error(Msg(49) + name);
            return false;
        }
        offsets.append(char(magnitude | (num < 0 && magnitude > 0 ? 0x80 : 0)));
    }
    if (m_session.WriteBlock(OffsetsAddress, offsets, ModesRegion) != DeviceSession::Done ||
        !m_session.CommitToNV())
        return fail(78);
    return true;
}

bool FactoryTest::collectCoins(std::array<int, 6> &sums, int &n)
{
    const ProductionLimits &l = m_limits;
    QByteArray d;
    if (!ask(QByteArray(1, char(226)), 30, 3, d))
        return fail(78);
    quint32 counter = u8(d, 0) | (u8(d, 1) << 8) | (quint32(u8(d, 2)) << 16);
    sums.fill(0);
    n = 0;
    QList<std::array<int, 6>> coins;
    m_lines.clear();
    m_listColour = ListColour::Red;
    m_averages = QStringLiteral("00 00 00 00 00 00");
    update();

    while (n < l.minInsertion) {
        emit waitingForCoin(n);
        for (;;) {
            if (!m_running)
                return false;
            if (!ask(QByteArray(1, char(226)), 30, 3, d)) {
                m_running = false; // no further cycle until the window is activated again
                return fail(78);
            }
            const quint32 now = u8(d, 0) | (u8(d, 1) << 8) | (quint32(u8(d, 2)) << 16);
            if (now != counter) {
                counter = now;
                break;
            }
            wait(CoinPollPauseMs);
        }
        if (!m_running)
            return false;
        if (!ask(QByteArray::fromHex("FF05"), 30, 6, d))
            return fail(78);
        std::array<int, 6> coin{};
        QString line;
        for (int i = 0; i < 6; ++i) {
            coin[size_t(i)] = u8(d, i);
            sums[size_t(i)] += coin[size_t(i)];
            line += hex2(coin[size_t(i)]) + QLatin1Char(' ');
        }
        ++n;
        coins.append(coin);
        m_lines.append(line);
        setAverages(sums, n);

        bool outlier = false;
        for (int i = 0; i < 6; ++i)
            // |sums/n - value| > limit, without leaving integers.
            outlier = outlier || std::abs(sums[size_t(i)] - n * coin[size_t(i)]) > l.err[size_t(i)] * n;
        if (!outlier)
            continue;
        if (n == 2) {
            coins.clear();
            m_lines.clear();
            sums.fill(0);
            n = 0;
        } else {
            coins.removeLast();
            m_lines.removeLast();
            --n;
            sums.fill(0);
            for (const auto &c : coins)
                for (int i = 0; i < 6; ++i)
                    sums[size_t(i)] += c[size_t(i)];
        }
        setAverages(sums, n);
    }
    return true;
}

void FactoryTest::insertionTest()
{
    m_lines.clear();
    update();
    wait(250);
    QByteArray d;
    quint8 result = CcTalkLink::Ok;
    ask(QByteArray::fromHex("E7FFFF"), 10, 0, d, &result);
    if (result == CcTalkLink::Timeout)
        return;
    // The counter of the first good read is the start: the buffer holds older coins until then.
    int last = -1;
    if (ask(QByteArray(1, char(229)), 10, 2, d, &result))
        last = u8(d, 0);
    else if (result == CcTalkLink::Timeout)
        return;
    while (m_running) {
        wait(250);
        if (!m_running)
            break;
        ask(QByteArray::fromHex("E401"), 10, 0, d, &result);
        if (result == CcTalkLink::Timeout)
            break;
        const bool got = ask(QByteArray(1, char(229)), 10, 2, d, &result);
        if (result == CcTalkLink::Timeout)
            break;
        if (got && last < 0) {
            last = u8(d, 0);
        } else if (got && u8(d, 0) != last) {
            last = u8(d, 0);
            m_lines.append(u8(d, 1) != 0 ? Msg(26) + QString::number(u8(d, 1)) : Msg(223));
            update();
        }
        emit insertionPolled();
    }
}
