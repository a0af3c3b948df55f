#pragma once

#include <QByteArray>

// The memory contents 0x0600..0x083F of a selector fresh from service: six programmed
// euro coins, the standard pulse configuration of the I/O lines and common parameters,
// country codes, calibration data, open protection masks and statistics with counts.
class SimDefaultImage
{
public:
    static QByteArray build();
    static QByteArray erased();
};
