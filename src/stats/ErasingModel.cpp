#include "stats/ErasingModel.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "config/ChannelTable.h"
#include "device/DeviceSession.h"

ErasingModel::ErasingModel(DeviceSession &session, ChannelTable &channels, Prompts &prompts)
    : m_session(session), m_channels(channels), m_prompts(prompts)
{
}

bool ErasingModel::channelChecked(int n) const
{
    return n >= 1 && n <= ChannelCount && m_channelBoxes[size_t(n - 1)];
}

void ErasingModel::setChannelChecked(int n, bool on)
{
    if (n >= 1 && n <= ChannelCount)
        m_channelBoxes[size_t(n - 1)] = on;
}

void ErasingModel::setAllChannels(bool on)
{
    m_allChannels = on;
    m_channelBoxes.fill(on);
}

bool ErasingModel::statChecked(int k) const
{
    return k >= 1 && k <= SlotCount && m_statBoxes[size_t(k - 1)];
}

void ErasingModel::setStatChecked(int k, bool on)
{
    if (k >= 1 && k <= SlotCount)
        m_statBoxes[size_t(k - 1)] = on;
}

void ErasingModel::setAllStats(bool on)
{
    m_allStats = on;
    m_statBoxes.fill(on);
}

bool ErasingModel::erase()
{
    if (m_prompts.confirm(Msg(118), Prompts::Buttons::YesNo) != Prompts::Answer::Yes)
        return false;
    bool error = false;
    for (int n = 1; n <= ChannelCount && !error; ++n) {
        if (!m_channelBoxes[size_t(n - 1)])
            continue;
        m_channels.StringToChannel(n, QByteArray(ChannelTable::RecordSize, char(0xFF)));
        const int result = m_session.WriteChannel(n, m_channels.ChannelToString(n));
        if (result == DeviceSession::Failed)
            m_prompts.error(Msg(121));
        error = result != DeviceSession::Done;
    }
    for (int k = 1; k <= SlotCount && !error; ++k) {
        if (!m_statBoxes[size_t(k - 1)])
            continue;
        const int result =
            m_session.WriteBlock(static_cast<quint16>(0x0800 + 3 * (k - 1)), QByteArray(1, '\x01'), 0x20);
        if (result == DeviceSession::Failed)
            m_prompts.error(Msg(122));
        error = result != DeviceSession::Done;
    }
    if (error)
        return false;
    if (m_session.CommitToNV())
        m_prompts.information(Msg(192));
    else
        m_prompts.error(Msg(129));
    return true;
}
