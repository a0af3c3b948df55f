#pragma once

#include <QtGlobal>

// The selector's memory as the program sees it: each area carries a one-bit region code
// that the protection masks test. Addresses outside the known areas give code 0, which
// only the factory level opens.
class MemoryMap
{
public:
    enum Region : quint8 {
        Channels = 0x01,
        IoLines = 0x02,
        FactoryData = 0x04,
        Parameters = 0x08,
        StatisticOptions = 0x10,
        StatisticCounters = 0x20,
        BootMonitor = 0x40,
        Unknown = 0x00,
    };

    static constexpr quint16 ChannelBase = 0x0600;
    static constexpr int ChannelSize = 16;
    static constexpr int ChannelCount = 16;
    static constexpr quint16 MaskAddress = 0x0774;

    static quint8 regionOf(quint16 address);
    // Start address of channel n (1..16).
    static quint16 channelAddress(int channel)
    {
        return static_cast<quint16>(ChannelBase + ChannelSize * (channel - 1));
    }
};
