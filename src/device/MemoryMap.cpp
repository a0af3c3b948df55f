#include "device/MemoryMap.h"

quint8 MemoryMap::regionOf(quint16 address)
{
    if (address >= 0x0600 && address <= 0x06FF)
        return Channels;
    if (address >= 0x0700 && address <= 0x073F)
        return IoLines;
    if (address >= 0x0740 && address <= 0x079F)
        return FactoryData;
    if (address >= 0x07A0 && address <= 0x07E9)
        return Parameters;
    if (address >= 0x07EA && address <= 0x07FD)
        return StatisticOptions;
    if (address >= 0x0800 && address <= 0x083F)
        return StatisticCounters;
    return Unknown;
}
