#pragma once

#include <QtGlobal>
#include <array>

class ChannelTable;
class DeviceSession;
class Prompts;

// The "Erasing" window without its widgets: sixteen channel boxes and twenty statistic
// boxes, each group with its "All" box, and the "Erase" button. The boxes keep their
// state between showings.
class ErasingModel
{
public:
    static constexpr int ChannelCount = 16;
    static constexpr int SlotCount = 20;

    ErasingModel(DeviceSession &session, ChannelTable &channels, Prompts &prompts);

    bool channelChecked(int n) const;
    void setChannelChecked(int n, bool on);
    bool allChannels() const { return m_allChannels; }
    // "All" sets every box of its group to its own state.
    void setAllChannels(bool on);
    bool statChecked(int k) const;
    void setStatChecked(int k, bool on);
    bool allStats() const { return m_allStats; }
    void setAllStats(bool on);

    // "Erase": asks, erases the chosen channels then counters, stopping at the first
    // failure, and commits when all went well. Returns true when the window closes.
    bool erase();

private:
    DeviceSession &m_session;
    ChannelTable &m_channels;
    Prompts &m_prompts;
    std::array<bool, ChannelCount> m_channelBoxes{};
    std::array<bool, SlotCount> m_statBoxes{};
    bool m_allChannels = false;
    bool m_allStats = false;
};
