#include "coinprog/CoinProgModel.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/ChannelTable.h"
#include "device/DeviceSession.h"
#include "device/MemoryMap.h"
#include "device/ReplyFrame.h"
#include "link/CcTalkLink.h"

#include <algorithm>

namespace {
constexpr int ReplyPolls = 10;

quint8 u8(const QByteArray &b, int i)
{
    return static_cast<quint8>(b.at(i));
}

// Marks the model as talking to the selector for the lifetime of the scope.
class BusyScope
{
public:
    explicit BusyScope(int &depth) : m_depth(depth) { ++m_depth; }
    ~BusyScope() { --m_depth; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    int &m_depth;
};
} // namespace

QByteArray CoinProgControls::toRecord() const
{
    QByteArray r(16, char(0));
    for (int i = 0; i < 12; ++i)
        r[i] = char(qBound(0, params[size_t(i)], 255));
    quint8 status = 0x70;
    if (!ccTalk)
        status |= 0x08;
    if (selective)
        status |= 0x04;
    if (fake)
        status |= 0x02;
    if (!enabled)
        status |= 0x01;
    r[12] = char(status);
    r[13] = char(direction >= 0 && direction <= 8 ? direction : 255);
    const int c = cvf < 0 ? 0x0F : cvf & 0x0F;
    const int m = mint < 0 ? 0x03 : mint & 0x03;
    const int k = cc < 0 ? 0x03 : cc & 0x03;
    r[14] = char(c | (m << 4) | (k << 6));
    r[15] = char(qBound(0, value, 255));
    return r;
}

CoinProgControls CoinProgControls::fromRecord(const QByteArray &record)
{
    CoinProgControls c;
    const QByteArray r = record.size() == 16 ? record : QByteArray(16, char(0xFF));
    for (int i = 0; i < 12; ++i)
        c.params[size_t(i)] = u8(r, i);
    const quint8 status = u8(r, 12);
    c.ccTalk = !(status & 0x08);
    c.selective = status & 0x04;
    c.fake = status & 0x02;
    c.enabled = !(status & 0x01);
    c.direction = u8(r, 13) <= 8 ? u8(r, 13) : -1;
    c.cvf = u8(r, 14) & 0x0F;
    c.mint = (u8(r, 14) >> 4) & 0x03;
    c.cc = (u8(r, 14) >> 6) & 0x03;
    c.value = u8(r, 15);
    return c;
}

CoinProgModel::CoinProgModel(DeviceSession &session, ChannelTable &channels, Prompts &prompts,
                             QObject *parent)
    : QObject(parent), m_session(session), m_channels(channels), m_prompts(prompts)
{
    m_timer.setInterval(PollMs);
    connect(&m_timer, &QTimer::timeout, this, &CoinProgModel::Timer1Timer);
}

bool CoinProgModel::openFromToolbar()
{
    if (!m_session.Identify()) {
        m_prompts.error(Msg(78));
        return false;
    }
    for (int n = 1; n <= ChannelCount; ++n) {
        QByteArray record;
        const int result = m_session.ReadChannel(n, record);
        if (result == DeviceSession::Failed)
            m_prompts.error(Msg(124));
        if (result != DeviceSession::Done)
            return false;
        m_channels.StringToChannel(n, record);
    }
    return true;
}

void CoinProgModel::windowOpened()
{
    BusyScope busy(m_busy);
    m_open = true;
    m_loaded = false;
    m_minSamples = CoinCalc::minimumSamples(m_session.iniPath());
    m_ccLabels = m_channels.ccLabels();
    masterInhibit(true);
    quint32 count = 0;
    if (!insertionCounter(count)) {
        m_prompts.error(Msg(78));
        emit changed();
        return;
    }
    m_loaded = true;
    m_lastAnswer.start();
    m_lastCount = count;
    m_channel = 1;
    channelChange();
    m_savedMask = 0;
    emit changed();
}

void CoinProgModel::windowClosed()
{
    if (!m_open)
        return;
    if (m_busy) {
        // Closing waits for the exchange in progress; the poll stops now.
        m_timer.stop();
        m_deferred.append([this] { closeNow(); });
        return;
    }
    BusyScope busy(m_busy);
    closeNow();
}

void CoinProgModel::closeNow()
{
    if (!m_open)
        return;
    m_open = false;
    m_loaded = false;
    m_timer.stop();
    m_samples.clear();
    m_unsaved = false;
    masterInhibit(false);
    m_deferred.clear();
    emit changed();
}

void CoinProgModel::userAction(const std::function<void()> &action)
{
    if (m_busy) {
        m_deferred.append(action);
        return;
    }
    {
        BusyScope busy(m_busy);
        action();
    }
    runDeferred();
}

void CoinProgModel::runDeferred()
{
    while (m_busy == 0 && !m_deferred.isEmpty()) {
        const std::function<void()> next = m_deferred.takeFirst();
        BusyScope busy(m_busy);
        next();
    }
}

void CoinProgModel::startPolling()
{
    if (m_open && m_loaded)
        m_timer.start();
}

CoinProgControls CoinProgModel::recordOf(int channel) const
{
    QByteArray record = m_channels.ChannelToString(channel);
    if (record.size() != 16)
        record = QByteArray(16, char(0xFF));
    return CoinProgControls::fromRecord(record);
}

void CoinProgModel::channelChange()
{
    m_timer.stop();
    m_controls = recordOf(m_channel);
    if (!m_controls.enabled) {
        // A free channel (also an erased one) gets the usual options; the parameters stay.
        const std::array<int, 12> params = m_controls.params;
        m_controls = CoinProgControls();
        m_controls.params = params;
    } else {
        m_prompts.information(Msg(58) + QString::number(m_channel) + Msg(14));
    }
    m_samples.clear();
    m_unsaved = false;
    emit changed();
    startPolling();
}

void CoinProgModel::Timer1Timer()
{
    // A tick never starts while another exchange of this window waits for the selector.
    if (m_busy || !m_open)
        return;
    m_timer.stop();
    {
        BusyScope busy(m_busy);
        quint32 count = 0;
        CoinCalc::Sample values{};
        const bool answered = insertionCounter(count);
        if (answered) {
            m_lastAnswer.start();
        } else {
            masterInhibit(true);
            if (m_lastAnswer.isValid() && m_lastAnswer.elapsed() >= SilenceMs) {
                // Said once per silence; the next answer starts the clock again.
                m_lastAnswer.invalidate();
                emit selectorSilent();
            }
        }
        if (answered && count != m_lastCount && measurement(values)) {
            m_lastCount = count;
            const QString line = CoinCalc::sampleLine(values);
            m_samples.append(line);
            m_unsaved = true;
            calculate();
            emit sampleAdded(line);
            emit changed();
        }
    }
    startPolling();
    runDeferred();
}

void CoinProgModel::calculate()
{
    int version = 0;
    const CoinCalc::Addends add =
        databaseVersion(version) ? CoinCalc::addends(m_session.iniPath(), version) : CoinCalc::Addends{};
    const int n = m_samples.size();
    m_colour = n < m_minSamples ? Red : DarkGreen;
    if (n == 0)
        return;
    QList<CoinCalc::Sample> samples;
    for (const QString &line : m_samples) {
        CoinCalc::Sample s{};
        if (CoinCalc::parseLine(line, s))
            samples.append(s);
    }
    if (samples.isEmpty())
        return;
    const CoinCalc::Result r = CoinCalc::compute(samples, m_preset, add);
    // Only the twelve parameters change; the options stay as the user left them.
    for (size_t k = 0; k < CoinCalc::ParameterCount; ++k) {
        m_controls.params[k] = r.centre[k];
        m_controls.params[k + 6] = r.tolerance[k];
    }
}

bool CoinProgModel::channelsave()
{
    // The poll stops before the first exchange of the save, the access check included.
    m_timer.stop();
    bool saved = false;
    if (m_session.RequestAccess(DeviceSession::WriteBank, MemoryMap::Channels) &&
        (m_controls.cvf >= 0 ||
         m_prompts.confirm(Msg(92), Prompts::Buttons::YesNo) == Prompts::Answer::Yes)) {
        m_channels.StringToChannel(m_channel, m_controls.toRecord());
        const int result = m_session.WriteChannel(m_channel, m_channels.ChannelToString(m_channel));
        if (result == DeviceSession::Failed)
            m_prompts.error(Msg(128));
        saved = result == DeviceSession::Done;
        if (saved)
            m_savedMask = quint16(m_savedMask | (1u << (m_channel - 1)));
    }
    startPolling();
    return saved;
}

void CoinProgModel::channelListChanged(int index)
{
    userAction([this, index] {
        if (!m_open || index < 0 || index >= ChannelCount || index + 1 == m_channel) {
            emit changed();
            return;
        }
        if (m_unsaved) {
            const Prompts::Answer a = m_prompts.confirm(
                Msg(93) + QString::number(m_channel) + QStringLiteral(" ?"), Prompts::Buttons::YesNoCancel);
            if (a == Prompts::Answer::Cancel || (a == Prompts::Answer::Yes && !channelsave())) {
                emit changed(); // the list shows the channel in work again
                return;
            }
        }
        m_channel = index + 1;
        channelChange();
    });
}

void CoinProgModel::saveChannelClick()
{
    userAction([this] {
        // Without a channel loaded the controls hold nothing read from the selector or typed.
        if (!m_open || !m_loaded)
            return;
        if (m_prompts.confirm(Msg(214) + QString::number(m_channel), Prompts::Buttons::OkCancel) !=
            Prompts::Answer::Ok)
            return;
        if (!channelsave())
            return;
        masterInhibit(true);
        if (m_channel < ChannelCount) {
            ++m_channel;
            channelChange();
        }
        emit changed();
    });
}

void CoinProgModel::deleteItems(const QList<int> &rows)
{
    userAction([this, rows] {
        QList<int> sorted = rows;
        std::sort(sorted.begin(), sorted.end(), std::greater<int>());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        for (int row : sorted)
            if (row >= 0 && row < m_samples.size())
                m_samples.removeAt(row);
        if (m_samples.isEmpty())
            m_unsaved = false;
        calculate();
        emit changed();
    });
}

void CoinProgModel::clearListClick()
{
    userAction([this] {
        if (m_prompts.confirm(Msg(112), Prompts::Buttons::YesNo) != Prompts::Answer::Yes)
            return;
        m_samples.clear();
        m_unsaved = false;
        emit changed();
    });
}

void CoinProgModel::presetChanged(int preset)
{
    userAction([this, preset] {
        m_preset = qBound(0, preset, 2);
        calculate();
        emit changed();
    });
}

void CoinProgModel::closeClick()
{
    userAction([this] {
        if (!m_open)
            return;
        if (m_unsaved) {
            // Cancel, or a save that did not happen, keeps the window open with its samples.
            const Prompts::Answer a = m_prompts.confirm(
                Msg(93) + QString::number(m_channel) + QStringLiteral(" ?"), Prompts::Buttons::YesNoCancel);
            if (a == Prompts::Answer::Cancel || (a == Prompts::Answer::Yes && !channelsave())) {
                emit changed();
                return;
            }
        }
        if (m_savedMask != 0) {
            const Prompts::Answer a = m_prompts.confirm(Msg(231), Prompts::Buttons::YesNoCancel);
            if (a == Prompts::Answer::Cancel)
                return;
            if (a == Prompts::Answer::Yes) {
                masterInhibit(false);
                if (!m_session.CommitToNV()) {
                    // The channels taught are not lost silently: the window stays open and
                    // the selector keeps returning coins.
                    m_prompts.error(Msg(129));
                    masterInhibit(true);
                    return;
                }
            }
        }
        closeNow();
        emit closeAccepted();
    });
}

QList<CoinProgModel::Band> CoinProgModel::otherBands(int parameter) const
{
    QList<Band> out;
    if (parameter < 0 || parameter >= CoinCalc::ParameterCount)
        return out;
    for (int n = 1; n <= ChannelCount; ++n) {
        if (n == m_channel)
            continue;
        const CoinProgControls c = recordOf(n);
        if (!c.enabled)
            continue;
        const int centre = c.params[size_t(parameter)];
        const int tol = c.params[size_t(parameter + 6)];
        out.append({n, qMax(0, centre - tol), qMin(255, centre + tol)});
    }
    return out;
}

QList<int> CoinProgModel::indistinguishableChannels() const
{
    QList<int> out;
    if (m_samples.isEmpty())
        return out;
    for (int n = 1; n <= ChannelCount; ++n) {
        if (n == m_channel)
            continue;
        const CoinProgControls c = recordOf(n);
        if (!c.enabled)
            continue;
        bool all = true;
        for (size_t k = 0; k < CoinCalc::ParameterCount && all; ++k)
            all = qAbs(c.params[k] - m_controls.params[k]) <= c.params[k + 6] + m_controls.params[k + 6];
        if (all)
            out.append(n);
    }
    return out;
}

bool CoinProgModel::masterInhibit(bool on)
{
    // Sent on is held even unanswered: the selector may have taken it.
    if (on)
        m_inhibitHeld = true;
    QByteArray reply;
    CcTalkLink &link = m_session.link();
    const bool acked = link.Transact(link.DeviceAddress, QByteArray() + char(228) + char(on ? 0x00 : 0x01),
                                     ReplyPolls, reply) == CcTalkLink::Ok &&
                       ReplyFrame::isAck(reply);
    if (!on && acked)
        m_inhibitHeld = false;
    return acked;
}

bool CoinProgModel::insertionCounter(quint32 &count)
{
    QByteArray reply;
    CcTalkLink &link = m_session.link();
    if (link.Transact(link.DeviceAddress, QByteArray(1, char(226)), ReplyPolls, reply) != CcTalkLink::Ok)
        return false;
    const QByteArray d = ReplyFrame::data(reply);
    if (d.size() < 3)
        return false;
    count = quint32(u8(d, 0)) | (quint32(u8(d, 1)) << 8) | (quint32(u8(d, 2)) << 16);
    return true;
}

bool CoinProgModel::measurement(CoinCalc::Sample &values)
{
    QByteArray reply;
    CcTalkLink &link = m_session.link();
    if (link.Transact(link.DeviceAddress, QByteArray("\xFF\x05", 2), ReplyPolls, reply) != CcTalkLink::Ok)
        return false;
    const QByteArray d = ReplyFrame::data(reply);
    if (d.size() < 6)
        return false;
    for (int k = 0; k < CoinCalc::ParameterCount; ++k)
        values[size_t(k)] = u8(d, k);
    return true;
}

bool CoinProgModel::databaseVersion(int &version)
{
    QByteArray reply;
    CcTalkLink &link = m_session.link();
    if (link.Transact(link.DeviceAddress, QByteArray(1, char(243)), ReplyPolls, reply) != CcTalkLink::Ok)
        return false;
    const QByteArray d = ReplyFrame::data(reply);
    if (d.isEmpty())
        return false;
    version = u8(d, 0);
    return true;
}
